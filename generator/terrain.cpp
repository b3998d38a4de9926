#include "terrain.h"

#include <stdio.h>
#include <stdlib.h>

#include "binding.h"

RandomSource terrainrandom = {1};

namespace {

// Tiles come in pairs: the first from an even tile group, its partner the same
// variant one group higher (16 more). Water is groups 6 and 7 with 6 variants
// to draw from, path groups 2 and 3 with 8.
const uint32_t watertile = 96;
const uint32_t waterkinds = 6;
const uint32_t pathtile = 32;
const uint32_t pathkinds = 8;
const uint32_t partneroffset = 16;

inline void storetile(uint8_t *at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

// Paints npairs pairs of tiles along the linear tile index, the first pair at
// index first, with one draw per pair. Of the count tiles of the array only
// those below count are stored, but every pair takes its draw, so the draws of
// later pairs do not depend on where the array ends. The part inside the array
// is worked out before the loop, which then stores without a test.
void paintpairs(uint8_t *tiles, int64_t count, int64_t first, int64_t npairs, uint32_t basetile,
                uint32_t kinds, RandomSource *source) {
  // A local copy of the source: stores through the byte pointer could alias
  // it and force a reload on every pair.
  RandomSource local = *source;
  int64_t room = count - first;
  int64_t whole = room > 0 ? room / 2 : 0;
  if (whole > npairs) whole = npairs;

  if (whole > 0) {
    uint8_t *at = tiles + 2 * first;
    for (int64_t pair = 0; pair < whole; ++pair, at += 4) {
      uint32_t tile = basetile + static_cast<uint32_t>(scaledraw(kinds, nextdraw(&local)));
      storetile(at, tile);
      storetile(at + 2, tile + partneroffset);
    }
  }

  int64_t rest = npairs - whole;
  if (rest > 0 && room > 2 * whole) {
    // The array ends between the two tiles of this pair.
    uint32_t tile = basetile + static_cast<uint32_t>(scaledraw(kinds, nextdraw(&local)));
    storetile(tiles + 2 * (first + 2 * whole), tile);
    --rest;
  }
  for (; rest > 0; --rest) nextdraw(&local);

  *source = local;
}

// Collects the picture one maze row at a time so that each row goes out in a
// single write. Flushes early only when the row does not fit, which happens
// only if the buffer for a whole row could not be allocated.
struct PictureLine {
  char *text;
  size_t capacity;
  size_t used;
};

void flushline(PictureLine *line) {
  if (line->used > 0) fwrite(line->text, 1, line->used, stdout);
  line->used = 0;
}

inline void putline(PictureLine *line, char c) {
  if (line->used == line->capacity) flushline(line);
  line->text[line->used++] = c;
}

}  // namespace

int32_t layterrain(int32_t width, int32_t height, int32_t pathwidth, int32_t waterwidth,
                   int32_t tileset, uint8_t *tiles) {
  (void)tileset;

  // 64-bit throughout: p + w alone can pass the 32-bit range.
  const int64_t pitch = static_cast<int64_t>(pathwidth) + waterwidth;
  if (pitch == 0) return 0;
  const int64_t mazewidth = 2 * static_cast<int64_t>(width) / pitch;
  const int64_t mazeheight = 2 * static_cast<int64_t>(height) / pitch;
  const int64_t count = static_cast<int64_t>(width) * height;

  paintpairs(tiles, count, 0, (count + 1) / 2, watertile, waterkinds, &terrainrandom);

  MazeHandle *maze =
      qndcreateref(static_cast<int32_t>(mazewidth), static_cast<int32_t>(mazeheight), 1);
  if (maze == nullptr) return 0;

  printf("%dx%d p%d w%d\n", static_cast<int>(mazewidth), static_cast<int>(mazeheight), pathwidth,
         waterwidth);

  // The block's shape follows the map's parity alone. An odd width moves the
  // blocks one column right.
  int64_t blockrows = pathwidth;
  int64_t blockcolumns = pathwidth;
  int64_t shift = 0;
  if (width % 2 != 0) {
    blockcolumns = waterwidth;
    shift = 1;
  } else if (height % 2 != 0) {
    blockrows = waterwidth;
  }
  // An odd column count paints one column more; an empty block draws nothing.
  const int64_t blockpairs = (blockrows > 0 && blockcolumns > 0) ? (blockcolumns + 1) / 2 : 0;
  if (blockpairs == 0) blockrows = 0;

  char fallback[256];
  PictureLine line = {fallback, sizeof fallback, 0};
  char *rowtext = nullptr;
  if (mazewidth > 0 && mazeheight > 0) {
    rowtext = static_cast<char *>(malloc(static_cast<size_t>(mazewidth) + 1));
    if (rowtext != nullptr) {
      line.text = rowtext;
      line.capacity = static_cast<size_t>(mazewidth) + 1;
    }
  }

  for (int64_t i = 0; i < mazeheight; ++i) {
    const int64_t top = i * pitch / 2;
    for (int64_t j = 0; j < mazewidth; ++j) {
      if (qndgetposref(maze, static_cast<int32_t>(j), static_cast<int32_t>(i), 0) == 0) {
        putline(&line, 'O');
        continue;
      }
      putline(&line, 'X');
      // Rows of a block follow each other at the map's width, and a column
      // past the right edge simply lands at the start of the next row.
      int64_t first = top * width + j * pitch / 2 + shift;
      for (int64_t k = 0; k < blockrows; ++k, first += width) {
        paintpairs(tiles, count, first, blockpairs, pathtile, pathkinds, &terrainrandom);
      }
    }
    putline(&line, '\n');
    flushline(&line);
  }

  free(rowtext);
  qnddestroyref(maze);
  return 1;
}
