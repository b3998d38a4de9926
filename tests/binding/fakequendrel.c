/*
 * A stand-in for the maze library, for the binding's tests. Built once per
 * variant; each QNDFAKE_WITHOUT_* definition leaves one entry point out. The
 * entry points answer with fixed values so a test can tell that a call went
 * to this library.
 */
#define QUENDREL_BUILDING
#include "quendrel.h"

#include "fakequendrel.h"

#ifndef QNDFAKE_WITHOUT_CREATE
static int fakemaze;

QND_API MazeHandle *_qndcreate(int32_t xsize, int32_t ysize, int32_t zsize) {
  (void)xsize;
  (void)ysize;
  (void)zsize;
  return (MazeHandle *)&fakemaze;
}
#endif

#ifndef QNDFAKE_WITHOUT_GETPOS
QND_API uint8_t _qndgetpos(MazeHandle *maze, int32_t x, int32_t y, int32_t z) {
  (void)maze;
  (void)x;
  (void)y;
  (void)z;
  return QNDFAKE_GETPOS_ANSWER;
}
#endif

#ifndef QNDFAKE_WITHOUT_SETPOS
QND_API uint8_t _qndsetpos(MazeHandle *maze, int32_t x, int32_t y, int32_t z) {
  (void)maze;
  (void)x;
  (void)y;
  (void)z;
  return QNDFAKE_SETPOS_ANSWER;
}
#endif

#ifndef QNDFAKE_WITHOUT_DESTROY
QND_API void _qnddestroy(MazeHandle *maze) { (void)maze; }
#endif

#ifdef QNDFAKE_ANNOUNCE
#include <stdio.h>

/* Says so the moment it is loaded, so a test sees a load it must not see. */
__attribute__((constructor)) static void announce(void) {
  fputs("a maze library from the current folder was loaded\n", stderr);
}
#endif
