#include "preview.h"

#include "pngencoder.h"
#include "starts.h"
#include "testfiles.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

std::string dim(unsigned width, unsigned height) {
  // The generator's "DIM " has more words after the size.
  return sectionbytes("DIM ", le16(width) + le16(height) + le16(7));
}

// Tile values from every kind of group: water, path, and others, with all
// variants, in an order that repeats neither by row nor by column.
std::vector<uint16_t> sampletiles(size_t count) {
  static const uint16_t groups[] = {6, 7, 2, 3, 6, 7, 0, 1, 4, 9, 255, 4095};
  std::vector<uint16_t> tiles(count);
  uint32_t state = 12345;
  for (size_t i = 0; i < count; i++) {
    state = state * 1103515245u + 12345u;
    unsigned group = groups[(state >> 16) % (sizeof groups / sizeof groups[0])];
    tiles[i] = uint16_t(group << 4 | ((state >> 24) & 15));
  }
  return tiles;
}

uint32_t be32(const std::string &bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
         uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]));
}

struct Image {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;  // 3 bytes a pixel, row by row
};

// Decodes a PNG file with libpng, after checking from its header that it is
// stored as 8-bit RGB without interlacing.
bool decodepng(const std::string &path, Image *image) {
  std::string bytes = readwhole(path);
  const unsigned char signature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
  if (bytes.size() < 33 || std::memcmp(bytes.data(), signature, 8) != 0 ||
      bytes.compare(12, 4, "IHDR") != 0) {
    ADD_FAILURE() << path << " does not start like a PNG file";
    return false;
  }
  EXPECT_EQ(int(uint8_t(bytes[24])), 8) << "bit depth";
  EXPECT_EQ(int(uint8_t(bytes[25])), PNG_COLOR_TYPE_PALETTE) << "colour type";
  EXPECT_EQ(int(uint8_t(bytes[28])), PNG_INTERLACE_NONE) << "interlace method";

  png_image decoded;
  std::memset(&decoded, 0, sizeof decoded);
  decoded.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&decoded, bytes.data(), bytes.size())) {
    ADD_FAILURE() << path << ": " << decoded.message;
    return false;
  }
  EXPECT_EQ(be32(bytes, 16), decoded.width);
  EXPECT_EQ(be32(bytes, 20), decoded.height);
  decoded.format = PNG_FORMAT_RGB;
  image->width = decoded.width;
  image->height = decoded.height;
  image->rgb.assign(PNG_IMAGE_SIZE(decoded), 0);
  if (!png_image_finish_read(&decoded, nullptr, image->rgb.data(), 0, nullptr)) {
    ADD_FAILURE() << path << ": " << decoded.message;
    png_image_free(&decoded);
    return false;
  }
  return true;
}

// The colour the README's table gives a tile: its group's colour of
// variant 0, made darker by the group's step on every channel for each
// variant; one grey for every group without a row.
void documentedcolour(uint16_t tile, uint8_t rgb[3]) {
  static const struct {
    unsigned group;
    uint8_t rgb[3];
    uint8_t step;
  } kTable[] = {
      {2, {0xE8, 0xD0, 0x98}, 4},  // path
      {3, {0xD6, 0xBA, 0x7E}, 4},  // path, pair partner
      {6, {0x38, 0x68, 0xC8}, 3},  // water
      {7, {0x54, 0x88, 0xE2}, 3},  // water, pair partner
  };
  rgb[0] = rgb[1] = rgb[2] = 0x80;
  for (const auto &row : kTable)
    if (tile / 16u == row.group)
      for (int c = 0; c < 3; c++) rgb[c] = uint8_t(row.rgb[c] - tile % 16u * row.step);
}

