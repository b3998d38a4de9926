#include "preview.h"

#include "littleendian.h"
#include "outputfile.h"
#include "report.h"
#include "samefile.h"
#include "sectionfile.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <cinttypes>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const PaletteRow kPalette[] = {
    // group           kind               variant 0 colour   step
    {2, "path", {232, 208, 152}, 4},
    {3, "path, partner", {214, 186, 126}, 4},
    {6, "water", {56, 104, 200}, 3},
    {7, "water, partner", {84, 136, 226}, 3},
    {kAnyOtherGroup, "anything else", {128, 128, 128}, 0},
};
const size_t kPaletteRows = sizeof kPalette / sizeof kPalette[0];

void tilecolour(uint16_t tile, uint8_t rgb[3]) {
  const int group = tile >> 4;
  const unsigned variant = tile & 15u;
  const PaletteRow *row = &kPalette[kPaletteRows - 1];
  for (size_t i = 0; i + 1 < kPaletteRows; i++)
    if (kPalette[i].group == group) row = &kPalette[i];
  for (int c = 0; c < 3; c++) rgb[c] = uint8_t(row->rgb[c] - variant * row->step);
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

// Bytes of deflate output that libpng gathers into one chunk, and of the
// file's buffer: large enough that a big image is written in few calls.
const size_t kCompressionBuffer = size_t(1) << 16;

// Checks that the read sections hold a map that can be drawn and finds its
// size and tiles. Reports the first shortcoming under the map's name.
bool findmap(const SectionList *map, const char *mapfile, uint32_t *width, uint32_t *height,
             const uint8_t **tiles) {
  char text[160];
  if (map->head == nullptr) {
    syserrortext(mapfile, "not a map file: it holds no sections");
    return false;
  }
  const Section *dim = lastsection(map, "DIM ");
  if (dim == nullptr) {
    syserrortext(mapfile, "the map has no \"DIM \" section, which gives its size");
    return false;
  }
  if (dim->length < 4) {
    std::snprintf(text, sizeof text,
                  "the \"DIM \" section is too short to give the map's size (%" PRIu32
                  " bytes, 4 needed)",
                  dim->length);
    syserrortext(mapfile, text);
    return false;
  }
  *width = readle16(dim->data);
  *height = readle16(dim->data + 2);
  if (*width == 0 || *height == 0) {
    std::snprintf(text, sizeof text, "the map is %" PRIu32 "x%" PRIu32 " tiles: nothing to draw",
                  *width, *height);
    syserrortext(mapfile, text);
    return false;
  }
  const Section *layer = lastsection(map, "MTXM");
  if (layer == nullptr) layer = lastsection(map, "TILE");
  if (layer == nullptr) {
    syserrortext(mapfile, "the map has no \"MTXM\" or \"TILE\" section, which hold its tiles");
    return false;
  }
  const uint64_t needed = uint64_t(*width) * *height;
  if (layer->length / 2 < needed) {
    std::snprintf(text, sizeof text,
                  "the \"%.4s\" section holds %" PRIu32 " tiles, fewer than the %" PRIu64
                  " of a %" PRIu32 "x%" PRIu32 " map",
                  layer->name, layer->length / 2, needed, *width, *height);
    syserrortext(mapfile, text);
    return false;
  }
  *tiles = layer->data;
  return true;
}

// Reads the map into the section list and reports why it cannot be used.
bool readmap(SectionList *map, const char *mapfile) {
  switch (readsectionfile(mapfile, map, nullptr, nullptr)) {
    case kReadWhole:
      return true;
    case kReadNoFile:
      // The reader returns as soon as the open fails, so errno still
      // tells why.
      syserror(mapfile);
      return false;
    case kReadShort:
      syserrortext(mapfile,
                   "not a readable map file: a section's data ends before its stated length");
      return false;
    case kReadFailed:
      syserrortext(mapfile, "not a readable map file: reading it failed");
      return false;
    case kReadNoMemory:
      break;
  }
  syserrortext(mapfile, "out of memory while reading the map");
  return false;
}

// What the libpng callbacks hand back: the system error of a failed write,
// or libpng's own message.
struct Encoder {
  FILE *file;
  int writeerror;
  char message[128];
  std::jmp_buf failed;
};

[[noreturn]] void encodererror(png_structp png, png_const_charp message) {
  Encoder *encoder = static_cast<Encoder *>(png_get_error_ptr(png));
  std::snprintf(encoder->message, sizeof encoder->message, "%s", message);
  std::longjmp(encoder->failed, 1);
}

void encoderwarning(png_structp, png_const_charp) {}

void encoderwrite(png_structp png, png_bytep data, size_t length) {
  Encoder *encoder = static_cast<Encoder *>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, encoder->file) != length) {
    encoder->writeerror = errno != 0 ? errno : EIO;
    png_error(png, "write failed");
  }
}

void encoderflush(png_structp) {}

