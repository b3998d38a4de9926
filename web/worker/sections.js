// A map's sections as the page lists them, and the tiles the viewer draws
// of a map trevalk made: the map format read as trevalk-preview reads it.

// Sections listed at most; the rest are counted.
const MOST_SECTIONS = 1000;

const nameOf = (bytes) => String.fromCharCode(...bytes);

// The map's sections in file order, each { name (4 bytes), length, start
// (where its data starts), held (how much of its data the file holds),
// size (the two words of a "DIM ", when it holds them) }; a section the
// file ends inside is not listed. { sections, more (sections past the
// listed ones), trailing (bytes after the last whole section), cut (the
// section the file ends inside, or null) }.
export function listSections(parts) {
  const sections = [];
  let more = 0;
  let at = 0;
  let cut = null;
  const head = new Uint8Array(8);
  const words = new DataView(head.buffer);
  while (at + 8 <= parts.size) {
    parts.read(at, head, 0, 8);
    const length = words.getUint32(4, true);
    const held = Math.min(length, parts.size - at - 8);
    const section = { name: head.slice(0, 4), start: at + 8, length, held };
    if (held < length) {
      cut = section;
      break;
    }
    if (sections.length < MOST_SECTIONS) {
      if (nameOf(section.name) === 'DIM ' && held >= 4) {
        const dim = new Uint8Array(4);
        parts.read(at + 8, dim, 0, 4);
        section.size = [dim[0] | (dim[1] << 8), dim[2] | (dim[3] << 8)];
      }
      sections.push(section);
    } else {
      more++;
    }
    at += 8 + length;
  }
  return { sections, more, trailing: cut === null ? parts.size - at : 0, cut };
}

// The colours of a map's tiles, as the preview draws them (`learned`: its
// table of the colour index of every tile value, and the colours): the size
// from the last "DIM " section, the tiles from the last "MTXM" section; null
// when the map is not one of that plain kind, or larger than `most` tiles.
export function tilesOfMap(parts, listing, learned, most) {
  if (learned === null || listing.more > 0) return null;
  const last = (name) => listing.sections.findLast((section) => nameOf(section.name) === name);
  const dim = last('DIM ');
  const layer = last('MTXM');
  if (!dim || !dim.size || !layer) return null;
  const [width, height] = dim.size;
  const count = width * height;
  if (count === 0 || count > most || layer.held < 2 * count) return null;
  let bytes = parts.range(layer.start, 2 * count);
  if (bytes.byteOffset % 2 !== 0) bytes = bytes.slice();
  // The map's words are little-endian, as every browser's typed arrays are.
  const values = new Uint16Array(bytes.buffer, bytes.byteOffset, count);
  const tiles = new Uint8Array(count);
  const table = learned.table;
  for (let i = 0; i < count; i++) tiles[i] = table[values[i]];
  return { tiles, width, height, colours: learned.colours };
}