// Compares every pixel with the colour of the tile it lies in.
void expectpixels(const Image &image, const std::vector<uint16_t> &tiles, uint32_t width,
                  uint32_t height, unsigned scale) {
  ASSERT_EQ(image.width, width * scale);
  ASSERT_EQ(image.height, height * scale);
  size_t wrong = 0;
  for (uint32_t y = 0; y < image.height; y++) {
    for (uint32_t x = 0; x < image.width; x++) {
      uint16_t tile = tiles[size_t(y / scale) * width + x / scale];
      uint8_t want[3];
      documentedcolour(tile, want);
      const uint8_t *got = &image.rgb[(size_t(y) * image.width + x) * 3];
      if (std::memcmp(got, want, 3) != 0 && ++wrong <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " of tile " << tile << " is " << int(got[0])
                      << "," << int(got[1]) << "," << int(got[2]) << ", not " << int(want[0]) << ","
                      << int(want[1]) << "," << int(want[2]);
    }
  }
  EXPECT_EQ(wrong, 0u);
}

class Preview : public testing::Test {
 protected:
  void SetUp() override {
    mappath = temp.path("map.dat");
    pngpath = temp.path("map.png");
  }

  void writemap(const std::string &bytes) { writefile(mappath, bytes); }

  void writefile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    ASSERT_TRUE(out.good());
  }

  std::set<std::string> folderfiles() {
    std::vector<std::string> names = temp.entries();
    return std::set<std::string>(names.begin(), names.end());
  }

  // Runs writepreview and returns what it printed on standard error.
  std::string preview(unsigned scale, bool *written, PreviewResult *result = nullptr) {
    PreviewResult local;
    CaptureStdout();
    CaptureStderr();
    *written =
        writepreview(mappath.c_str(), pngpath.c_str(), scale, result != nullptr ? result : &local);
    std::string errors = GetCapturedStderr();
    EXPECT_EQ(GetCapturedStdout(), "");
    return errors;
  }

  // The map is drawn at scale 1 without a report, and the image shows
  // exactly these tiles as a width x height map.
  void expectdrawn(const std::vector<uint16_t> &tiles, uint32_t width, uint32_t height) {
    bool written = false;
    EXPECT_EQ(preview(1, &written), "");
    ASSERT_TRUE(written);
    Image image;
    ASSERT_TRUE(decodepng(pngpath, &image));
    expectpixels(image, tiles, width, height, 1);
  }

  // A map that cannot be drawn gives exactly this report under the map's
  // name and leaves nothing beside the map.
  void expectrefused(const std::string &report) {
    bool written = true;
    std::string errors = preview(0, &written);
    EXPECT_FALSE(written);
    EXPECT_EQ(errors, report);
    EXPECT_EQ(folderfiles(), std::set<std::string>{"map.dat"});
  }

  TempFolder temp;
  std::string mappath, pngpath;
};

TEST(PreviewPalette, WaterIsBluePathIsSandAnythingElseIsOneGrey) {
  for (unsigned variant = 0; variant < 16; variant++) {
    uint8_t c[3];
    for (unsigned group : {6u, 7u}) {
      tilecolour(uint16_t(group * 16 + variant), c);
      EXPECT_TRUE(c[2] > c[1] && c[1] > c[0]) << "water group " << group << " variant " << variant;
    }
    for (unsigned group : {2u, 3u}) {
      tilecolour(uint16_t(group * 16 + variant), c);
      EXPECT_TRUE(c[0] > c[1] && c[1] > c[2]) << "path group " << group << " variant " << variant;
    }
    for (unsigned group : {0u, 1u, 4u, 5u, 8u, 100u, 4095u}) {
      tilecolour(uint16_t(group * 16 + variant), c);
      EXPECT_EQ(c[0], 128);
      EXPECT_EQ(c[1], 128);
      EXPECT_EQ(c[2], 128);
    }
  }
}

TEST(PreviewPalette, VariantsAndPairPartnersAllLookDifferent) {
  std::set<std::vector<uint8_t>> seen;
  for (unsigned group : {2u, 3u, 6u, 7u}) {
    for (unsigned variant = 0; variant < 16; variant++) {
      uint8_t c[3];
      tilecolour(uint16_t(group * 16 + variant), c);
      EXPECT_TRUE(seen.insert({c[0], c[1], c[2]}).second)
          << "group " << group << " variant " << variant << " repeats a colour";
    }
  }
}

