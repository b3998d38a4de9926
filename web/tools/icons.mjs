// The page's icons: a small maze, paths of sand on water, drawn as PNG files
// of the sizes an installed page asks for.
import { deflateSync } from 'node:zlib';

// Sand paths (' ') between water ('#'): a perfect maze of four by four cells.
const MAZE = [
  '#########',
  '#   #   #',
  '# # # ###',
  '# #     #',
  '# ##### #',
  '#   #   #',
  '### # # #',
  '#     # #',
  '#########',
];
const WATER = [0x2f, 0x5d, 0xb8];
const SAND = [0xe8, 0xd0, 0x98];

const CRC_TABLE = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});

function crc32(bytes) {
  let c = 0xffffffff;
  for (const byte of bytes) c = CRC_TABLE[(c ^ byte) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const tail = Buffer.alloc(4);
  tail.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, tail]);
}

// The maze on water, `margin` of the side left as water around it (a
// maskable icon keeps its picture inside the middle 80 %).
function mazeIcon(size, margin = 0.06) {
  const cells = MAZE.length;
  const inner = size * (1 - 2 * margin);
  const rows = [];
  for (let y = 0; y < size; y++) {
    const row = Buffer.alloc(1 + 3 * size);
    for (let x = 0; x < size; x++) {
      const cx = Math.floor(((x - size * margin) / inner) * cells);
      const cy = Math.floor(((y - size * margin) / inner) * cells);
      const path = cx >= 0 && cy >= 0 && cx < cells && cy < cells && MAZE[cy][cx] === ' ';
      (path ? SAND : WATER).forEach((value, i) => {
        row[1 + 3 * x + i] = value;
      });
    }
    rows.push(row);
  }
  const header = Buffer.alloc(13);
  header.writeUInt32BE(size, 0);
  header.writeUInt32BE(size, 4);
  header[8] = 8; // bits a channel
  header[9] = 2; // RGB
  return Buffer.concat([
    Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]),
    chunk('IHDR', header),
    chunk('IDAT', deflateSync(Buffer.concat(rows), { level: 9 })),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}

export const ICONS = {
  'icon-192.png': () => mazeIcon(192),
  'icon-512.png': () => mazeIcon(512),
  'icon-maskable-512.png': () => mazeIcon(512, 0.16),
};
