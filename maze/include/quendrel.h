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
 * The library is meant to be loaded at run time and its four entry points
 * looked up by these exact names; it exports nothing else.
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

#ifdef __cplusplus
}
#endif

#endif /* QUENDREL_H */