TEST(PreviewPalette, EveryTileValueHasItsDocumentedColourInTheImagesPalette) {
  uint8_t palette[3 * kPaletteColours];
  palettecolours(palette);
  size_t wrong = 0;
  for (uint32_t tile = 0; tile <= 0xFFFF; tile++) {
    uint8_t want[3], got[3];
    documentedcolour(uint16_t(tile), want);
    tilecolour(uint16_t(tile), got);
    const unsigned index = paletteindex(uint16_t(tile));
    const bool indexed = index < kPaletteColours && std::memcmp(&palette[3 * index], want, 3) == 0;
    if ((std::memcmp(got, want, 3) != 0 || !indexed) && ++wrong <= 5)
      ADD_FAILURE() << "tile " << tile << " is " << int(got[0]) << "," << int(got[1]) << ","
                    << int(got[2]) << " at palette index " << index << ", not " << int(want[0])
                    << "," << int(want[1]) << "," << int(want[2]);
  }
  EXPECT_EQ(wrong, 0u);
}

TEST(PreviewScale, DefaultReachesHalfAThousandPixelsUpToSixteen) {
  EXPECT_EQ(defaultscale(1), 16u);
  EXPECT_EQ(defaultscale(31), 16u);
  EXPECT_EQ(defaultscale(32), 16u);
  EXPECT_EQ(defaultscale(33), 16u);
  EXPECT_EQ(defaultscale(34), 16u);
  EXPECT_EQ(defaultscale(35), 15u);
  EXPECT_EQ(defaultscale(64), 8u);
  EXPECT_EQ(defaultscale(100), 6u);
  EXPECT_EQ(defaultscale(256), 2u);
  EXPECT_EQ(defaultscale(257), 2u);
  EXPECT_EQ(defaultscale(511), 2u);
  EXPECT_EQ(defaultscale(512), 1u);
  EXPECT_EQ(defaultscale(513), 1u);
  EXPECT_EQ(defaultscale(65535), 1u);
}

TEST(PreviewScale, OnlyWholeNumbersFromOneToSixteen) {
  unsigned scale = 99;
  EXPECT_TRUE(parsescale("1", &scale));
  EXPECT_EQ(scale, 1u);
  EXPECT_TRUE(parsescale("16", &scale));
  EXPECT_EQ(scale, 16u);
  EXPECT_TRUE(parsescale("07", &scale));
  EXPECT_EQ(scale, 7u);
  scale = 99;
  for (const char *text :
       {"", "0", "17", "100", "-1", "+2", " 2", "2 ", "2x", "3.0", "0x4", "99999999999999999999"})
    EXPECT_FALSE(parsescale(text, &scale)) << '"' << text << '"';
  EXPECT_EQ(scale, 99u);
}

TEST_F(Preview, EveryPixelHasItsTileColourForEachShapeAndScale) {
  struct Shape {
    uint32_t width, height;
    unsigned scale;  // 0: the default
    unsigned expectedscale;
  };
  const Shape shapes[] = {
      {1, 1, 1, 1},   {1, 1, 0, 16},  {7, 3, 1, 1},   {7, 3, 0, 16}, {3, 7, 2, 2},
      {5, 5, 3, 3},   {8, 8, 16, 16}, {9, 1, 5, 5},   {1, 9, 4, 4},  {64, 48, 0, 8},
      {63, 65, 0, 9}, {513, 3, 0, 1}, {600, 2, 2, 2},
  };
  for (const Shape &shape : shapes) {
    SCOPED_TRACE(testing::Message()
                 << shape.width << "x" << shape.height << " scale " << shape.scale);
    std::vector<uint16_t> tiles = sampletiles(size_t(shape.width) * shape.height);
    writemap(dim(shape.width, shape.height) + sectionbytes("MTXM", words(tiles)));
    bool written = false;
    PreviewResult result;
    EXPECT_EQ(preview(shape.scale, &written, &result), "");
    ASSERT_TRUE(written);
    EXPECT_EQ(result.width, shape.width);
    EXPECT_EQ(result.height, shape.height);
    EXPECT_EQ(result.scale, shape.expectedscale);
    EXPECT_TRUE(result.replaced);
    Image image;
    ASSERT_TRUE(decodepng(pngpath, &image));
    expectpixels(image, tiles, shape.width, shape.height, shape.expectedscale);
    EXPECT_EQ(folderfiles(), (std::set<std::string>{"map.dat", "map.png"}));
  }
}

