/*
 * Map previews: the tile layer of a map file drawn as an 8-bit palette PNG
 * image, each tile a square of scale x scale pixels in its palette colour.
 */
#ifndef TREVALK_PREVIEW_H
#define TREVALK_PREVIEW_H

#include <stddef.h>
#include <stdint.h>

/*
 * The palette, one row per tile group (tile value / 16). A tile is drawn in
 * its group's colour made darker by `step` on every channel for each step of
 * its variant (tile value % 16), so that the two tiles of a pair and
 * neighbouring tiles of one group stay apart. The last row, whose group is
 * kAnyOtherGroup, covers every group without a row of its own.
 */
const int kAnyOtherGroup = -1;

struct PaletteRow {
  int group;         // a tile group, or kAnyOtherGroup
  const char *kind;  // what the generator puts in that group
  uint8_t rgb[3];    // colour of variant 0
  uint8_t step;      // darkening per variant; 15 * step is below every channel
};

extern const PaletteRow kPalette[];
extern const size_t kPaletteRows;

// Writes the colour of one tile value to rgb.
void tilecolour(uint16_t tile, uint8_t rgb[3]);

// The image's palette: sixteen variants of each group of a palette row, then
// the one colour of every other group.
const unsigned kPaletteColours = 4 * 16 + 1;

// The palette index of a tile value, and the colours of all indexes (3 bytes
// each): index i has the colour of every tile value whose index is i.
uint8_t paletteindex(uint16_t tile);
void palettecolours(uint8_t rgb[3 * kPaletteColours]);

// The colours that mark the players' starts (--starts), player 1 first,
// each a square with a black edge, after the palette's own colours.
const unsigned kStartColours = 8;
extern const uint8_t kStartColour[kStartColours][3];

// The scales a preview may use, and the image width that the default scale
// aims for.
const unsigned kMinScale = 1;
const unsigned kMaxScale = 16;
const uint32_t kDefaultImageWidth = 512;

// The scale for a map `width` tiles wide (at least 1) when none is asked
// for: 1 above kDefaultImageWidth tiles, otherwise the smallest that makes
// the image at least kDefaultImageWidth pixels wide, up to kMaxScale.
unsigned defaultscale(uint32_t width);

// Reads a scale: decimal digits only, with a value from kMinScale to
// kMaxScale. Returns false for anything else.
bool parsescale(const char *text, unsigned *scale);

// What writepreview drew.
struct PreviewResult {
  uint32_t width, height;  // the map, in tiles
  unsigned scale;
  bool replaced;  // written to a regular file (not a device or pipe)
};

/*
 * writepreview: reads the map file `mapfile` and writes its preview to
 * `pngfile` at `scale` (0 for defaultscale). The map's size is the first two
 * words of the last "DIM " section; its tiles are the first width x height
 * words of the last "MTXM" section, or of the last "TILE" section when there
 * is no "MTXM". Only those are kept in memory; the data of every other
 * section is passed over. The image is compressed by `threads` threads (0:
 * one a processor); its bytes do not depend on their number.
 *
 * A regular file, or a name that does not exist yet, is replaced only once
 * the whole image has been written and closed; on any failure it is left as
 * it was and no other file is left behind. Devices and pipes are written in
 * place. An image name that leads to the map itself is refused.
 *
 * With `starts` (starts.h), each start is marked by a square in its
 * player's colour (kStartColour), about three tiles wide and at least seven
 * pixels, over its tile; a start outside the map is refused.
 *
 * Prints nothing on standard output. Reports a failure on standard error as
 * "file: what went wrong", under the map's name for a map that cannot be
 * drawn and under the image's name for an image that cannot be written.
 * Returns true, with *result filled in, only when the whole image was
 * written.
 */
struct Starts;
bool writepreview(const char *mapfile, const char *pngfile, unsigned scale, PreviewResult *result,
                  unsigned threads = 0, const Starts *starts = nullptr);

#endif
