// A file as a list of parts. A map is written section by section, and much
// of it repeats: "MASK" and "ISOM" are one block written over and over, and
// "MTXM" is written from the same memory as "TILE". Each write is copied out
// of the program's memory once, unless it holds the same bytes as an earlier
// write from the same place, which is then shared. Growing one array instead
// (the in-memory file system's way) copied a 4096 x 4096 map many times over.

// Writes at least this long are kept as parts of their own and looked at for
// repeats; shorter ones are gathered into blocks of STAGING_BYTES.
const LARGE_WRITE = 64 * 1024;
const STAGING_BYTES = 256 * 1024;

export function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  if (a.byteOffset % 4 === 0 && b.byteOffset % 4 === 0 && a.length % 4 === 0) {
    const x = new Int32Array(a.buffer, a.byteOffset, a.length / 4);
    const y = new Int32Array(b.buffer, b.byteOffset, b.length / 4);
    for (let i = 0; i < x.length; i++) if (x[i] !== y[i]) return false;
    return true;
  }
  for (let i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
  return true;
}

export class PartList {
  constructor(parts = []) {
    this.parts = parts;
    this.size = parts.reduce((sum, part) => sum + part.length, 0);
    this.staging = null;
    this.staged = 0;
    this.byPlace = new Map();
  }

  // Appends `length` bytes of `source` from `offset`; `source` may be
  // overwritten afterwards.
  append(source, offset, length) {
    if (length < LARGE_WRITE) {
      if (this.staging !== null && this.staged + length > this.staging.length) this.seal();
      if (this.staging === null) this.staging = new Uint8Array(STAGING_BYTES);
      this.staging.set(source.subarray(offset, offset + length), this.staged);
      this.staged += length;
    } else {
      this.seal();
      const bytes = source.subarray(offset, offset + length);
      const place = `${offset}:${length}`;
      const earlier = this.byPlace.get(place);
      if (earlier !== undefined && sameBytes(earlier, bytes)) {
        this.parts.push(earlier);
      } else {
        const copy = bytes.slice();
        this.byPlace.set(place, copy);
        this.parts.push(copy);
      }
    }
    this.size += length;
  }

  // Closes the block of short writes, so that every byte is in `parts`.
  seal() {
    if (this.staging !== null && this.staged > 0) this.parts.push(this.staging.subarray(0, this.staged));
    this.staging = null;
    this.staged = 0;
  }

  // Copies up to `length` bytes from `position` into target[offset...];
  // returns how many there were.
  read(position, target, offset, length) {
    this.seal();
    let copied = 0;
    let start = 0;
    for (const part of this.parts) {
      const end = start + part.length;
      if (end > position && copied < length) {
        const from = position - start;
        const count = Math.min(part.length - from, length - copied);
        target.set(part.subarray(from, from + count), offset + copied);
        copied += count;
        position += count;
      }
      start = end;
      if (copied === length) break;
    }
    return copied;
  }

  // `length` bytes from `position`: a view into a part when one part holds
  // them all, otherwise a copy.
  range(position, length) {
    this.seal();
    let start = 0;
    for (const part of this.parts) {
      if (position >= start && position + length <= start + part.length) {
        return part.subarray(position - start, position - start + length);
      }
      start += part.length;
    }
    const copy = new Uint8Array(length);
    this.read(position, copy, 0, length);
    return copy;
  }

  bytes() {
    this.seal();
    if (this.parts.length === 1) return this.parts[0];
    const all = new Uint8Array(this.size);
    let at = 0;
    for (const part of this.parts) {
      all.set(part, at);
      at += part.length;
    }
    return all;
  }

  // One Blob for the download; a part that repeats is stored once.
  blob(type) {
    this.seal();
    const uses = new Map();
    for (const part of this.parts) uses.set(part, (uses.get(part) || 0) + 1);
    const shared = new Map();
    const pieces = this.parts.map((part) => {
      if (uses.get(part) === 1) return part;
      if (!shared.has(part)) shared.set(part, new Blob([part]));
      return shared.get(part);
    });
    return new Blob(pieces, { type });
  }
}