TEST_F(Preview, ImageWiderThanLibpngsDefaultLimitIsWritten) {
  // 65535 tiles at scale 16 are over a million pixels wide, past the
  // ceiling that libpng puts on both reading and writing unless told
  // otherwise; the reader here is told otherwise.
  const uint32_t width = 65535;
  std::vector<uint16_t> tiles = sampletiles(width);
  writemap(dim(width, 1) + sectionbytes("MTXM", words(tiles)));
  bool written = false;
  EXPECT_EQ(preview(16, &written), "");
  ASSERT_TRUE(written);

  FILE *file = std::fopen(pngpath.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> row(size_t(3) * width * 16);
  // Changed after setjmp and read after a jump back to it.
  volatile size_t wrong = 0;
  volatile uint32_t rows = 0;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_read_info(png, info);
    png_set_palette_to_rgb(png);
    EXPECT_EQ(png_get_image_width(png, info), width * 16);
    EXPECT_EQ(png_get_image_height(png, info), 16u);
    for (; rows < png_get_image_height(png, info); rows = rows + 1) {
      png_read_row(png, row.data(), nullptr);
      for (uint32_t x = 0; x < width * 16; x++) {
        uint8_t want[3];
        documentedcolour(tiles[x / 16], want);
        if (std::memcmp(&row[size_t(3) * x], want, 3) != 0) wrong = wrong + 1;
      }
    }
  } else {
    ADD_FAILURE() << "libpng could not read " << pngpath;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  EXPECT_EQ(uint32_t(rows), 16u);
  EXPECT_EQ(size_t(wrong), 0u);
}

// The manual page: a report lists at most 8 starts; each is marked with a
// square about three tiles wide, at least 7 pixels, in its player's colour
// (red, green, ...) with a black edge.
TEST_F(Preview, StartsAreSquaresInThePlayersColoursWithABlackEdge) {
  const std::string report = temp.path("report.json");
  Starts starts;
  SystemError error;
  std::string pairs = "[0, 0]";
  for (int count = 1; count <= 9; count++, pairs += ", [1, 1]") {
    writefile(report, "{\"starts\": [" + pairs + "]}");
    EXPECT_EQ(readstarts(report.c_str(), &starts, &error), count <= 8) << count << " starts";
  }
  // At scale 2 the squares are 7 pixels wide, so they end inside a tile.
  writefile(report, "{\"starts\": [[2, 2], [7, 6]]}");
  ASSERT_TRUE(readstarts(report.c_str(), &starts, &error));
  const uint32_t side = 10;
  const std::vector<uint16_t> tiles = sampletiles(side * side);
  writemap(dim(side, side) + sectionbytes("MTXM", words(tiles)));
  PreviewResult result;
  CaptureStderr();
  EXPECT_TRUE(writepreview(mappath.c_str(), pngpath.c_str(), 2, &result, 1, &starts));
  EXPECT_EQ(GetCapturedStderr(), "");
  Image image;
  ASSERT_TRUE(decodepng(pngpath, &image));
  ASSERT_EQ(image.width * image.height, 4 * side * side);
  auto pixel = [&](int64_t x, int64_t y) { return &image.rgb[size_t(y * image.width + x) * 3]; };
  size_t wrong = 0;
  for (int64_t y = 0; y < image.height; y++) {
    for (int64_t x = 0; x < image.width; x++) {
      uint8_t want[3];
      documentedcolour(tiles[size_t(y / 2 * side + x / 2)], want);
      for (int k = 0; k < starts.count; k++) {
        // Centred on the tile's second pixel.
        const int64_t cx = 2 * starts.tile[k][0] + 1, cy = 2 * starts.tile[k][1] + 1;
        if (std::abs(x - cx) > 3 || std::abs(y - cy) > 3) continue;
        const bool edge = std::abs(x - cx) == 3 || std::abs(y - cy) == 3;
        if (edge)
          std::memset(want, 0, 3);
        else
          std::memcpy(want, pixel(cx, cy), 3);
      }
      wrong += std::memcmp(pixel(x, y), want, 3) != 0;
    }
  }
  EXPECT_EQ(wrong, 0u);
  const uint8_t *red = pixel(5, 5), *green = pixel(15, 13);
  EXPECT_TRUE(red[0] > 2 * red[1] && red[0] > 2 * red[2]);
  EXPECT_TRUE(green[1] > 2 * green[0] && green[1] > 2 * green[2]);
}

// A report is read whole, as JSON: only the top-level object's own
// "starts" and "arguments" count, and anything else is refused (README).
TEST(Starts, OnlyAWholeReportsOwnMembersCount) {
  struct Row {
    std::string text;
    bool read;
  };
  const Row rows[] = {
      {R"({"version": "1", "arguments": [65600, 40, 4, 2, 2], "starts": [[1, 2], [3, 4]]})", true},
      {"  {\"starts\": []}\n", true},
      {R"({"starts": [[1, 1]], "starts": [[5, 5]]})", false},
      {R"({"report": {"starts": [[1, 1]]}})", false},
      {R"({"\"starts": [[1, 1]]})", false},
      {R"({"starts": [[1, 1]]} trailing garbage)", false},
      {R"({"starts": [[1, 1]])", false},
      {R"({"starts": [[1, 1]], "x": {"a": 1, "a": 2}})", false},
      {R"([{"starts": [[1, 1]]}])", false},
      {R"({"starts": [[1.5, 1]]})", false},
      {R"({"starts": [[1, 1, 1]]})", false},
      {R"({"starts": [[1, 1]], "arguments": ["64", 64]})", false},
      {std::string("{\"starts\": [[1, 1]]}\0", 21), false},
  };
  for (const Row &row : rows) {
    Starts starts;
    const char *why = nullptr;
    EXPECT_EQ(parsestarts(row.text.data(), row.text.size(), &starts, &why), row.read) << row.text;
  }
  Starts starts;
  const char *why = nullptr;
  ASSERT_TRUE(parsestarts(rows[0].text.data(), rows[0].text.size(), &starts, &why));
  EXPECT_EQ(starts.count, 2);
  EXPECT_EQ(starts.tile[1][0], 3);
  // The size the arguments name: their low 16 bits, as the map stores it.
  EXPECT_TRUE(starts.sized);
  EXPECT_EQ(starts.width, 64u);
  EXPECT_EQ(starts.height, 40u);
}

