// A re-roll is a random spanning tree drawn over what the set's passages
// leave: the rest of the maze falls into pieces once they are closed, and
// passages of the set are opened in a random order whenever they join two
// pieces that are not joined yet (Kruskal's method), until the maze is one
// piece again. With a symmetry each passage comes with its images, and an
// orbit of passages is opened only when all of it joins pieces without
// closing a circle, so the maze stays symmetric and perfect. The passages
// that are their own image (across a mirror's axis, along one, at the
// centre) come last: each joins a piece to its own image, and a maze has
// room for one such join of the two halves, or it could no longer become
// one piece.
#include "reroll.h"

#include <stdlib.h>

#include <algorithm>

#include "loops.h"
#include "randomsource.h"

namespace {

struct Candidate {
  uint32_t fixed;  // 1 when an image of the passage is the passage itself
  uint32_t was;    // bit k: image k of the passage was open before the re-roll
  uint32_t key;    // drawn: the order the passages are tried in
  uint32_t order;  // where it was found, for equal keys
  int32_t x, y;    // the passage's position
};

// The maze's cells as a grid of their own: cell (x / 2, y / 2) of position (x, y).
struct Cells {
  int32_t columns, rows;
  size_t index(int32_t x, int32_t y) const {
    return size_t(y / 2) * size_t(columns) + size_t(x / 2);
  }
};

// The order passages are tried in: those that are not their own image
// first, then by their keys, then as they were found. No two are equal, so
// the order is the same with any sort.
int comesfirst(const void *left, const void *right) {
  const Candidate &a = *static_cast<const Candidate *>(left);
  const Candidate &b = *static_cast<const Candidate *>(right);
  if (a.fixed != b.fixed) return a.fixed < b.fixed ? -1 : 1;
  if (a.key != b.key) return a.key < b.key ? -1 : 1;
  return a.order < b.order ? -1 : a.order > b.order ? 1 : 0;
}

uint32_t rootof(uint32_t *parent, uint32_t c) {
  while (parent[c] != c) {
    parent[c] = parent[parent[c]];
    c = parent[c];
  }
  return c;
}

// The two cells a passage joins.
void endsof(int32_t x, int32_t y, int32_t ends[4]) {
  const int32_t dx = x & 1, dy = y & 1;
  ends[0] = x - dx, ends[1] = y - dy, ends[2] = x + dx, ends[3] = y + dy;
}

// The distinct images of a position, the position first; how many.
int imagesof(const MazeHandle &m, Symmetry mode, int32_t x, int32_t y, int32_t images[4][2]) {
  int count = 0;
  for (int g = 0; g < symmetryorder(mode); ++g) {
    int64_t gx, gy;
    imageof(mode, g, m.xsize, m.ysize, x, y, &gx, &gy);
    bool seen = false;
    for (int k = 0; k < count; ++k) seen = seen || (images[k][0] == gx && images[k][1] == gy);
    if (seen) continue;
    images[count][0] = int32_t(gx);
    images[count][1] = int32_t(gy);
    ++count;
  }
  return count;
}

// The scan index of a position; a passage stands for its orbit when no
// image of it comes earlier.
int64_t scanindex(const MazeHandle &m, int32_t x, int32_t y) { return int64_t(y) * m.xsize + x; }

struct Reroll {
  MazeHandle *maze;
  Symmetry mode;
  Cells cells;
  const uint8_t *inset;  // one byte a cell: in the set
  uint32_t *parent;      // pieces, by cell
  Candidate *candidates;
  size_t count;
};

// Opens the orbit of the passage at (x, y) when it joins pieces without a
// circle, or with `circles` when it joins any two; true when it did.
bool joinorbit(Reroll *r, int32_t x, int32_t y, bool circles) {
  int32_t images[4][2];
  const int n = imagesof(*r->maze, r->mode, x, y, images);
  // The pieces each image joins, checked among themselves first: an orbit
  // opens whole or not at all.
  uint32_t pieces[4][2];
  uint32_t local[8];
  int used = 0;
  const auto slot = [&](uint32_t piece) {
    for (int k = 0; k < used; ++k)
      if (local[k] == piece) return k;
    local[used] = piece;
    return used++;
  };
  int group[8];
  for (int k = 0; k < 8; ++k) group[k] = k;
  const auto find = [&](int k) {
    while (group[k] != k) k = group[k];
    return k;
  };
  bool joins = false, circle = false;
  for (int i = 0; i < n; ++i) {
    int32_t ends[4];
    endsof(images[i][0], images[i][1], ends);
    pieces[i][0] = rootof(r->parent, uint32_t(r->cells.index(ends[0], ends[1])));
    pieces[i][1] = rootof(r->parent, uint32_t(r->cells.index(ends[2], ends[3])));
    joins = joins || pieces[i][0] != pieces[i][1];
    const int a = find(slot(pieces[i][0])), b = find(slot(pieces[i][1]));
    circle = circle || a == b;
    group[a] = b;
  }
  if (!joins || (circle && !circles)) return false;
  for (int i = 0; i < n; ++i) {
    r->parent[rootof(r->parent, pieces[i][0])] = rootof(r->parent, pieces[i][1]);
    openxy(r->maze, images[i][0], images[i][1]);
  }
  return true;
}

// Whether every cell is in one piece.
bool onepiece(Reroll *r) {
  const size_t ncells = size_t(r->cells.columns) * size_t(r->cells.rows);
  const uint32_t one = rootof(r->parent, 0);
  for (size_t c = 1; c < ncells; ++c)
    if (rootof(r->parent, uint32_t(c)) != one) return false;
  return true;
}

// The set's passages closed, the rest in pieces, the candidates opened in
// the order of their keys. True when the maze is one piece.
// A maze with loops may hold pieces that are each their own image (joined
// across an axis by a loop) and that no orbit joins without a circle: a
// second pass joins them with one.
bool redraw(Reroll *r, bool circles) {
  MazeHandle *m = r->maze;
  const size_t ncells = size_t(r->cells.columns) * size_t(r->cells.rows);
  for (size_t i = 0; i < r->count; ++i) {
    int32_t images[4][2];
    const int n = imagesof(*m, r->mode, r->candidates[i].x, r->candidates[i].y, images);
    for (int k = 0; k < n; ++k)
      closeposition(m->grid, positionindex(m, images[k][0], images[k][1], 0));
  }
  for (size_t c = 0; c < ncells; ++c) r->parent[c] = uint32_t(c);
  for (int32_t y = 0; y < m->ysize; y += 2)
    for (int32_t x = 0; x < m->xsize; x += 2) {
      const uint32_t here = uint32_t(r->cells.index(x, y));
      if (x + 2 < m->xsize && isopenxy(m, x + 1, y))
        r->parent[rootof(r->parent, here)] = rootof(r->parent, uint32_t(r->cells.index(x + 2, y)));
      if (y + 2 < m->ysize && isopenxy(m, x, y + 1))
        r->parent[rootof(r->parent, here)] = rootof(r->parent, uint32_t(r->cells.index(x, y + 2)));
    }
  qsort(r->candidates, r->count, sizeof *r->candidates, comesfirst);
  for (size_t i = 0; i < r->count; ++i) joinorbit(r, r->candidates[i].x, r->candidates[i].y, false);
  if (onepiece(r)) return true;
  if (!circles) return false;
  for (size_t i = 0; i < r->count; ++i) joinorbit(r, r->candidates[i].x, r->candidates[i].y, true);
  return onepiece(r);
}

// The passages of the set's cells, each orbit once, in scan order; how many.
size_t findcandidates(const MazeHandle &m, Symmetry mode, const Cells &cells, const uint8_t *inset,
                      Candidate *out) {
  size_t count = 0;
  for (int32_t y = 0; y < m.ysize; y += 2)
    for (int32_t x = 0; x < m.xsize; x += 2) {
      const bool here = inset[cells.index(x, y)] != 0;
      const int32_t passages[2][2] = {{x + 1, y}, {x, y + 1}};
      const bool beyond[2] = {x + 2 < m.xsize && (here || inset[cells.index(x + 2, y)] != 0),
                              y + 2 < m.ysize && (here || inset[cells.index(x, y + 2)] != 0)};
      for (int d = 0; d < 2; ++d) {
        if (!beyond[d]) continue;
        int32_t images[4][2];
        const int n = imagesof(m, mode, passages[d][0], passages[d][1], images);
        bool first = true;
        for (int k = 1; k < n; ++k)
          first = first && scanindex(m, images[k][0], images[k][1]) >
                               scanindex(m, passages[d][0], passages[d][1]);
        if (!first) continue;
        uint32_t was = 0;
        for (int k = 0; k < n; ++k) was |= uint32_t(isopenxy(&m, images[k][0], images[k][1])) << k;
        out[count++] = {uint32_t(n < symmetryorder(mode)),
                        was,
                        0,
                        uint32_t(count),
                        passages[d][0],
                        passages[d][1]};
      }
    }
  return count;
}

// Puts the set's passages back as they were: they are all a re-roll changes.
void restore(Reroll *r) {
  MazeHandle *m = r->maze;
  for (size_t i = 0; i < r->count; ++i) {
    int32_t images[4][2];
    const int n = imagesof(*m, r->mode, r->candidates[i].x, r->candidates[i].y, images);
    for (int k = 0; k < n; ++k) {
      const uint32_t at = positionindex(m, images[k][0], images[k][1], 0);
      if ((r->candidates[i].was >> k) & 1)
        openposition(m->grid, at);
      else
        closeposition(m->grid, at);
    }
  }
}

// The set: the box's cells (or all others), with their images.
bool markset(const MazeHandle &m, Symmetry mode, const Cells &cells, const CellBox &box,
             uint8_t *inset) {
  const int32_t cx0 = box.x0 <= 0 ? 0 : (box.x0 + 1) / 2, cy0 = box.y0 <= 0 ? 0 : (box.y0 + 1) / 2;
  const int32_t cx1 = box.x1 < 0 ? -1 : std::min(cells.columns - 1, box.x1 / 2);
  const int32_t cy1 = box.y1 < 0 ? -1 : std::min(cells.rows - 1, box.y1 / 2);
  if (cx0 > cx1 || cy0 > cy1) return false;
  for (int32_t cy = 0; cy < cells.rows; ++cy)
    for (int32_t cx = 0; cx < cells.columns; ++cx) {
      const bool inbox = cx >= cx0 && cx <= cx1 && cy >= cy0 && cy <= cy1;
      if (inbox == box.outside) continue;
      int32_t images[4][2];
      const int n = imagesof(m, mode, 2 * cx, 2 * cy, images);
      for (int k = 0; k < n; ++k) inset[cells.index(images[k][0], images[k][1])] = 1;
    }
  return true;
}

}  // namespace

