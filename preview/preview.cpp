#include "preview.h"

#include <errno.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "files.h"
#include "littleendian.h"
#include "outputfile.h"
#include "pngencoder.h"
#include "progress.h"
#include "report.h"
#include "sectionfile.h"
#include "starts.h"
#include "tilegroups.h"

const PaletteRow kPalette[] = {
    // group           kind               variant 0 colour   step
    {kPathGroup, "path", {232, 208, 152}, 4},
    {kPathPartnerGroup, "path, partner", {214, 186, 126}, 4},
    {kWaterGroup, "water", {56, 104, 200}, 3},
    {kWaterPartnerGroup, "water, partner", {84, 136, 226}, 3},
    {kAnyOtherGroup, "anything else", {128, 128, 128}, 0},
};
const size_t kPaletteRows = sizeof kPalette / sizeof kPalette[0];

const uint8_t kStartColour[kStartColours][3] = {
    {220, 38, 38}, {22, 163, 74},  {147, 51, 234}, {234, 88, 12},
    {8, 145, 178}, {219, 39, 119}, {250, 204, 21}, {255, 255, 255},
};
static_assert(sizeof kPalette / sizeof kPalette[0] == (kPaletteColours - 1) / 16 + 1,
              "every row but the last has sixteen variants in the palette");

void tilecolour(uint16_t tile, uint8_t rgb[3]) {
  const int group = groupof(tile);
  const unsigned variant = variantof(tile);
  const PaletteRow *row = &kPalette[kPaletteRows - 1];
  for (size_t i = 0; i + 1 < kPaletteRows; i++)
    if (kPalette[i].group == group) row = &kPalette[i];
  for (int c = 0; c < 3; c++) rgb[c] = uint8_t(row->rgb[c] - variant * row->step);
}

uint8_t paletteindex(uint16_t tile) {
  const int group = groupof(tile);
  for (size_t i = 0; i + 1 < kPaletteRows; i++)
    if (kPalette[i].group == group) return uint8_t(i * kVariantsPerGroup + variantof(tile));
  return uint8_t(kPaletteColours - 1);
}

void palettecolours(uint8_t rgb[3 * kPaletteColours]) {
  for (size_t i = 0; i + 1 < kPaletteRows; i++)
    for (unsigned variant = 0; variant < kVariantsPerGroup; variant++)
      tilecolour(uint16_t(firsttileof(kPalette[i].group) + variant),
                 rgb + 3 * (i * kVariantsPerGroup + variant));
  tilecolour(0, rgb + 3 * (kPaletteColours - 1));
}

unsigned defaultscale(uint32_t width) {
  if (width == 0 || width > kDefaultImageWidth) return kMinScale;
  unsigned scale = unsigned((kDefaultImageWidth + width - 1) / width);
  return scale < kMaxScale ? scale : kMaxScale;
}

bool parsescale(const char *text, unsigned *scale) {
  unsigned value = 0;
  if (text[0] == '\0') return false;
  for (const char *c = text; *c != '\0'; c++) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + unsigned(*c - '0');
    // Stops before a long run of digits could wrap around.
    if (value > kMaxScale) return false;
  }
  if (value < kMinScale) return false;
  *scale = value;
  return true;
}