TEST_F(Preview, SameBytesWithOneThreadOrManyAndBandsEndingInsideATileRow) {
  // At scale 3, 700 tiles make rows whose bands end inside a tile's rows,
  // where the next band starts with an "up" row.
  const uint32_t width = 700, height = 100;
  const uint32_t rows = bandrows(3 * width + 1);
  ASSERT_NE(rows % 3, 0u);
  ASSERT_LT(rows, 3 * height / 2) << "at least two bands";
  std::vector<uint16_t> tiles = sampletiles(size_t(width) * height);
  writemap(dim(width, height) + sectionbytes("MTXM", words(tiles)));
  std::string first;
  for (unsigned threads : {1u, 2u, 3u, 8u}) {
    SCOPED_TRACE(threads);
    PreviewResult result;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(writepreview(mappath.c_str(), pngpath.c_str(), 3, &result, threads));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::string bytes = readwhole(pngpath);
    if (first.empty()) first = bytes;
    EXPECT_TRUE(bytes == first) << "the image depends on the number of threads";
  }
  Image image;
  ASSERT_TRUE(decodepng(pngpath, &image));
  expectpixels(image, tiles, width, height, 3);
}

TEST_F(Preview, OtherSectionsArePassedOverNotHeld) {
  // Half a gigabyte of another section, after the tiles, as a sparse file:
  // reading it would raise the peak memory by as much.
  std::vector<uint16_t> tiles = sampletiles(64 * 64);
  const uint32_t huge = 512u << 20;
  const std::string headers =
      dim(64, 64) + sectionbytes("MTXM", words(tiles)) + sectionbytes("BIG ", "", huge);
  writemap(headers);
  ASSERT_EQ(truncate(mappath.c_str(), off_t(headers.size()) + huge), 0);
  struct rusage before, after;
  getrusage(RUSAGE_SELF, &before);
  bool written = false;
  EXPECT_EQ(preview(1, &written), "");
  getrusage(RUSAGE_SELF, &after);
  ASSERT_TRUE(written);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes more at the peak";
  Image image;
  ASSERT_TRUE(decodepng(pngpath, &image));
  expectpixels(image, tiles, 64, 64, 1);

  // The same map cut short in that section is still refused.
  ASSERT_EQ(truncate(mappath.c_str(), off_t(headers.size()) + huge - 1), 0);
  remove(pngpath.c_str());
  expectrefused("fread: unexpected end of file\n" + mappath +
                ": not a readable map file: a section's data ends before its stated length\n");
}

