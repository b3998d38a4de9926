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

// Paints the block of maze position (i, j) with path tiles, as the layout
// places it.
void paintblock(uint8_t *tiles, int64_t width, int64_t height, const MazeLayout &layout, int64_t i,
                int64_t j, RandomSource *random) {
  const int64_t top = layout.top + i * layout.pitch / 2;
  if (layout.centred) {
    paintclipped(tiles, width, height, layout.left + j * layout.pitch / 2, top, layout.blockrows,
                 random);
    return;
  }
  // Rows of a block follow each other at the map's width, and a column
  // past the right edge simply lands at the start of the next row.
  int64_t first = top * width + j * layout.pitch / 2 + layout.shift;
  for (int64_t k = 0; k < layout.blockrows; ++k, first += width)
    paintpairs(tiles, width * height, first, layout.blockpairs, kPathTile, kPathVariants, random);
}

// Calls visit(from, to) for each run of tile indexes that paintblock paints
// for position (i, j).
template <typename Visit>
void blockspans(int64_t width, int64_t height, const MazeLayout &layout, int64_t i, int64_t j,
                Visit visit) {
  const int64_t top = layout.top + i * layout.pitch / 2;
  if (layout.centred) {
    const int64_t left = layout.left + j * layout.pitch / 2, p = layout.blockrows;
    const int64_t x0 = left > 0 ? left : 0, x1 = left + p < width ? left + p : width;
    const int64_t y0 = top > 0 ? top : 0, y1 = top + p < height ? top + p : height;
    for (int64_t y = y0; y < y1 && x0 < x1; ++y) visit(y * width + x0, y * width + x1);
    return;
  }
  const int64_t count = width * height;
  int64_t first = top * width + j * layout.pitch / 2 + layout.shift;
  for (int64_t k = 0; k < layout.blockrows; ++k, first += width) {
    const int64_t from = first > 0 ? first : 0;
    const int64_t to =
        first + 2 * layout.blockpairs < count ? first + 2 * layout.blockpairs : count;
    if (from < to) visit(from, to);
  }
}

bool bitat(const uint8_t *bits, int64_t k) { return (bits[k >> 3] >> (k & 7)) & 1; }
void setbit(uint8_t *bits, int64_t k) { bits[k >> 3] |= uint8_t(1u << (k & 7)); }

// The state of a random source `steps` draws after `state`, in as many
// squarings as the count has bits.
uint32_t stateafter(uint32_t state, uint64_t steps) {
  uint32_t multiplier = kRandomMultiplier, increment = kRandomIncrement;
  for (; steps > 0; steps >>= 1) {
    if (steps & 1) state = multiplier * state + increment;
    increment = multiplier * increment + increment;
    multiplier *= multiplier;
  }
  return state;
}

// The water tile the map held at index t before any path was painted: the
// water is painted first, one draw a pair, from the state `water`.
uint32_t watertile(RandomSource water, int64_t t) {
  const uint32_t draw = drawof(stateafter(water.state, uint64_t(t / 2) + 1));
  return kWaterTile + uint32_t(scaledraw(kWaterVariants, draw)) + (t % 2 ? kPartnerOffset : 0);
}

