// PNG images of tile maps: one palette index a pixel, compressed on every
// core into one zlib stream.
#ifndef TREVALK_PNGENCODER_H
#define TREVALK_PNGENCODER_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// A rectangle of pixels drawn over the tiles, [left, right) x [top, bottom):
// `fill` inside, `edge` on its outermost pixels.
struct Mark {
  uint32_t left, top, right, bottom;
  uint8_t fill, edge;
};

// A tile layer drawn at a scale: each tile a square of scale x scale pixels
// of its palette index, and marks over them.
struct TileImage {
  const uint8_t *tiles;    // width x height little-endian tile words, row by row
  uint32_t width, height;  // in tiles
  unsigned scale;
  const uint8_t *indexes;  // the palette index of each of the 65536 tile values
  const Mark *marks;       // drawn in order over the tiles; null when none
  int markcount;
};

// Writes `image` to `file` as an 8-bit palette PNG (colour type 3) with the
// first `colours` entries of `palette` (3 bytes each). The image is cut into
// bands of a fixed number of rows, which `threads` threads deflate at the
// same time (0: one a processor); the bytes written do not depend on the
// number of threads. Returns 0, or the system error (errno) of a failed
// write or allocation; what was written by then stays in the file.
int writetilepng(FILE *file, const TileImage &image, const uint8_t *palette, unsigned colours,
                 unsigned threads);

// The number of image rows in each band of an image `rowbytes` bytes a row
// (the filter byte included); the last band may hold fewer.
uint32_t bandrows(size_t rowbytes);

#endif