TEST_F(Preview, GeneratorStyleMapUsesTheLastDimAndMtxmAndPrintsNothing) {
  // Every section the generator writes, including the three the reader
  // would describe on standard output, and an earlier "DIM " and "MTXM"
  // that the later ones replace.
  std::vector<uint16_t> stale = sampletiles(4);
  std::vector<uint16_t> tiles = sampletiles(15);
  std::vector<uint16_t> other(15, 6 * 16);
  writemap(sectionbytes("VER ", le16(205)) + dim(2, 2) + sectionbytes("MTXM", words(stale)) +
           sectionbytes("ERA ", le16(2)) + dim(5, 3) + sectionbytes("THG2", "\x01\x02\x03") +
           sectionbytes("MASK", std::string(15, '\xFF')) +
           sectionbytes("ISOM", words({48, 48, 48})) + sectionbytes("TILE", words(other)) +
           sectionbytes("MTXM", words(tiles)) + sectionbytes("STR ", "abc"));
  bool written = false;
  PreviewResult result;
  EXPECT_EQ(preview(2, &written, &result), "");
  ASSERT_TRUE(written);
  Image image;
  ASSERT_TRUE(decodepng(pngpath, &image));
  expectpixels(image, tiles, 5, 3, 2);
}

TEST_F(Preview, TileSectionIsUsedWhenThereIsNoMtxm) {
  std::vector<uint16_t> tiles = sampletiles(12);
  writemap(dim(4, 3) + sectionbytes("TILE", words(sampletiles(30))) +
           sectionbytes("TILE", words(tiles)));
  expectdrawn(tiles, 4, 3);
}

TEST_F(Preview, MtxmIsPreferredEvenBeforeALaterTileSection) {
  std::vector<uint16_t> tiles = sampletiles(6);
  writemap(dim(3, 2) + sectionbytes("MTXM", words(tiles)) +
           sectionbytes("TILE", words({0, 0, 0, 0, 0, 0})));
  expectdrawn(tiles, 3, 2);
}

TEST_F(Preview, TilesPastTheMapAndAnOddByteAreIgnored) {
  std::vector<uint16_t> tiles = sampletiles(10);
  writemap(dim(5, 2) + sectionbytes("MTXM", words(tiles) + le16(0x0060) + "\x07"));
  expectdrawn(tiles, 5, 2);
}

TEST_F(Preview, ExistingImageIsReplaced) {
  writefile(pngpath, "old picture");
  std::vector<uint16_t> tiles = sampletiles(4);
  writemap(dim(2, 2) + sectionbytes("MTXM", words(tiles)));
  expectdrawn(tiles, 2, 2);
  EXPECT_EQ(folderfiles(), (std::set<std::string>{"map.dat", "map.png"}));
}

TEST_F(Preview, MissingMapIsReportedWithTheSystemsReason) {
  mappath = temp.path("none.dat");
  bool written = true;
  std::string errors = preview(0, &written);
  EXPECT_FALSE(written);
  EXPECT_EQ(errors, mappath + ": No such file or directory\n");
  EXPECT_EQ(folderfiles(), std::set<std::string>{});
}

TEST_F(Preview, EmptyFileIsNotAMap) {
  writemap("");
  expectrefused(mappath + ": not a map file: it holds no sections\n");
}

