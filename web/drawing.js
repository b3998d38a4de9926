// How the viewer fills its canvas (viewer.js): passes over the canvas's rows
// that take each screen pixel's colour from the tiles under it. One tile's
// colour when a tile covers the pixel, otherwise the average colour of the
// tiles it covers, taken from the halved levels the worker made, so that a
// large maze reads as a maze instead of a moiré.
// Each takes the canvas's size and { view (the worker's), lut (each tile's
// colour as a canvas pixel), left, top (the tile under the canvas's top left
// corner), scale (canvas pixels a tile) }, and returns its passes. Last,
// what the viewer reads of a map (its narrowest corridors) and of a colour
// (whether black text reads on it).

export const BACKGROUND = 0xffccd2dd; // #DDD2CC as little-endian RGBA

// A tile covers a pixel or more: each pixel takes its tile's colour. One pass.
export function tileRows(width, { view, lut, left, top, scale }) {
  const { tiles, width: mapWidth, height: mapHeight } = view;
  const columns = new Int32Array(width);
  for (let x = 0; x < width; x++) {
    const tile = Math.floor(left + (x + 0.5) / scale);
    columns[x] = tile >= 0 && tile < mapWidth ? tile : -1;
  }
  return [
    (pixels, from, to) => {
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
    },
  ];
}

// The weights of the texels under each pixel along one side: pixel i covers
// tiles [start + i * step, start + (i + 1) * step), clipped to the map.
function weights(count, start, step, size, texel) {
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
// second pass spreads those averages over a ramp (rampOf).
export function averageRows(width, height, { view, left, top, scale }) {
  const step = 1 / scale;
  const depth = Math.min(view.levels.length, Math.floor(Math.log2(step)));
  const texel = 2 ** depth;
  const level = depth === 0 ? null : view.levels[depth - 1];
  const levelWidth = depth === 0 ? view.width : level.width;
  const { colours, tiles } = view;
  const texels = depth === 0 ? null : level.texels;
  const across = weights(width, left, step, view.width, texel);
  const down = weights(height, top, step, view.height, texel);
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
    if (from === 0) ramp = rampOf(shades);
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
function rampOf({ count, sum }) {
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

// ---- what the viewer reads of a map and a colour

// Whether black reads better on the colour than white (WCAG's contrast).
export function light(colour) {
  const [r, g, b] = colour.map((c) => {
    const s = c / 255;
    return s <= 0.04045 ? s / 12.92 : ((s + 0.055) / 1.055) ** 2.4;
  });
  const luminance = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  return (luminance + 0.05) / 0.05 > 1.05 / (luminance + 0.05);
}

// The width of the map's narrowest corridors and walls, in tiles: the lower
// quartile of the runs of light and of dark tiles (land and water, whatever
// the tiles' own shades) along its middle row and column. It needs no
// knowledge of the widths the map was made with, so any map opened reads
// the same way.
export function corridorTiles({ tiles, width, height, colours }) {
  const brightness = (tile) => {
    const c = colours[tile];
    return 0.299 * (c & 0xff) + 0.587 * ((c >> 8) & 0xff) + 0.114 * ((c >> 16) & 0xff);
  };
  const runs = [];
  const walk = (start, step, count) => {
    const shades = Array.from({ length: count }, (_, i) => brightness(tiles[start + i * step]));
    const middle = (shades.reduce((a, b) => Math.min(a, b)) + shades.reduce((a, b) => Math.max(a, b))) / 2;
    let run = 1;
    for (let i = 1; i < count; i++) {
      if (shades[i] > middle === shades[i - 1] > middle) {
        run++;
      } else {
        runs.push(run);
        run = 1;
      }
    }
    runs.push(run);
  };
  walk(Math.floor(height / 2) * width, 1, width);
  walk(Math.floor(width / 2), width, height);
  runs.sort((a, b) => a - b);
  return runs[Math.floor(runs.length / 4)];
}
