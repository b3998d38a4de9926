// The map on a canvas: fitted to the view at first, zoomed with buttons, the
// wheel, a pinch or the keyboard, moved by dragging. Only what is in view is
// drawn, each screen pixel from the tiles under it: one tile's colour when a
// tile covers the pixel, otherwise the average colour of the tiles it
// covers, taken from the halved levels the worker made, so that a large maze
// reads as a maze instead of a moiré.

// The players' colours, player 1 first: those trevalk-preview marks the
// starts with.
export const PLAYER_COLOURS = [
  [220, 38, 38],
  [22, 163, 74],
  [147, 51, 234],
  [234, 88, 12],
  [8, 145, 178],
  [219, 39, 119],
  [250, 204, 21],
  [255, 255, 255],
];

export const playerColour = (k) => `rgb(${PLAYER_COLOURS[k % PLAYER_COLOURS.length].join(' ')})`;

// Canvas pixels per tile at most, in CSS pixels.
const MOST_ZOOM = 32;
// The canvas's own pixels at most (the backing store of a large screen).
const MOST_CANVAS_PIXELS = 4096 * 2160;
const BACKGROUND = 0xffccd2dd; // #DDD2CC as little-endian RGBA
// Time a slice of drawing takes at most before it lets the page go on.
const SLICE_MS = 8;

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
    new ResizeObserver(() => this.resize()).observe(canvas);
    canvas.addEventListener('wheel', (event) => this.wheel(event), { passive: false });
    canvas.addEventListener('pointerdown', (event) => this.pointerDown(event));
    canvas.addEventListener('pointermove', (event) => this.pointerMove(event));
    for (const type of ['pointerup', 'pointercancel'])
      canvas.addEventListener(type, (event) => this.pointers.delete(event.pointerId));
    canvas.addEventListener('keydown', (event) => this.key(event));
  }

  // Shows `view` (from the worker) fitted to the canvas; null shows nothing.
  show(view) {
    this.view = view;
    this.canvas.hidden = view === null;
    if (view === null) {
      this.job = null;
      for (const done of this.waiting.splice(0)) done();
      return;
    }
    this.lut = new Uint32Array(256);
    for (let i = 0; i < 256; i++) this.lut[i] = 0xff000000 | view.colours[i];
    this.resize();
    this.fit();
  }

  // Marks the players' starts ([column, row] of each) on the map, numbered.
  setStarts(starts) {
    this.starts = starts;
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
    this.canvas.style.height = `${Math.max(160, Math.min(wanted, window.innerHeight * 0.7))}px`;
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
    this.redraw();
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
    // Passes over the rows, one after the other.
    const passes = this.scale >= 1 ? [this.tileRows(width)] : this.averageRows(width, height);
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
      const x = (column + 0.5 - this.left) * this.scale;
      const y = (row + 0.5 - this.top) * this.scale;
      context.fillStyle = playerColour(k);
      context.fillRect(x - side / 2, y - side / 2, side, side);
      context.strokeStyle = 'black';
      context.strokeRect(x - side / 2, y - side / 2, side, side);
      context.fillStyle = Viewer.light(PLAYER_COLOURS[k % PLAYER_COLOURS.length]) ? 'black' : 'white';
      context.fillText(String(k + 1), x, y + side * 0.04);
    });
    context.restore();
  }

  // Whether black reads better on the colour than white (WCAG's contrast).
  static light(colour) {
    const [r, g, b] = colour.map((c) => {
      const s = c / 255;
      return s <= 0.04045 ? s / 12.92 : ((s + 0.055) / 1.055) ** 2.4;
    });
    const luminance = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    return (luminance + 0.05) / 0.05 > 1.05 / (luminance + 0.05);
  }

  // Resolves once what is to be shown is on the canvas.
  drawn() {
    if (this.view === null || (this.job === null && !this.pending)) return Promise.resolve();
    return new Promise((done) => this.waiting.push(done));
  }

  // A tile covers a pixel or more: each pixel takes its tile's colour.
  tileRows(width) {
    const { tiles, width: mapWidth, height: mapHeight } = this.view;
    const columns = new Int32Array(width);
    for (let x = 0; x < width; x++) {
      const tile = Math.floor(this.left + (x + 0.5) / this.scale);
      columns[x] = tile >= 0 && tile < mapWidth ? tile : -1;
    }
    const { lut, top, scale } = this;
    return (pixels, from, to) => {
      for (let y = from, at = from * width; y < to; y++) {
        const row = Math.floor(top + (y + 0.5) / scale);
        if (row < 0 || row >= mapHeight) {
          pixels.fill(BACKGROUND, at, at + width);
          at += width;
          continue;
        }
        const base = row * mapWidth;
        for (let x = 0; x < width; x++, at++) {
          const tile = columns[x];
          pixels[at] = tile < 0 ? BACKGROUND : lut[tiles[base + tile]];
        }
      }
    };
  }

  // The weights of the texels under each pixel along one side: pixel i covers
  // tiles [start + i * step, start + (i + 1) * step), clipped to the map.
  static weights(count, start, step, size, texel) {
    const first = new Int32Array(count);
    const weight = new Float32Array(count * 3);
    const covered = new Float32Array(count);
    const texels = Math.ceil(size / texel);
    for (let i = 0; i < count; i++) {
      const from = Math.max(0, start + i * step);
      const to = Math.min(size, start + (i + 1) * step);
      first[i] = -1;
      if (to <= from) continue;
      const a = Math.floor(from / texel);
      first[i] = a;
      for (let k = 0; k < 3 && a + k < texels; k++) {
        const lo = Math.max(from, (a + k) * texel);
        const hi = Math.min(to, (a + k + 1) * texel, size);
        weight[i * 3 + k] = hi > lo ? hi - lo : 0;
      }
      covered[i] = (to - from) / step;
    }
    return { first, weight, covered };
  }

  // A pixel covers more than a tile: each pixel takes the average colour of
  // the tiles it covers, from the level whose texels are about its size; a
  // second pass spreads those averages over a ramp (spreadAverages).
  averageRows(width, height) {
    const view = this.view;
    const step = 1 / this.scale;
    const depth = Math.min(view.levels.length, Math.floor(Math.log2(step)));
    const texel = 2 ** depth;
    const level = depth === 0 ? null : view.levels[depth - 1];
    const levelWidth = depth === 0 ? view.width : level.width;
    const { colours, tiles } = view;
    const texels = depth === 0 ? null : level.texels;
    const across = Viewer.weights(width, this.left, step, view.width, texel);
    const down = Viewer.weights(height, this.top, step, view.height, texel);
    const bgR = BACKGROUND & 0xff;
    const bgG = (BACKGROUND >> 8) & 0xff;
    const bgB = (BACKGROUND >> 16) & 0xff;
    // Pixels wholly on the map, and their averages by brightness.
    const whole = new Uint8Array(width * height);
    const shades = { count: new Float64Array(256), sum: new Float64Array(256 * 3) };
    const average = (pixels, from, to) => {
      for (let y = from, at = from * width; y < to; y++) {
        const row = down.first[y];
        if (row < 0) {
          pixels.fill(BACKGROUND, at, at + width);
          at += width;
          continue;
        }
        for (let x = 0; x < width; x++, at++) {
          const column = across.first[x];
          if (column < 0) {
            pixels[at] = BACKGROUND;
            continue;
          }
          let r = 0;
          let g = 0;
          let b = 0;
          let total = 0;
          for (let j = 0; j < 3; j++) {
            const wy = down.weight[y * 3 + j];
            if (wy === 0) continue;
            const base = (row + j) * levelWidth + column;
            for (let i = 0; i < 3; i++) {
              const w = wy * across.weight[x * 3 + i];
              if (w === 0) continue;
              const c = texels === null ? colours[tiles[base + i]] : texels[base + i];
              r += w * (c & 0xff);
              g += w * ((c >> 8) & 0xff);
              b += w * ((c >> 16) & 0xff);
              total += w;
            }
          }
          r /= total;
          g /= total;
          b /= total;
          const shown = across.covered[x] * down.covered[y];
          if (shown > 0.999) {
            whole[at] = 1;
            const shade = Math.round(0.299 * r + 0.587 * g + 0.114 * b);
            shades.count[shade]++;
            shades.sum[3 * shade] += r;
            shades.sum[3 * shade + 1] += g;
            shades.sum[3 * shade + 2] += b;
          } else {
            r = r * shown + bgR * (1 - shown);
            g = g * shown + bgG * (1 - shown);
            b = b * shown + bgB * (1 - shown);
          }
          pixels[at] = 0xff000000 | (b << 16) | (g << 8) | r;
        }
      }
    };
    if (depth === 0) return [average];
    let ramp;
    const spread = (pixels, from, to) => {
      if (from === 0) ramp = Viewer.ramp(shades);
      if (ramp === null) return;
      const { low, span, dark, light } = ramp;
      for (let at = from * width; at < to * width; at++) {
        if (whole[at] === 0) continue;
        const c = pixels[at];
        const shade = 0.299 * (c & 0xff) + 0.587 * ((c >> 8) & 0xff) + 0.114 * ((c >> 16) & 0xff);
        const t = Math.min(1, Math.max(0, (shade - low) / span));
        pixels[at] =
          0xff000000 | ((dark[2] + t * light[2]) << 16) | ((dark[1] + t * light[1]) << 8) | (dark[0] + t * light[0]);
      }
    };
    return [average, spread];
  }

  // Where many tiles fall on one pixel, their average is a dull mix of path
  // and water that hides the maze. The averages are spread instead over a
  // ramp from the darkest to the lightest of them in view (the 2nd and 98th
  // percentile by brightness: by the share of path in them), so that a
  // pixel of more path than most is drawn lighter. null for one shade only.
  static ramp({ count, sum }) {
    const total = count.reduce((a, b) => a + b, 0);
    let seen = 0;
    let low = -1;
    let high = -1;
    for (let shade = 0; shade < 256; shade++) {
      seen += count[shade];
      if (low < 0 && seen >= total * 0.02) low = shade;
      if (high < 0 && seen >= total * 0.98) high = shade;
    }
    if (total === 0 || high - low < 8) return null;
    const colour = (shade) => [0, 1, 2].map((i) => sum[3 * shade + i] / count[shade]);
    const dark = colour(low);
    const light = colour(high).map((v, i) => v - dark[i]);
    return { low, span: high - low, dark, light };
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
  }

  pointerMove(event) {
    const before = this.pointers.get(event.pointerId);
    if (before === undefined) return;
    const now = this.point(event);
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