// After an edit: lays anew the blocks of the positions whose state it
// changed, so that every other tile stays as the maze made it. `made` holds
// the positions open before the edits, `now` after them. Tiles that no open
// block covers any more get back the water they held before the paths were
// painted (from `water`, the source's state then); blocks opened are
// painted as any block is, from `random`. False when memory runs out.
bool relaychanged(uint8_t *tiles, int64_t width, int64_t height, const MazeLayout &layout,
                  const uint8_t *made, const uint8_t *now, RandomSource water,
                  RandomSource *random) {
  const int64_t columns = layout.columns, rows = layout.rows;
  // The tiles that open blocks cover.
  uint8_t *settled = static_cast<uint8_t *>(calloc(size_t(width * height / 8 + 1), 1));
  if (settled == nullptr) return false;
  for (int64_t i = 0; i < rows; ++i)
    for (int64_t j = 0; j < columns; ++j)
      if (bitat(now, i * columns + j))
        blockspans(width, height, layout, i, j, [&](int64_t from, int64_t to) {
          for (int64_t t = from; t < to; ++t) setbit(settled, t);
        });
  for (int64_t i = 0; i < rows; ++i)
    for (int64_t j = 0; j < columns; ++j) {
      const int64_t k = i * columns + j;
      if (!bitat(made, k) || bitat(now, k)) continue;
      blockspans(width, height, layout, i, j, [&](int64_t from, int64_t to) {
        for (int64_t t = from; t < to; ++t)
          if (!bitat(settled, t)) writele16(tiles + 2 * t, watertile(water, t));
      });
    }
  free(settled);
  for (int64_t i = 0; i < rows; ++i)
    for (int64_t j = 0; j < columns; ++j) {
      const int64_t k = i * columns + j;
      if (bitat(now, k) && !bitat(made, k)) paintblock(tiles, width, height, layout, i, j, random);
    }
  return true;
}

// The maze's positions, one bit each, row by row.
uint8_t *readpositions(MazeHandle *maze, int64_t columns, int64_t rows) {
  uint8_t *bits = static_cast<uint8_t *>(calloc(size_t(columns * rows / 8 + 1), 1));
  if (bits == nullptr) return nullptr;
  for (int64_t i = 0; i < rows; ++i)
    for (int64_t j = 0; j < columns; ++j)
      if (qndgetposref(maze, int32_t(j), int32_t(i), 0) != 0) setbit(bits, i * columns + j);
  return bits;
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
  const int64_t mazewidth = layout.columns;
  const int64_t mazeheight = layout.rows;
  const int64_t count = static_cast<int64_t>(width) * height;
  RandomSource *random = request.random != nullptr ? request.random : &terrainrandom;
  const RandomSource water = *random;

  paintpairs(tiles, count, 0, (count + 1) / 2, kWaterTile, kWaterVariants, random);

  const int32_t columns = static_cast<int32_t>(mazewidth), rows = static_cast<int32_t>(mazeheight);
  MazeHandle *maze = request.style != nullptr ? qndcreatestyledref(columns, rows, 1, request.style)
                                              : qndcreateref(columns, rows, 1);
  if (maze == nullptr) return mazerefused(layout) ? kTerrainRefused : kTerrainNoMaze;

  // An edited maze: its tiles are laid as the maze was made, then the blocks
  // of the positions the edits changed are laid anew, so that every other
  // tile of the map stays as it was.
  uint8_t *made = nullptr;
  if (request.editcount > 0) {
    made = readpositions(maze, mazewidth, mazeheight);
    bool edited = made != nullptr;
    for (size_t k = 0; k < request.editcount && edited; ++k) {
      const MazeEdit &e = request.edits[k];
      edited = qndrerollref(maze, e.x0, e.y0, e.x1, e.y1, e.keep, e.seed) != 0;
    }
    if (!edited) {
      free(made);
      qnddestroyref(maze);
      return kTerrainNoMaze;
    }
  }

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
    for (int64_t j = 0; j < mazewidth; ++j) {
      const bool open =
          qndgetposref(maze, static_cast<int32_t>(j), static_cast<int32_t>(i), 0) != 0;
      putline(&line, open ? 'X' : 'O');
      if (open && request.picture != nullptr) setbit(request.picture, i * mazewidth + j);
      // An edited maze is painted as it was made first.
      if (made != nullptr ? bitat(made, i * mazewidth + j) : open)
        paintblock(tiles, width, height, layout, i, j, random);
    }
    putline(&line, '\n');
    flushline(&line);
    if (!request.quiet) reportprogress(kProgressMaze, uint32_t(i + 1), uint32_t(mazeheight));
  }
  bool relaid = true;
  if (made != nullptr) {
    uint8_t *now = readpositions(maze, mazewidth, mazeheight);
    relaid = now != nullptr && relaychanged(tiles, width, height, layout, made, now, water, random);
    free(now);
    free(made);
  }

  free(rowtext);
  qnddestroyref(maze);
  return relaid ? kTerrainLaid : kTerrainNoMaze;
}