namespace {

// What the preview keeps of a map: every section's header, and the data of
// the last "DIM " and of the one tile section it draws, the last "MTXM" or,
// when there is none, the last "TILE". The data of every other section is
// passed over, so memory holds one tile layer at most. A regular file is
// read twice: its headers first, to find the layer, then that layer alone;
// a pipe is read once, and a layer is dropped when a later one comes.
struct MapRead {
  SectionList sections = {nullptr, nullptr};
  Section *dim = nullptr;
  Section *layer = nullptr;
  bool mtxm = false;             // an "MTXM" came: "TILE" sections no longer count
  uint64_t ordinal = 0;          // of the section being read, from 0
  bool scanning = false;         // the first of two readings: headers only
  uint64_t chosen = UINT64_MAX;  // the second of two readings: the ordinal of the layer
};

void dropdata(Section *section) {
  if (section == nullptr) return;
  free(section->data);
  section->data = nullptr;
}

// True for a section that is the layer as far as the map has been read.
bool islayer(const Section *section, const MapRead &map) {
  return memcmp(section->name, "MTXM", 4) == 0 ||
         (memcmp(section->name, "TILE", 4) == 0 && !map.mtxm);
}

bool wanted(const Section *section, void *context) {
  MapRead *map = static_cast<MapRead *>(context);
  const uint64_t ordinal = map->ordinal;
  if (map->scanning) return false;
  if (memcmp(section->name, "DIM ", 4) == 0) {
    // Only the last "DIM " counts.
    dropdata(map->dim);
    return true;
  }
  if (map->chosen != UINT64_MAX) return ordinal == map->chosen;
  if (!islayer(section, *map)) return false;
  // A later layer is drawn instead of the former one.
  dropdata(map->layer);
  map->layer = nullptr;
  return true;
}

void remember(Section *section, size_t, const SystemError *failure, void *context) {
  MapRead *map = static_cast<MapRead *>(context);
  if (failure != nullptr) reportfailure("fread", *failure);
  if (memcmp(section->name, "DIM ", 4) == 0) map->dim = section;
  if (islayer(section, *map)) {
    if (memcmp(section->name, "MTXM", 4) == 0) map->mtxm = true;
    map->layer = section;
    if (map->scanning) map->chosen = map->ordinal;
  }
  map->ordinal++;
}

// Checks that the read map can be drawn and finds its size and tiles.
// Reports the first shortcoming under the map's name.
bool findmap(const MapRead &map, const char *mapfile, uint32_t *width, uint32_t *height,
             const uint8_t **tiles) {
  char text[160];
  if (map.sections.head == nullptr) {
    syserrortext(mapfile, "not a map file: it holds no sections");
    return false;
  }
  const Section *dim = map.dim;
  if (dim == nullptr) {
    syserrortext(mapfile, "the map has no \"DIM \" section, which gives its size");
    return false;
  }
  if (dim->length < 4) {
    snprintf(text, sizeof text,
             "the \"DIM \" section is too short to give the map's size (%" PRIu32
             " bytes, 4 needed)",
             dim->length);
    syserrortext(mapfile, text);
    return false;
  }
  *width = readle16(dim->data);
  *height = readle16(dim->data + 2);
  if (*width == 0 || *height == 0) {
    snprintf(text, sizeof text, "the map is %" PRIu32 "x%" PRIu32 " tiles: nothing to draw", *width,
             *height);
    syserrortext(mapfile, text);
    return false;
  }
  const Section *layer = map.layer;
  if (layer == nullptr) {
    syserrortext(mapfile, "the map has no \"MTXM\" or \"TILE\" section, which hold its tiles");
    return false;
  }
  const uint64_t needed = uint64_t(*width) * *height;
  if (layer->length / 2 < needed) {
    snprintf(text, sizeof text,
             "the \"%.4s\" section holds %" PRIu32 " tiles, fewer than the %" PRIu64
             " of a %" PRIu32 "x%" PRIu32 " map",
             layer->name, layer->length / 2, needed, *width, *height);
    syserrortext(mapfile, text);
    return false;
  }
  if (layer->data == nullptr) {
    // The headers of a regular file are read first and the layer then: a
    // file replaced in between leaves the layer that was chosen unread.
    syserrortext(mapfile, "the map changed while it was being read");
    return false;
  }
  *tiles = layer->data;
  return true;
}

// Reads the map into `map`, fresh as constructed, and reports why it cannot
// be used.
bool readmap(MapRead *map, const char *mapfile) {
  ReadStatus status = kReadWhole;
  SystemError error = noerror();
  if (isregularfile(mapfile)) {
    MapRead scan;
    scan.scanning = true;
    status = readsectionfile(mapfile, &scan.sections, wanted, remember, &scan, &error);
    freesections(&scan.sections);
    map->chosen = scan.chosen;
  }
  if (status == kReadWhole)
    status = readsectionfile(mapfile, &map->sections, wanted, remember, map, &error);
  if (status == kReadWhole) return true;
  if (status == kReadNoFile) {
    reportfailure(mapfile, error);
    return false;
  }
  if (failed(error)) reportfailure("fread", error);
  syserrortext(mapfile,
               status == kReadShort
                   ? "not a readable map file: a section's data ends before its stated length"
               : status == kReadFailed ? "not a readable map file: reading it failed"
                                       : "out of memory while reading the map");
  return false;
}

// True when the report is of a map of this size and every start lies on
// the map; reports the first that does not.
bool startsinside(const Starts *starts, const char *mapfile, uint32_t width, uint32_t height) {
  if (starts != nullptr && starts->sized && (starts->width != width || starts->height != height)) {
    char text[160];
    snprintf(text, sizeof text,
             "the report is of a %" PRIu32 "x%" PRIu32 " map, not of this %" PRIu32 "x%" PRIu32
             " one",
             starts->width, starts->height, width, height);
    syserrortext(mapfile, text);
    return false;
  }
  for (int k = 0; starts != nullptr && k < starts->count; ++k) {
    const int64_t x = starts->tile[k][0], y = starts->tile[k][1];
    if (x >= 0 && y >= 0 && x < width && y < height) continue;
    char text[160];
    snprintf(text, sizeof text,
             "start %d of the report lies at %" PRId64 ",%" PRId64 ", outside the %" PRIu32
             "x%" PRIu32 " map",
             k + 1, x, y, width, height);
    syserrortext(mapfile, text);
    return false;
  }
  return true;
}

// Writes the image of width x height tiles to pngfile, safely as described
// for writepreview. Reports failures under the image's name.
bool writepng(const char *pngfile, const uint8_t *tiles, uint32_t width, uint32_t height,
              unsigned scale, unsigned threads, const Starts *starts, bool *replaced) {
  // Looking each tile value's palette index up in a table of all 65536
  // keeps the palette search out of the loop over the pixels.
  uint8_t *indexes = static_cast<uint8_t *>(malloc(size_t(1) << 16));
  if (indexes == nullptr) {
    errno = ENOMEM;
    syserror(pngfile);
    return false;
  }
  for (uint32_t tile = 0; tile <= 0xFFFF; tile++) indexes[tile] = paletteindex(uint16_t(tile));
  uint8_t palette[3 * (kPaletteColours + kStartColours + 1)];
  palettecolours(palette);
  unsigned colours = kPaletteColours;
  Mark marks[kMostStarts];
  int markcount = 0;
  if (starts != nullptr) {
    // The players' colours, then the edges' black.
    memcpy(palette + 3 * colours, kStartColour, sizeof kStartColour);
    colours += kStartColours;
    memset(palette + 3 * colours, 0, 3);
    const uint8_t edge = uint8_t(colours++);
    const int64_t side = 3 * int64_t(scale) > 7 ? 3 * int64_t(scale) : 7;
    const int64_t across = int64_t(width) * scale, down = int64_t(height) * scale;
    for (int k = 0; k < starts->count; ++k) {
      const int64_t x = starts->tile[k][0] * scale + scale / 2 - side / 2;
      const int64_t y = starts->tile[k][1] * scale + scale / 2 - side / 2;
      marks[markcount++] = {uint32_t(x > 0 ? x : 0),
                            uint32_t(y > 0 ? y : 0),
                            uint32_t(x + side < across ? x + side : across),
                            uint32_t(y + side < down ? y + side : down),
                            uint8_t(kPaletteColours + k % kStartColours),
                            edge};
      reportplayercolour(k, kStartColour[k % kStartColours]);
    }
  }
  OutputFile out;
  SystemError error;
  if (!openoutputfile(pngfile, &out, ".trevalk-preview", &error)) {
    reportfailure(pngfile, error);
    free(indexes);
    return false;
  }
  *replaced = out.temppath != nullptr;
  const TileImage image = {tiles, width, height, scale, indexes, marks, markcount};
  errno = 0;
  const int writeerror = writetilepng(out.file, image, palette, colours, threads);
  free(indexes);
  if (writeerror != 0) syserrortext(pngfile, strerror(writeerror));
  switch (commitoutputfile(&out, writeerror == 0, &error)) {
    case kCommitted:
      return true;
    case kCommitAbandoned:
      return false;
    case kCommitCloseFailed:
      // Only the first failure is reported.
      if (writeerror == 0) reportfailure(pngfile, error);
      return false;
    case kCommitReplaceFailed:
      reportfailure(pngfile, error);
      return false;
  }
  return false;
}

}  // namespace

bool writepreview(const char *mapfile, const char *pngfile, unsigned scale, PreviewResult *result,
                  unsigned threads, const Starts *starts) {
  if (samefile(mapfile, pngfile)) {
    // Links followed: the image would take the map's place.
    char text[256];
    snprintf(text, sizeof text, "the image would replace the map %s it is drawn from", mapfile);
    syserrortext(pngfile, text);
    return false;
  }
  uint32_t width = 0, height = 0;
  const uint8_t *tiles = nullptr;
  bool written = false;
  bool replaced = false;
  MapRead map;
  if (readmap(&map, mapfile) && findmap(map, mapfile, &width, &height, &tiles)) {
    if (scale == 0) scale = defaultscale(width);
    written = startsinside(starts, mapfile, width, height) &&
              writepng(pngfile, tiles, width, height, scale, threads, starts, &replaced);
  }
  freesections(&map.sections);
  if (written) {
    result->width = width;
    result->height = height;
    result->scale = scale;
    result->replaced = replaced;
  }
  return written;
}
