#include "plaingenerate.h"

namespace {

struct Step {
  int32_t dx, dy, dz;
};

struct Plain {
  MazeHandle *maze;
  RandomSource *source;
  Step table[6];
  int32_t f;
};

bool getpos(const MazeHandle *m, int32_t x, int32_t y, int32_t z) {
  return isopen(m->grid, positionindex(m, x, y, z));
}

void setpos(MazeHandle *m, int32_t x, int32_t y, int32_t z) {
  openposition(m->grid, positionindex(m, x, y, z));
}

int32_t pick(Plain *p) {
  int32_t r = static_cast<int32_t>(scaledraw(p->f, nextdraw(p->source)));
  return r == p->f ? p->f - 1 : r;
}

bool inside(const MazeHandle *m, int64_t x, int64_t y, int64_t z) {
  return 0 <= x && x < m->xsize && 0 <= y && y < m->ysize && 0 <= z && z < m->zsize;
}

void swapslots(Plain *p, int32_t a, int32_t b) {
  Step t = p->table[a];
  p->table[a] = p->table[b];
  p->table[b] = t;
}

void walk(Plain *p, int32_t x, int32_t y, int32_t z) {
  MazeHandle *m = p->maze;
  setpos(m, x, y, z);
  p->f = 6;
  for (;;) {  // joining step
    int32_t r = pick(p);
    Step d = p->table[r];
    int64_t nx = int64_t(x) + 2 * d.dx, ny = int64_t(y) + 2 * d.dy, nz = int64_t(z) + 2 * d.dz;
    if (inside(m, nx, ny, nz) && getpos(m, int32_t(nx), int32_t(ny), int32_t(nz))) {
      setpos(m, x + d.dx, y + d.dy, z + d.dz);
      swapslots(p, r, 5);
      p->f = 5;
      break;
    }
    swapslots(p, r, p->f - 1);
    p->f--;
  }
  while (p->f > 0) {  // carving walk
    int32_t r = pick(p);
    Step d = p->table[r];
    int64_t nx = int64_t(x) + 2 * d.dx, ny = int64_t(y) + 2 * d.dy, nz = int64_t(z) + 2 * d.dz;
    if (inside(m, nx, ny, nz) && !getpos(m, int32_t(nx), int32_t(ny), int32_t(nz))) {
      setpos(m, x + d.dx, y + d.dy, z + d.dz);
      x = int32_t(nx), y = int32_t(ny), z = int32_t(nz);
      setpos(m, x, y, z);
      p->f = 6;
    } else {
      swapslots(p, r, p->f - 1);
      p->f--;
    }
  }
}

}  // namespace

void plaingeneratemaze(MazeHandle *maze, RandomSource *source) {
  Plain p = {
      maze, source, {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}, 6};
  setpos(maze, 0, 0, 0);
  for (int64_t z = 0; z < maze->zsize; z += 2)
    for (int64_t y = 0; y < maze->ysize; y += 2)
      for (int64_t x = 0; x < maze->xsize; x += 2)
        if (!getpos(maze, int32_t(x), int32_t(y), int32_t(z)))
          walk(&p, int32_t(x), int32_t(y), int32_t(z));
}
