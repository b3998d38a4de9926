#include "layout.h"

MazeLayout mazelayout(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth) {
  MazeLayout layout = {};
  layout.pitch = int64_t(pathwidth) + waterwidth;
  if (layout.pitch == 0) return layout;
  layout.columns = 2 * int64_t(width) / layout.pitch;
  layout.rows = 2 * int64_t(height) / layout.pitch;
  layout.blockrows = pathwidth;
  layout.blockcolumns = pathwidth;
  if (width % 2 != 0) {
    layout.blockcolumns = waterwidth;
    layout.shift = 1;
  } else if (height % 2 != 0) {
    layout.blockrows = waterwidth;
  }
  if (layout.blockrows > 0 && layout.blockcolumns > 0)
    layout.blockpairs = (layout.blockcolumns + 1) / 2;
  else
    layout.blockrows = 0;
  return layout;
}
