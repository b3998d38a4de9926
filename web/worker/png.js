// The pixels of the preview's images: an 8-bit palette PNG decoded into its
// palette and the palette index of every pixel.

// Image pixels decoded at most (an image beyond that is offered, not drawn).
export const MOST_PIXELS = 64 * 1024 * 1024;

async function inflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The chunks of a PNG as { type, body } (views into `png`).
export function pngChunks(png) {
  const view = new DataView(png.buffer, png.byteOffset, png.byteLength);
  const chunks = [];
  for (let at = 8; at + 12 <= png.length;) {
    const length = view.getUint32(at);
    chunks.push({
      type: String.fromCharCode(...png.subarray(at + 4, at + 8)),
      body: png.subarray(at + 8, at + 8 + length),
    });
    at += 12 + length;
  }
  return chunks;
}

// { width, height, palette, pixels } of an 8-bit palette PNG; null for any
// other kind of image, or one past MOST_PIXELS.
export async function decodePng(png) {
  let width = 0;
  let height = 0;
  let palette = null;
  const data = [];
  for (const { type, body } of pngChunks(png)) {
    if (type === 'IHDR') {
      const header = new DataView(body.buffer, body.byteOffset, body.byteLength);
      width = header.getUint32(0);
      height = header.getUint32(4);
      if (body[8] !== 8 || body[9] !== 3 || body[12] !== 0) return null;
    } else if (type === 'PLTE') {
      palette = body.slice();
    } else if (type === 'IDAT') {
      data.push(body);
    }
  }
  if (palette === null || width === 0 || height === 0 || width * height > MOST_PIXELS) return null;
  const raw = await inflate(new Blob(data));
  const rowBytes = width + 1;
  if (raw.length < rowBytes * height) return null;
  const pixels = new Uint8Array(width * height);
  let above = new Uint8Array(width);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * rowBytes];
    const row = raw.subarray(y * rowBytes + 1, (y + 1) * rowBytes);
    const out = pixels.subarray(y * width, (y + 1) * width);
    const left = (x) => (x > 0 ? out[x - 1] : 0);
    if (filter === 0) out.set(row);
    else if (filter === 1) for (let x = 0; x < width; x++) out[x] = row[x] + left(x);
    else if (filter === 2) for (let x = 0; x < width; x++) out[x] = row[x] + above[x];
    else if (filter === 3) for (let x = 0; x < width; x++) out[x] = row[x] + ((left(x) + above[x]) >> 1);
    else if (filter === 4) {
      for (let x = 0; x < width; x++) out[x] = row[x] + paeth(left(x), above[x], x > 0 ? above[x - 1] : 0);
    } else return null;
    above = out;
  }
  return { width, height, palette, pixels };
}
