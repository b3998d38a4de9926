// The maze record and its bit grid, shared by the entry points and the
// generator. Internal to the library.
#ifndef QUENDREL_MAZEGRID_H
#define QUENDREL_MAZEGRID_H

#include <stdint.h>

// Layout fixed: three signed sizes, then the grid. The grid holds one bit per
// position (x, y, z) at index (z * ysize + y) * xsize + x: bit index % 8 of
// byte index / 8, bit 0 the least significant. A set bit is open.
struct MazeHandle {
  int32_t xsize;
  int32_t ysize;
  int32_t zsize;
  uint8_t *grid;
};

// What the library keeps beside every maze it hands out: the style it was
// made in, which a re-roll keeps to. The handle comes first, so a handle
// from newmaze (entrypoints.cpp) is the record's own address.
struct MazeRecord {
  MazeHandle handle;
  int32_t symmetry;  // QND_SYMMETRY_...
  int32_t loops;     // the share of dead ends opened, 0 to 100
};

inline MazeRecord *recordof(MazeHandle *maze) { return reinterpret_cast<MazeRecord *>(maze); }

// Number of grid positions, or -1 when a size is negative or the product does
// not fit a signed 32-bit integer: the sizes that _qndcreate refuses.
inline int64_t positioncount(int32_t xsize, int32_t ysize, int32_t zsize) {
  if (xsize < 0 || ysize < 0 || zsize < 0) return -1;
  if (xsize == 0 || ysize == 0 || zsize == 0) return 0;
  int64_t count = static_cast<int64_t>(xsize) * ysize;
  if (count > INT32_MAX) return -1;
  count *= zsize;
  return count > INT32_MAX ? -1 : count;
}

// Index arithmetic is unsigned: every index of a valid position fits, and
// nothing outside the grid is ever addressed.
inline uint32_t positionindex(const MazeHandle *maze, int32_t x, int32_t y, int32_t z) {
  return (static_cast<uint32_t>(z) * static_cast<uint32_t>(maze->ysize) +
          static_cast<uint32_t>(y)) *
             static_cast<uint32_t>(maze->xsize) +
         static_cast<uint32_t>(x);
}

inline uint8_t positionmask(uint32_t index) { return static_cast<uint8_t>(1u << (index & 7u)); }

inline bool isopen(const uint8_t *grid, uint32_t index) {
  return (grid[index >> 3] & positionmask(index)) != 0;
}

inline void openposition(uint8_t *grid, uint32_t index) { grid[index >> 3] |= positionmask(index); }

// Only a re-roll closes a position: the passages it draws anew.
inline void closeposition(uint8_t *grid, uint32_t index) {
  grid[index >> 3] &= static_cast<uint8_t>(~positionmask(index));
}

// Position (x, y) of a flat maze, read and opened.
inline bool isopenxy(const MazeHandle *maze, int32_t x, int32_t y) {
  return isopen(maze->grid, positionindex(maze, x, y, 0));
}

inline void openxy(MazeHandle *maze, int32_t x, int32_t y) {
  openposition(maze->grid, positionindex(maze, x, y, 0));
}

#endif
