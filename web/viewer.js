// The map on a canvas: fitted to the view at first (or, for a map so large
// that its corridors would blur into each other, as close as needed to tell
// them apart, with an overview of the whole in a corner), zoomed with
// buttons, the wheel, a pinch or the keyboard, moved by dragging. Only what is in view is
// drawn (drawing.js), in slices that never hold the page; the players'
// starts are marked on top, numbered, in the colours the preview marks them
// with.
import { averageRows, corridorTiles, light, tileRows } from './drawing.js';
import { Overview } from './overview.js';

// Canvas pixels per tile at most, in CSS pixels.
const MOST_ZOOM = 32;
// The canvas's own pixels at most (the backing store of a large screen).
const MOST_CANVAS_PIXELS = 4096 * 2160;
// Time a slice of drawing takes at most before it lets the page go on.
const SLICE_MS = 8;
// Screen pixels across its narrowest corridor or wall that a map opens with
// at least, when fitting it whole would give fewer.
const READABLE_PIXELS = 2;

export class Viewer {
  constructor(canvas) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d');
    this.view = null;
    this.scale = 1; // canvas pixels per tile
    this.left = 0; // the tile coordinates of the canvas's top left corner
    this.top = 0;
    this.fitted = true;
    this.pending = false;
    this.pointers = new Map();
    this.image = null;
    this.job = null;
    this.waiting = [];
    this.starts = [];
    this.colours = [];
    // Told whenever the part of the map in view changes.
    this.onPlace = () => {};
    // Selecting: a drag marks a rectangle of tiles ({ x, y, w, h }) rather
    // than moving the map; onSelect is told of it when the drag ends.
    this.selecting = false;
    this.selection = null;
    this.anchor = null;
    this.onSelect = () => {};
    new ResizeObserver(() => this.resize()).observe(canvas);
    canvas.addEventListener('wheel', (event) => this.wheel(event), { passive: false });
    canvas.addEventListener('pointerdown', (event) => this.pointerDown(event));
    canvas.addEventListener('pointermove', (event) => this.pointerMove(event));
    for (const type of ['pointerup', 'pointercancel']) {
      canvas.addEventListener(type, (event) => {
        this.pointers.delete(event.pointerId);
        if (this.anchor !== null && this.pointers.size === 0) {
          this.anchor = null;
          this.onSelect(this.selection);
        }
      });
    }
    canvas.addEventListener('keydown', (event) => this.key(event));
  }

  // Shows `view` (from the worker) fitted to the canvas; null shows nothing.
  show(view) {
    this.view = view;
    this.canvas.hidden = view === null;
    if (view === null) {
      this.job = null;
      for (const done of this.waiting.splice(0)) done();
      this.onPlace();
      return;
    }
    this.lut = new Uint32Array(256);
    for (let i = 0; i < 256; i++) this.lut[i] = 0xff000000 | view.colours[i];
    this.resize();
    this.fit();
    const readable = (READABLE_PIXELS * (window.devicePixelRatio || 1)) / corridorTiles(view);
    if (this.scale < readable) {
      this.fitted = false;
      this.zoomTo(readable, { x: view.width / 2, y: view.height / 2 });
    }
  }

  // What the canvas says to assistive technology, and whether it shows a map
  // the form no longer describes.
  describe(label, { stale = false } = {}) {
    if (label !== null) this.canvas.setAttribute('aria-label', label);
    this.canvas.classList.toggle('stale', stale);
  }

  // Marks the players' starts ([column, row] of each) on the map, numbered,
  // each in its colour ([r, g, b]).
  setStarts(starts, colours = []) {
    this.starts = starts;
    this.colours = colours;
    if (this.view !== null) this.redraw();
  }

  get minScale() {
    const { width, height } = this.canvas;
    return Math.min(width / this.view.width, height / this.view.height);
  }

  get maxScale() {
    return MOST_ZOOM * (window.devicePixelRatio || 1);
  }

  // The canvas's pixels follow its size on the screen.
  resize() {
    if (this.view === null) return;
    const box = this.canvas.getBoundingClientRect();
    if (box.width === 0) return;
    const ratio = window.devicePixelRatio || 1;
    // The height follows the map's shape, within limits set by the style.
    const wanted = (box.width * this.view.height) / this.view.width;
    this.canvas.style.height = `${Math.max(160, Math.min(wanted, window.innerHeight * 0.6))}px`;
    const height = this.canvas.getBoundingClientRect().height;
    let w = Math.round(box.width * ratio);
    let h = Math.round(height * ratio);
    const shrink = Math.sqrt(Math.min(1, MOST_CANVAS_PIXELS / (w * h)));
    w = Math.max(1, Math.floor(w * shrink));
    h = Math.max(1, Math.floor(h * shrink));
    if (w !== this.canvas.width || h !== this.canvas.height) {
      const centre = this.centre();
      this.canvas.width = w;
      this.canvas.height = h;
      this.image = null;
      if (this.fitted) this.fit();
      else this.zoomTo(this.scale, centre);
    }
  }

  centre() {
    return { x: this.left + this.canvas.width / 2 / this.scale, y: this.top + this.canvas.height / 2 / this.scale };
  }

  fit() {
    if (this.view === null) return;
    this.fitted = true;
    this.zoomTo(this.minScale, { x: this.view.width / 2, y: this.view.height / 2 });
  }

  // Zooms by `factor` about the canvas point `at` (its centre by default).
  zoomBy(factor, at = { x: this.canvas.width / 2, y: this.canvas.height / 2 }) {
    if (this.view === null) return;
    const tile = { x: this.left + at.x / this.scale, y: this.top + at.y / this.scale };
    const scale = Math.min(this.maxScale, Math.max(this.minScale, this.scale * factor));
    this.fitted = scale === this.minScale;
    this.left = tile.x - at.x / scale;
    this.top = tile.y - at.y / scale;
    this.scale = scale;
    this.place();
  }

  // Puts the tile `centre` in the middle of the canvas at `scale`.
  zoomTo(scale, centre) {
    this.scale = Math.min(this.maxScale, Math.max(this.minScale, scale));
    this.left = centre.x - this.canvas.width / 2 / this.scale;
    this.top = centre.y - this.canvas.height / 2 / this.scale;
    this.place();
  }

  panBy(dx, dy) {
    this.left -= dx / this.scale;
    this.top -= dy / this.scale;
    this.place();
  }

  // Keeps the map in view: centred along a side it does not fill, otherwise
  // with no empty margin beyond its edge.
  place() {
    const across = this.canvas.width / this.scale;
    const down = this.canvas.height / this.scale;
    const keep = (start, span, size) => (span >= size ? (size - span) / 2 : Math.min(Math.max(start, 0), size - span));
    this.left = keep(this.left, across, this.view.width);
    this.top = keep(this.top, down, this.view.height);
    this.canvas.dataset.zoom = (this.scale / (window.devicePixelRatio || 1)).toPrecision(3);
    this.redraw();
    this.onPlace();
  }

  redraw() {
    if (this.pending) return;
    this.pending = true;
    // A hidden page gets no animation frames, and its run must still end.
    const later = document.hidden ? (go) => setTimeout(go, 0) : requestAnimationFrame;
    later(() => {
      this.pending = false;
      this.draw();
    });
  }

  // Draws in slices of a few milliseconds, so that no drawing holds the page;
  // a newer drawing ends an unfinished one.
  draw() {
    if (this.view === null) return;
    const { width, height } = this.canvas;
    if (this.image === null) this.image = this.context.createImageData(width, height);
    const image = this.image;
    const pixels = new Uint32Array(image.data.buffer);
    const at = { view: this.view, lut: this.lut, left: this.left, top: this.top, scale: this.scale };
    // Passes over the rows, one after the other.
    const passes = this.scale >= 1 ? tileRows(width, at) : averageRows(width, height, at);
    const job = {};
    this.job = job;
    let pass = 0;
    let y = 0;
    const slice = () => {
      // A newer drawing, or a canvas resized since (which draws anew), ends
      // this one.
      if (this.job !== job || this.image !== image) return;
      const deadline = performance.now() + SLICE_MS;
      while (pass < passes.length && performance.now() < deadline) {
        const end = Math.min(height, y + 8);
        passes[pass](pixels, y, end);
        y = end;
        if (y === height) {
          pass++;
          y = 0;
        }
      }
      if (pass < passes.length) {
        setTimeout(slice, 0);
        return;
      }
      this.context.putImageData(image, 0, 0);
      this.drawStarts();
      this.drawSelection();
      this.job = null;
      if (!this.pending) for (const done of this.waiting.splice(0)) done();
    };
    slice();
  }

  // Each start a square in its player's colour with a black edge, as in
  // the preview's image, large enough at any zoom to hold its number.
  drawStarts() {
    const context = this.context;
    const ratio = window.devicePixelRatio || 1;
    const side = Math.max(3 * this.scale, 20 * ratio);
    context.save();
    context.font = `bold ${Math.round(side * 0.6)}px system-ui, sans-serif`;
    context.textAlign = 'center';
    context.textBaseline = 'middle';
    context.lineWidth = Math.max(1, 1.5 * ratio);
    this.starts.forEach(([column, row], k) => {
      const colour = this.colours[k] ?? [255, 255, 255];
      const x = (column + 0.5 - this.left) * this.scale;
      const y = (row + 0.5 - this.top) * this.scale;
      context.fillStyle = `rgb(${colour.join(' ')})`;
      context.fillRect(x - side / 2, y - side / 2, side, side);
      context.strokeStyle = 'black';
      context.strokeRect(x - side / 2, y - side / 2, side, side);
      context.fillStyle = light(colour) ? 'black' : 'white';
      context.fillText(String(k + 1), x, y + side * 0.04);
    });
    context.restore();
  }

  // The selected rectangle, dashed in black and white so that it shows on
  // land and water alike.
  drawSelection() {
    if (this.selection === null) return;
    const { x, y, w, h } = this.selection;
    const context = this.context;
    const ratio = window.devicePixelRatio || 1;
    const box = [(x - this.left) * this.scale, (y - this.top) * this.scale, w * this.scale, h * this.scale];
    context.save();
    context.lineWidth = 2 * ratio;
    context.setLineDash([6 * ratio, 6 * ratio]);
    context.strokeStyle = 'white';
    context.strokeRect(...box);
    context.lineDashOffset = 6 * ratio;
    context.strokeStyle = 'black';
    context.strokeRect(...box);
    context.restore();
  }

  // Marks `selection` ({ x, y, w, h } in tiles, or null) on the map.
  select(selection) {
    this.selection = selection;
    if (this.view === null || this.image === null) return;
    if (this.job === null && !this.pending) {
      // The map as last drawn, with the marks on top again.
      this.context.putImageData(this.image, 0, 0);
      this.drawStarts();
      this.drawSelection();
    }
  }

  // The tile under a canvas point, within the map.
  tileAt(at) {
    const clamp = (value, size) => Math.min(size - 1, Math.max(0, Math.floor(value)));
    return {
      x: clamp(this.left + at.x / this.scale, this.view.width),
      y: clamp(this.top + at.y / this.scale, this.view.height),
    };
  }

  // Resolves once what is to be shown is on the canvas.
  drawn() {
    if (this.view === null || (this.job === null && !this.pending)) return Promise.resolve();
    return new Promise((done) => this.waiting.push(done));
  }

  // ---- the hand and the keyboard

  point(event) {
    const box = this.canvas.getBoundingClientRect();
    return {
      x: ((event.clientX - box.left) * this.canvas.width) / box.width,
      y: ((event.clientY - box.top) * this.canvas.height) / box.height,
    };
  }

  wheel(event) {
    if (this.view === null) return;
    event.preventDefault();
    const lines = event.deltaMode === 1 ? 40 : event.deltaMode === 2 ? 800 : 1;
    this.zoomBy(Math.exp(-event.deltaY * lines * 0.002), this.point(event));
  }

  pointerDown(event) {
    if (this.view === null) return;
    this.canvas.setPointerCapture(event.pointerId);
    this.pointers.set(event.pointerId, this.point(event));
    if (this.selecting && this.pointers.size === 1) {
      this.anchor = this.tileAt(this.point(event));
      this.select({ ...this.anchor, w: 1, h: 1 });
    } else {
      this.anchor = null;
    }
  }

  pointerMove(event) {
    const before = this.pointers.get(event.pointerId);
    if (before === undefined) return;
    const now = this.point(event);
    if (this.anchor !== null) {
      const to = this.tileAt(now);
      const x = Math.min(to.x, this.anchor.x),
        y = Math.min(to.y, this.anchor.y);
      this.select({ x, y, w: Math.abs(to.x - this.anchor.x) + 1, h: Math.abs(to.y - this.anchor.y) + 1 });
      this.pointers.set(event.pointerId, now);
      return;
    }
    if (this.pointers.size === 1) {
      this.panBy(now.x - before.x, now.y - before.y);
    } else if (this.pointers.size === 2) {
      const other = [...this.pointers].find(([id]) => id !== event.pointerId)[1];
      const distance = (a) => Math.hypot(a.x - other.x, a.y - other.y);
      const middle = (a) => ({ x: (a.x + other.x) / 2, y: (a.y + other.y) / 2 });
      if (distance(before) > 0) this.zoomBy(distance(now) / distance(before), middle(now));
      this.panBy(middle(now).x - middle(before).x, middle(now).y - middle(before).y);
    }
    this.pointers.set(event.pointerId, now);
  }

  key(event) {
    const step = this.canvas.width / 8;
    const actions = {
      '+': () => this.zoomBy(2),
      '=': () => this.zoomBy(2),
      '-': () => this.zoomBy(0.5),
      0: () => this.fit(),
      ArrowLeft: () => this.panBy(step, 0),
      ArrowRight: () => this.panBy(-step, 0),
      ArrowUp: () => this.panBy(0, step),
      ArrowDown: () => this.panBy(0, -step),
    };
    if (this.view === null || !(event.key in actions)) return;
    event.preventDefault();
    actions[event.key]();
  }
}

// The page's viewer: its canvas, with the zoom buttons beside it and the
// overview in its corner.
export function pageViewer() {
  const viewer = new Viewer(document.getElementById('preview'));
  const overview = new Overview(document.getElementById('overview'), viewer);
  let shown = null;
  viewer.onPlace = () => {
    if (viewer.view !== shown) {
      shown = viewer.view;
      overview.show(shown, viewer.lut);
    } else {
      overview.update();
    }
  };
  document.getElementById('zoom-in').addEventListener('click', () => viewer.zoomBy(2));
  document.getElementById('zoom-out').addEventListener('click', () => viewer.zoomBy(0.5));
  document.getElementById('zoom-fit').addEventListener('click', () => viewer.fit());
  return viewer;
}