TEST_F(Preview, SectionCutShortIsNotAReadableMap) {
  writemap(dim(2, 2) + sectionbytes("MTXM", words(sampletiles(4))).substr(0, 12));
  expectrefused("fread: unexpected end of file\n" + mappath +
                ": not a readable map file: a section's data ends before its stated length\n");
}

TEST_F(Preview, TextFileIsRefused) {
  writemap("This is a text file, not a map.\n");
  bool written = true;
  std::string errors = preview(0, &written);
  EXPECT_FALSE(written);
  EXPECT_NE(errors.find(mappath + ": "), std::string::npos) << errors;
  EXPECT_EQ(folderfiles(), std::set<std::string>{"map.dat"});
}

TEST_F(Preview, MapCutAtEveryOffsetIsRefusedWithoutACrash) {
  std::string whole =
      dim(3, 2) + sectionbytes("ERA ", le16(1)) + sectionbytes("MTXM", words(sampletiles(6)));
  for (size_t size = 0; size < whole.size(); size++) {
    SCOPED_TRACE(testing::Message() << "cut at " << size);
    writemap(whole.substr(0, size));
    bool written = true;
    std::string errors = preview(0, &written);
    EXPECT_FALSE(written);
    EXPECT_NE(errors.find(mappath + ": "), std::string::npos) << errors;
    EXPECT_EQ(folderfiles(), std::set<std::string>{"map.dat"});
  }
}

TEST_F(Preview, MapWithoutDimIsRefused) {
  writemap(sectionbytes("MTXM", words(sampletiles(4))));
  expectrefused(mappath + ": the map has no \"DIM \" section, which gives its size\n");
}

TEST_F(Preview, DimTooShortForTheSizeIsRefused) {
  writemap(sectionbytes("DIM ", le16(2) + "\x02") + sectionbytes("MTXM", words(sampletiles(4))));
  expectrefused(mappath +
                ": the \"DIM \" section is too short to give the map's size (3 bytes, 4 needed)\n");
}

TEST_F(Preview, ZeroWidthOrHeightIsRefused) {
  writemap(dim(0, 4) + sectionbytes("MTXM", words(sampletiles(4))));
  expectrefused(mappath + ": the map is 0x4 tiles: nothing to draw\n");
  writemap(dim(3, 0) + sectionbytes("MTXM", words(sampletiles(4))));
  expectrefused(mappath + ": the map is 3x0 tiles: nothing to draw\n");
}

TEST_F(Preview, MapWithoutTilesIsRefused) {
  writemap(dim(2, 2) + sectionbytes("ISOM", words(sampletiles(4))) +
           sectionbytes("mtxm", words(sampletiles(4))));
  expectrefused(mappath + ": the map has no \"MTXM\" or \"TILE\" section, which hold its tiles\n");
}

TEST_F(Preview, TileSectionShorterThanTheMapIsRefused) {
  writemap(dim(4, 3) + sectionbytes("MTXM", words(sampletiles(11)) + "\x01"));
  expectrefused(mappath +
                ": the \"MTXM\" section holds 11 tiles, fewer than the 12 of a 4x3 map\n");
  // A long enough "TILE" does not stand in for a short "MTXM".
  writemap(dim(4, 3) + sectionbytes("TILE", words(sampletiles(12))) + sectionbytes("MTXM", ""));
  expectrefused(mappath + ": the \"MTXM\" section holds 0 tiles, fewer than the 12 of a 4x3 map\n");
  writemap(dim(65535, 65535) + sectionbytes("TILE", words(sampletiles(12))));
  expectrefused(mappath +
                ": the \"TILE\" section holds 12 tiles, fewer than the 4294836225 of a "
                "65535x65535 map\n");
}

TEST_F(Preview, DevicesAreWrittenInPlace) {
  writemap(dim(40, 40) + sectionbytes("MTXM", words(sampletiles(1600))));
  pngpath = "/dev/null";
  bool written = false;
  PreviewResult result;
  EXPECT_EQ(preview(0, &written, &result), "");
  EXPECT_TRUE(written);
  EXPECT_FALSE(result.replaced);
}

}  // namespace
