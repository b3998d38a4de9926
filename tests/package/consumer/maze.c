/*
 * A program of someone else's that uses the installed maze library: prints a
 * 9 x 5 maze as rows of X (open) and O (closed).
 */
#include <quendrel.h>
#include <stdio.h>

int main(void) {
  MazeHandle *maze = _qndcreate(9, 5, 1);
  if (maze == NULL) return 1;
  for (int32_t y = 0; y < 5; y++) {
    for (int32_t x = 0; x < 9; x++) putchar(_qndgetpos(maze, x, y, 0) ? 'X' : 'O');
    putchar('\n');
  }
  _qnddestroy(maze);
  return 0;
}
