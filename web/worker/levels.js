// What the viewer draws from: each tile's colour (an index into `colours`,
// packed 0xBBGGRR) and, at every halving, the average colour of the tiles
// under each texel, so that a screen pixel over many tiles shows their mix
// (the share of path and water in it) rather than one of them.

// Colour channels ten bits apart, so that four of them add without a carry,
// and back to eight bits apart with the sum of four divided by four.
function spread(c) {
  return (c & 0xff) | ((c & 0xff00) << 2) | ((c & 0xff0000) << 4);
}

function packQuarter(sum) {
  return (
    (((sum & 0x3ff) + 2) >> 2) | (((((sum >> 10) & 0x3ff) + 2) >> 2) << 8) | (((((sum >> 20) & 0x3ff) + 2) >> 2) << 16)
  );
}

// Each texel the average of two by two texels below it (of the tiles, through
// their colours, for the first level). A texel over the last column or row of
// an odd size takes it twice, which averages the same. The tiles' bytes and
// the texels' words go through two loops rather than one: a loop that reads
// both runs a 4096 x 4096 map's levels a fifth slower or worse.
export function halveTiles(tiles, width, height, colours) {
  const w = Math.ceil(width / 2);
  const h = Math.ceil(height / 2);
  const spreadColours = new Int32Array(256);
  for (let i = 0; i < 256; i++) spreadColours[i] = spread(colours[i]);
  const texels = new Int32Array(w * h);
  for (let y = 0; y < h; y++) {
    const top = 2 * y * width;
    const bottom = Math.min(2 * y + 1, height - 1) * width;
    for (let x = 0, o = y * w; x < w; x++, o++) {
      const left = 2 * x;
      const right = left + 1 < width ? left + 1 : left;
      texels[o] = packQuarter(
        spreadColours[tiles[top + left]] +
          spreadColours[tiles[top + right]] +
          spreadColours[tiles[bottom + left]] +
          spreadColours[tiles[bottom + right]],
      );
    }
  }
  return { width: w, height: h, texels };
}

export function halveTexels({ width, height, texels: source }) {
  const w = Math.ceil(width / 2);
  const h = Math.ceil(height / 2);
  const texels = new Int32Array(w * h);
  for (let y = 0; y < h; y++) {
    const top = 2 * y * width;
    const bottom = Math.min(2 * y + 1, height - 1) * width;
    for (let x = 0, o = y * w; x < w; x++, o++) {
      const left = 2 * x;
      const right = left + 1 < width ? left + 1 : left;
      texels[o] = packQuarter(
        spread(source[top + left]) +
          spread(source[top + right]) +
          spread(source[bottom + left]) +
          spread(source[bottom + right]),
      );
    }
  }
  return { width: w, height: h, texels };
}

// The view of a width x height map whose tiles are indexes into `colours`:
// the tiles and every halving down to one texel.
export function viewFromTiles(tiles, width, height, colours) {
  const levels = [];
  if (width > 1 || height > 1) levels.push(halveTiles(tiles, width, height, colours));
  while (levels.length > 0 && (levels.at(-1).width > 1 || levels.at(-1).height > 1)) {
    levels.push(halveTexels(levels.at(-1)));
  }
  return { width, height, colours, tiles, levels };
}

// A PNG palette (3 bytes a colour) as 256 packed colours.
export function paletteColours(palette) {
  const colours = new Int32Array(256);
  for (let i = 0; i < 256 && 3 * i + 2 < palette.length; i++) {
    colours[i] = palette[3 * i] | (palette[3 * i + 1] << 8) | (palette[3 * i + 2] << 16);
  }
  return colours;
}

// The view of a decoded image (png.js), `scale` image pixels to a tile.
export function viewOfImage(image, scale) {
  const width = Math.floor(image.width / scale);
  const height = Math.floor(image.height / scale);
  let tiles = image.pixels;
  if (scale > 1) {
    tiles = new Uint8Array(width * height);
    for (let y = 0; y < height; y++) {
      const row = y * scale * image.width;
      for (let x = 0; x < width; x++) tiles[y * width + x] = image.pixels[row + x * scale];
    }
  }
  return viewFromTiles(tiles, width, height, paletteColours(image.palette));
}

// The buffers of a view, to transfer rather than copy.
export const viewBuffers = (view) =>
  view ? [view.tiles.buffer, ...view.levels.map((level) => level.texels.buffer)] : [];
