// The whole map small in a corner of the view, with the rectangle the view
// shows; a press or a drag on it moves the view there. Shown while the view
// shows only part of the map. Drawn once per map, as the view draws a map
// smaller than its tiles (drawing.js).
import { averageRows, tileRows } from './drawing.js';

// The overview's longer side, in CSS pixels.
const SIDE = 144;

export class Overview {
  constructor(canvas, viewer) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d');
    this.viewer = viewer;
    this.source = null; // { view, lut } of the map shown
    this.image = null;
    this.scale = 1; // overview pixels a tile
    this.dragging = null;
    canvas.addEventListener('pointerdown', (event) => {
      if (this.canvas.hidden) return;
      canvas.setPointerCapture(event.pointerId);
      this.dragging = event.pointerId;
      this.moveTo(event);
    });
    canvas.addEventListener('pointermove', (event) => {
      if (event.pointerId === this.dragging) this.moveTo(event);
    });
    for (const type of ['pointerup', 'pointercancel']) {
      canvas.addEventListener(type, () => {
        this.dragging = null;
      });
    }
  }

  // The map to show small: `view` (the viewer's; null for none), drawn the
  // first time the view shows only part of it.
  show(view, lut) {
    this.image = null;
    this.source = view === null ? null : { view, lut };
    this.update();
  }

  draw({ view, lut }) {
    const ratio = window.devicePixelRatio || 1;
    this.scale = Math.min((SIDE * ratio) / view.width, (SIDE * ratio) / view.height);
    const width = Math.max(1, Math.round(view.width * this.scale));
    const height = Math.max(1, Math.round(view.height * this.scale));
    this.canvas.width = width;
    this.canvas.height = height;
    this.canvas.style.width = `${width / ratio}px`;
    this.canvas.style.height = `${height / ratio}px`;
    const image = this.context.createImageData(width, height);
    const pixels = new Uint32Array(image.data.buffer);
    const at = { view, lut, left: 0, top: 0, scale: this.scale };
    const passes = this.scale >= 1 ? tileRows(width, at) : averageRows(width, height, at);
    for (const pass of passes) pass(pixels, 0, height);
    this.image = image;
  }

  // Shows where the view is, or hides the overview when the view shows the whole map.
  update() {
    const viewer = this.viewer;
    const whole =
      viewer.view === null ||
      (viewer.left <= 0 &&
        viewer.top <= 0 &&
        viewer.left + viewer.canvas.width / viewer.scale >= viewer.view.width &&
        viewer.top + viewer.canvas.height / viewer.scale >= viewer.view.height);
    this.canvas.hidden = this.source === null || whole;
    if (this.canvas.hidden) return;
    if (this.image === null) this.draw(this.source);
    const context = this.context;
    context.putImageData(this.image, 0, 0);
    const s = this.scale;
    const ratio = window.devicePixelRatio || 1;
    context.lineWidth = 2 * ratio;
    context.strokeStyle = '#e8202a';
    context.strokeRect(
      viewer.left * s,
      viewer.top * s,
      Math.max(2, (viewer.canvas.width / viewer.scale) * s),
      Math.max(2, (viewer.canvas.height / viewer.scale) * s),
    );
  }

  // Centres the view on the tile under the pointer.
  moveTo(event) {
    const box = this.canvas.getBoundingClientRect();
    const x = ((event.clientX - box.left) / box.width) * (this.canvas.width / this.scale);
    const y = ((event.clientY - box.top) / box.height) * (this.canvas.height / this.scale);
    this.viewer.zoomTo(this.viewer.scale, { x, y });
  }
}