bool rerollcells(MazeHandle *maze, Symmetry mode, int32_t loops, const CellBox &box,
                 uint32_t seed) {
  if (maze->zsize != 1 || maze->xsize <= 0 || maze->ysize <= 0) return false;
  const Cells cells = {(maze->xsize + 1) / 2, (maze->ysize + 1) / 2};
  const size_t ncells = size_t(cells.columns) * size_t(cells.rows);
  uint8_t *inset = static_cast<uint8_t *>(calloc(ncells, 1));
  uint32_t *parent = static_cast<uint32_t *>(malloc(ncells * sizeof *parent));
  Candidate *candidates = static_cast<Candidate *>(malloc(2 * ncells * sizeof *candidates));
  bool done = inset != nullptr && parent != nullptr && candidates != nullptr &&
              markset(*maze, mode, cells, box, inset);
  if (done) {
    Reroll r = {maze, mode, cells, inset, parent, candidates, 0};
    r.count = findcandidates(*maze, mode, cells, inset, candidates);
    RandomSource source{seed};
    for (size_t i = 0; i < r.count; ++i) {
      const uint32_t high = nextdraw(&source);
      candidates[i].key = high << 15 | nextdraw(&source);
    }
    // Always one piece: a perfect maze's pieces each have a way to the
    // rest without a circle; only loops can leave pieces that need one.
    done = redraw(&r, loops > 0);
    if (done) done = openloops(maze, mode, loops, &source, inset);
    if (!done) restore(&r);
  }
  free(candidates);
  free(parent);
  free(inset);
  return done;
}
