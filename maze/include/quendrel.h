/*
 * quendrel: random perfect mazes on bit grids of up to three dimensions.
 *
 * A maze is a grid of xsize x ysize x zsize positions, one bit each: a set bit
 * is open (a cell or a passage of the maze), a clear bit is closed (wall).
 * Cells are the positions whose three coordinates are all even; a passage is
 * the position between two cells two apart along one axis. Every maze that
 * _qndcreate returns is perfect: every cell is open and any two cells are
 * joined by exactly one path of open positions.
 *
 * The library is meant to be loaded at run time and its entry points looked
 * up by these exact names; it exports nothing else. _qndcreatestyled came
 * with version 1.2, _qndreroll with 1.4: a program that wants one looks it
 * up and does without when the library it loaded lacks it.
 *
 * Reproducible mazes: when the environment variable QUENDREL_SEED holds a
 * whole decimal number from 0 to 4294967295, every _qndcreate seeds its random
 * source with that number instead of the calendar time in seconds.
 */
#ifndef QUENDREL_H
#define QUENDREL_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(QUENDREL_BUILDING)
#define QND_API __declspec(dllexport)
#else
#define QND_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define QND_API __attribute__((visibility("default")))
#else
#define QND_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A maze; callers hold it only as an opaque pointer. */
typedef struct MazeHandle MazeHandle;

/*
 * _qndcreate: allocates a grid of xsize x ysize x zsize positions and fills it
 * with a new random perfect maze. Sizes of 0 are accepted (the maze then has
 * no cell; the grid is one byte long).
 * Returns the new maze, or NULL when a size is negative, when the product of
 * the sizes does not fit a signed 32-bit integer, or when memory runs out; a
 * NULL result leaves nothing allocated.
 */
QND_API MazeHandle *_qndcreate(int32_t xsize, int32_t ysize, int32_t zsize);

/* Symmetries a styled maze may have; see _qndcreatestyled. */
#define QND_SYMMETRY_NONE 0
#define QND_SYMMETRY_LEFT_RIGHT 1 /* mirrored about the vertical centre line */
#define QND_SYMMETRY_TOP_BOTTOM 2 /* mirrored about the horizontal centre line */
#define QND_SYMMETRY_ROTATE_180 3 /* the same after half a turn about the centre */
#define QND_SYMMETRY_FOUR_WAY 4   /* mirrored about both centre lines */
#define QND_SYMMETRY_ROTATE_90 5  /* the same after a quarter turn about the centre */

/*
 * How _qndcreatestyled shapes a maze. Set `size` to sizeof(QndStyle): the
 * record may grow in later versions, and a library reads only the fields
 * that `size` covers (the others count as 0).
 */
typedef struct QndStyle {
  uint32_t size;
  int32_t symmetry; /* QND_SYMMETRY_... */
  int32_t loops;    /* 0 to 100: the share, in percent, of the maze's dead ends
                       opened into a neighbour; 100 leaves none that has one */
  int32_t straight; /* 0 to 100: how strongly corridors keep their direction;
                       0 walks as _qndcreate does */
  uint32_t seeded;  /* 1: the maze is seeded with `seed` rather than as _qndcreate
                       seeds it (QUENDREL_SEED or the clock); since 1.3.0 */
  uint32_t seed;    /* the seed, 0 to 4294967295, when `seeded` is 1 */
} QndStyle;

/*
 * _qndcreatestyled: as _qndcreate, in a style. A NULL style, or one with
 * every field 0 but `size` (and `seeded` and `seed`), makes the very maze
 * _qndcreate makes from the same seed. Any other style needs zsize 1. A
 * seeded style makes its maze from its own seed whatever the environment
 * says, so that mazes can be made side by side in several threads.
 *
 * With loops 0 the maze is perfect. A perfect maze can be symmetric only
 * about a cell or a passage, so a symmetric maze needs an odd xsize for a
 * left-right mirror, an odd ysize for a top-bottom one, both odd and not both
 * (xsize - 1) / 2 and (ysize - 1) / 2 odd for rotate-180 and four-way, and
 * xsize == ysize, odd, with (xsize - 1) / 2 even for rotate-90. A mirror whose
 * axis runs through a line of cells keeps that line one straight corridor;
 * one whose axis runs between cells is crossed by one passage. Loops are
 * opened in symmetric sets, so the maze stays symmetric.
 *
 * Returns the new maze, or NULL when the sizes are refused (as by
 * _qndcreate, or because they do not allow the symmetry), when the style asks
 * for what this library does not know (a field out of range, or a field past
 * the ones it knows that is not 0), or when memory runs out.
 */
QND_API MazeHandle *_qndcreatestyled(int32_t xsize, int32_t ysize, int32_t zsize,
                                     const QndStyle *style);

/*
 * _qndreroll: draws part of a made maze anew; since 1.4.0. The part is the
 * set of cells whose positions lie in the rectangle x0..x1, y0..y1 (both
 * ends included; what lies outside the grid is ignored), or, with `keep`
 * non-zero, every cell outside it. Every passage between two cells of the
 * set, and between the set and the rest of the maze, is drawn anew from
 * `seed`; nothing else changes. A perfect maze stays perfect, a maze made
 * with loops gets loops in the set at its share, and a symmetric maze
 * re-rolls the set's images with it and stays symmetric. The result depends
 * only on the maze, the set and the seed: the same call twice changes
 * nothing the second time. It is the one entry point that closes
 * positions: the passages it draws anew.
 * Returns 1 when done; 0, with the maze unchanged, for a NULL maze, one
 * whose zsize is not 1, a rectangle that holds none of its cells, or memory
 * that runs out.
 */
QND_API int32_t _qndreroll(MazeHandle *maze, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                           int32_t keep, uint32_t seed);

/*
 * _qndgetpos: reads one position of the grid.
 * Returns 0 when the position is closed; otherwise the position's bit mask
 * within its grid byte (1, 2, 4, ... or 128), so test the result for zero,
 * never against 1.
 * The caller passes a live maze and coordinates inside it; nothing is tested.
 */
QND_API uint8_t _qndgetpos(MazeHandle *maze, int32_t x, int32_t y, int32_t z);

/*
 * _qndsetpos: opens one position of the grid (an open position stays open).
 * Returns the new value of the grid byte that holds the position.
 * The caller passes a live maze and coordinates inside it; nothing is tested.
 */
QND_API uint8_t _qndsetpos(MazeHandle *maze, int32_t x, int32_t y, int32_t z);

/*
 * _qnddestroy: releases a maze and its grid; the handle is invalid afterwards.
 * NULL is accepted and does nothing.
 */
QND_API void _qnddestroy(MazeHandle *maze);

/* The entry points' types, for callers that look them up at run time. */
typedef MazeHandle *(*qndcreate_fn)(int32_t, int32_t, int32_t);
typedef uint8_t (*qndgetpos_fn)(MazeHandle *, int32_t, int32_t, int32_t);
typedef uint8_t (*qndsetpos_fn)(MazeHandle *, int32_t, int32_t, int32_t);
typedef void (*qnddestroy_fn)(MazeHandle *);
typedef MazeHandle *(*qndcreatestyled_fn)(int32_t, int32_t, int32_t, const QndStyle *);
typedef int32_t (*qndreroll_fn)(MazeHandle *, int32_t, int32_t, int32_t, int32_t, int32_t,
                                uint32_t);

#ifdef __cplusplus
}
#endif

#endif /* QUENDREL_H */