// Encodes the image into an open file: each tile row is drawn once into
// `row`, with the colours of every tile value from `colours`, and handed to
// libpng `scale` times. Returns false with the encoder's writeerror or
// message set.
//
// Kept free of objects with destructors, which the jump out of libpng would
// skip.
bool encode(Encoder *encoder, const uint8_t *tiles, uint32_t width, uint32_t height, unsigned scale,
            const uint8_t *colours, uint8_t *row) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, encoder, encodererror, encoderwarning);
  if (png == nullptr) {
    encoder->writeerror = ENOMEM;
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    encoder->writeerror = ENOMEM;
    return false;
  }
  if (setjmp(encoder->failed) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }

  const uint32_t imagewidth = width * scale;
  const uint32_t imageheight = height * scale;
  // libpng's own ceiling of a million pixels a side is below what a large
  // map at a large scale needs.
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_write_fn(png, encoder, encoderwrite, encoderflush);
  png_set_IHDR(png, info, imagewidth, imageheight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Tile maps are large flat areas with noise at the scale of one tile:
  // the fastest deflate level with a single cheap filter packs them well,
  // where trying every filter on every row would cost more than the map
  // took to generate.
  // Deflate is nearly all of the time a large preview takes, so it runs at
  // its fastest level. Neighbouring tiles differ in variant, so at scale 1
  // no filter pays for itself. A scaled tile repeats each pixel row, which
  // the "up" filter turns into zeros: deflate finds those even where a row
  // is longer than its window, and runs of zeros cost it least.
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, scale > 1 ? PNG_FILTER_UP : PNG_FILTER_NONE);
  png_set_compression_buffer_size(png, kCompressionBuffer);
  png_write_info(png, info);

  for (uint32_t y = 0; y < height; y++) {
    const uint8_t *source = tiles + size_t(2) * width * y;
    uint8_t *pixel = row;
    for (uint32_t x = 0; x < width; x++) {
      const uint8_t *rgb = colours + 3 * size_t(readle16(source + 2 * size_t(x)));
      for (unsigned k = 0; k < scale; k++, pixel += 3) {
        pixel[0] = rgb[0];
        pixel[1] = rgb[1];
        pixel[2] = rgb[2];
      }
    }
    for (unsigned k = 0; k < scale; k++) png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Writes the image of width x height tiles to pngfile, safely as described
// for writepreview. Reports failures under the image's name.
bool writepng(const char *pngfile, const uint8_t *tiles, uint32_t width, uint32_t height,
              unsigned scale, bool *replaced) {
  // Looking each tile value's colour up in a table of all 65536 keeps the
  // palette search out of the loop over the pixels.
  uint8_t *colours = static_cast<uint8_t *>(std::malloc(size_t(3) << 16));
  uint8_t *row = static_cast<uint8_t *>(std::malloc(size_t(3) * width * scale));
  if (colours == nullptr || row == nullptr) {
    std::free(colours);
    std::free(row);
    errno = ENOMEM;
    syserror(pngfile);
    return false;
  }
  for (uint32_t tile = 0; tile <= 0xFFFF; tile++) tilecolour(uint16_t(tile), colours + 3 * tile);
  OutputFile out;
  if (!openoutputfile(pngfile, &out, ".trevalk-preview")) {
    syserror(pngfile);
    std::free(colours);
    std::free(row);
    return false;
  }
  *replaced = out.temppath != nullptr;
  std::setvbuf(out.file, nullptr, _IOFBF, kCompressionBuffer);

  Encoder encoder;
  encoder.file = out.file;
  encoder.writeerror = 0;
  encoder.message[0] = '\0';
  errno = 0;
  bool whole = encode(&encoder, tiles, width, height, scale, colours, row);
  std::free(colours);
  std::free(row);
  if (!whole) {
    if (encoder.writeerror != 0)
      syserrortext(pngfile, std::strerror(encoder.writeerror));
    else
      syserrortext(pngfile, encoder.message);
  }
  return commitoutputfile(&out, whole, pngfile, nullptr);
}

}  // namespace

bool writepreview(const char *mapfile, const char *pngfile, unsigned scale, PreviewResult *result) {
  uint32_t width = 0, height = 0;
  const uint8_t *tiles = nullptr;
  bool written = false;
  bool replaced = false;
  if (samefile(mapfile, pngfile)) {
    // Links followed: the image would take the map's place.
    char text[256];
    snprintf(text, sizeof text, "the image would replace the map %s it is drawn from", mapfile);
    syserrortext(pngfile, text);
    return false;
  }
  SectionList map = {nullptr, nullptr};
  if (readmap(&map, mapfile) && findmap(&map, mapfile, &width, &height, &tiles)) {
    if (scale == 0) scale = defaultscale(width);
    written = writepng(pngfile, tiles, width, height, scale, &replaced);
  }
  freesections(&map);
  if (written) {
    result->width = width;
    result->height = height;
    result->scale = scale;
    result->replaced = replaced;
  }
  return written;
}
