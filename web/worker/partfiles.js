// The programs' files as lists of parts (partlist.js), in the in-memory file
// system of their runtime. This is the one module that reaches into the
// runtime's internals: the operations of MEMFS's files, which it wraps.
// partfiles.test.mjs runs the programs through it and fails when a new
// runtime changes what it relies on.
import { PartList } from './partlist.js';

// What this module takes from MEMFS: the file operations it wraps.
export function memfsOperations(FS) {
  const table = FS.filesystems?.MEMFS?.ops_table?.file;
  const stream = table?.stream;
  const node = table?.node;
  for (const [where, name] of [
    [stream, 'write'],
    [stream, 'read'],
    [stream, 'mmap'],
    [stream, 'allocate'],
    [node, 'setattr'],
  ]) {
    if (typeof where?.[name] !== 'function') throw new Error(`the programs' runtime has no MEMFS file ${name}`);
  }
  return { stream, node };
}

// Makes every file that the program creates a PartList, and lets files of
// parts be read; a file used in any other way (written in its middle,
// truncated, mapped) first becomes an ordinary one. `onWrite` is told the
// length of every write to a file of parts.
export function usePartFiles(FS, onWrite = () => {}) {
  const { stream, node } = memfsOperations(FS);
  const ordinary = (file) => {
    if (!file.parts) return;
    file.contents = file.parts.bytes().slice();
    file.usedBytes = file.contents.length;
    file.parts = null;
  };
  const { write, read, mmap, allocate } = stream;
  const { setattr } = node;
  stream.write = function (target, buffer, offset, length, position, canOwn) {
    const file = target.node;
    if (length === 0) return 0;
    if (!file.parts && file.usedBytes === 0 && position === 0 && !canOwn) file.parts = new PartList();
    if (file.parts && position === file.parts.size && buffer.buffer !== undefined) {
      file.parts.append(buffer, offset, length);
      file.usedBytes = file.parts.size;
      file.timestamp = Date.now();
      onWrite(length);
      return length;
    }
    ordinary(file);
    return write.call(this, target, buffer, offset, length, position, canOwn);
  };
  stream.read = function (target, buffer, offset, length, position) {
    const file = target.node;
    if (!file.parts) return read.call(this, target, buffer, offset, length, position);
    if (position >= file.usedBytes) return 0;
    return file.parts.read(position, buffer, offset, Math.min(length, file.usedBytes - position));
  };
  stream.mmap = function (target, ...rest) {
    ordinary(target.node);
    return mmap.call(this, target, ...rest);
  };
  stream.allocate = function (target, ...rest) {
    ordinary(target.node);
    return allocate.call(this, target, ...rest);
  };
  node.setattr = function (file, attr) {
    if (attr.size !== undefined) ordinary(file);
    return setattr.call(this, file, attr);
  };
}

// A file of the program's current folder, made of `parts` (shared, not copied).
export function putFile(FS, name, parts) {
  FS.writeFile(name, new Uint8Array(0));
  const file = FS.lookupPath(name).node;
  file.parts = parts;
  file.usedBytes = parts.size;
}

// The parts of a file the program wrote; null when there is no such file.
export function partsOf(FS, name) {
  try {
    const file = FS.lookupPath(name).node;
    if (!FS.isFile(file.mode)) return null;
    if (file.parts) return file.parts;
    return new PartList([file.contents ? file.contents.subarray(0, file.usedBytes) : new Uint8Array(0)]);
  } catch {
    return null;
  }
}
