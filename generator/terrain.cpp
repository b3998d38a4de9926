#include "terrain.h"

#include <stdio.h>
#include <stdlib.h>

#include "binding.h"
#include "layout.h"
#include "littleendian.h"
#include "progress.h"
#include "runtext.h"
#include "tilegroups.h"

RandomSource terrainrandom = {1};

namespace {

// Water and path tiles come in pairs (tilegroups.h): the first of a pair
// drawn from its group's variants, its partner one group higher.
constexpr uint32_t kWaterTile = firsttileof(kWaterGroup);
constexpr uint32_t kPathTile = firsttileof(kPathGroup);

// Draws taken eight at a time: the state k + 1 steps ahead is
// multiplier[k] * state + increment[k], so eight draws need eight
// independent multiplications rather than a chain of them.
constexpr RandomJumps<8> kJumps = randomjumps<8>();

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
    int64_t pair = 0;
    // Long runs (the water that fills the map) eight pairs at a time.
    for (; pair + 8 <= whole; pair += 8, at += 32) {
      const uint32_t state = local.state;
      for (int k = 0; k < 8; ++k) {
        uint32_t draw = drawof(kJumps.multiplier[k] * state + kJumps.increment[k]);
        uint32_t tile = basetile + static_cast<uint32_t>(scaledraw(kinds, draw));
        writele16(at + 4 * k, tile);
        writele16(at + 4 * k + 2, tile + kPartnerOffset);
      }
      local.state = kJumps.multiplier[7] * state + kJumps.increment[7];
    }
    for (; pair < whole; ++pair, at += 4) {
      uint32_t tile = basetile + static_cast<uint32_t>(scaledraw(kinds, nextdraw(&local)));
      writele16(at, tile);
      writele16(at + 2, tile + kPartnerOffset);
    }
  }

  int64_t rest = npairs - whole;
  if (rest > 0 && room > 2 * whole) {
    // The array ends between the two tiles of this pair.
    uint32_t tile = basetile + static_cast<uint32_t>(scaledraw(kinds, nextdraw(&local)));
    writele16(tiles + 2 * (first + 2 * whole), tile);
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
  FILE *out;  // null: the picture is not printed
};

void flushline(PictureLine *line) {
  if (line->used > 0 && line->out != nullptr) fwrite(line->text, 1, line->used, line->out);
  line->used = 0;
}

inline void putline(PictureLine *line, char c) {
  if (line->used == line->capacity) flushline(line);
  line->text[line->used++] = c;
}

// Paints the p x p block of a centred layout whose top left tile is (left,
// top), clipped to the map.
void paintclipped(uint8_t *tiles, int64_t width, int64_t height, int64_t left, int64_t top,
                  int64_t p, RandomSource *random) {
  const int64_t x0 = left > 0 ? left : 0, x1 = left + p < width ? left + p : width;
  const int64_t y0 = top > 0 ? top : 0, y1 = top + p < height ? top + p : height;
  if (x1 <= x0) return;
  for (int64_t y = y0; y < y1; ++y)
    paintpairs(tiles, y * width + x1, y * width + x0, (x1 - x0 + 1) / 2, kPathTile, kPathVariants,
               random);
}

}  // namespace

TerrainResult layterrain(int32_t width, int32_t height, int32_t pathwidth, int32_t waterwidth,
                         int32_t tileset, uint8_t *tiles, const TerrainStyle *fair) {
  (void)tileset;
  TerrainStyle plain = {};
  if (fair == nullptr) {
    plain.layout = mazelayout(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                              pathwidth, waterwidth);
    fair = &plain;
  }
  const TerrainStyle &request = *fair;
  const MazeLayout &layout = request.layout;
  if (layout.pitch == 0) return kTerrainNoPitch;
  const int64_t pitch = layout.pitch;
  const int64_t mazewidth = layout.columns;
  const int64_t mazeheight = layout.rows;
  const int64_t count = static_cast<int64_t>(width) * height;
  RandomSource *random = request.random != nullptr ? request.random : &terrainrandom;

  paintpairs(tiles, count, 0, (count + 1) / 2, kWaterTile, kWaterVariants, random);

  const int32_t columns = static_cast<int32_t>(mazewidth), rows = static_cast<int32_t>(mazeheight);
  MazeHandle *maze = request.style != nullptr ? qndcreatestyledref(columns, rows, 1, request.style)
                                              : qndcreateref(columns, rows, 1);
  if (maze == nullptr) return mazerefused(layout) ? kTerrainRefused : kTerrainNoMaze;

  if (!request.quiet)
    fprintf(runtext, "%dx%d p%d w%d\n", static_cast<int>(mazewidth), static_cast<int>(mazeheight),
            pathwidth, waterwidth);

  char fallback[256];
  PictureLine line = {fallback, sizeof fallback, 0, request.quiet ? nullptr : runtext};
  char *rowtext = nullptr;
  if (mazewidth > 0 && mazeheight > 0 && !request.quiet) {
    rowtext = static_cast<char *>(malloc(static_cast<size_t>(mazewidth) + 1));
    if (rowtext != nullptr) {
      line.text = rowtext;
      line.capacity = static_cast<size_t>(mazewidth) + 1;
    }
  }

  for (int64_t i = 0; i < mazeheight; ++i) {
    const int64_t top = layout.top + i * pitch / 2;
    for (int64_t j = 0; j < mazewidth; ++j) {
      if (qndgetposref(maze, static_cast<int32_t>(j), static_cast<int32_t>(i), 0) == 0) {
        putline(&line, 'O');
        continue;
      }
      putline(&line, 'X');
      if (request.picture != nullptr) {
        const int64_t bit = i * mazewidth + j;
        request.picture[bit >> 3] |= uint8_t(1u << (bit & 7));
      }
      if (layout.centred) {
        paintclipped(tiles, width, height, layout.left + j * pitch / 2, top, layout.blockrows,
                     random);
        continue;
      }
      // Rows of a block follow each other at the map's width, and a column
      // past the right edge simply lands at the start of the next row.
      int64_t first = top * width + j * pitch / 2 + layout.shift;
      for (int64_t k = 0; k < layout.blockrows; ++k, first += width) {
        paintpairs(tiles, count, first, layout.blockpairs, kPathTile, kPathVariants, random);
      }
    }
    putline(&line, '\n');
    flushline(&line);
    if (!request.quiet) reportprogress(kProgressMaze, uint32_t(i + 1), uint32_t(mazeheight));
  }

  free(rowtext);
  qnddestroyref(maze);
  return kTerrainLaid;
}
