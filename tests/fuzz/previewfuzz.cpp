// Fuzz target for the preview: arbitrary map bytes drawn at a scale from the
// input, in a private temporary folder.
//
// Input: two control bytes, then the map's bytes.
//   byte 0  the scale: value % 17, where 0 asks for the default scale
//   byte 1  bit 0: the map comes through a pipe (read once) instead of a
//           regular file (read twice); bits 1-2: threads, 1 to 4; bit 3: the
//           rest is no map but a report of starts (--starts), read alone
//
// After every input, a map whose sections are whole and whose last "DIM "
// and tile layer can be drawn is drawn, and any other map is refused without
// an image. An image is a PNG whose chunks' CRCs hold, whose header holds the
// map's size times the scale and whose pixels are the map's tiles, the same
// bytes whatever the number of threads. Nothing else is left in the folder.
// A report is read, or refused, without harm: what it yields holds at most
// 8 starts, each a tile no map's sides could pass by far.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fuzzcheck.h"
#include "preview.h"
#include "starts.h"

namespace {

std::string workfolder;

void removework() {
  unlink((workfolder + "/map.dat").c_str());
  unlink((workfolder + "/map.png").c_str());
  rmdir(workfolder.c_str());
}

uint32_t be32(const std::string &bytes, size_t at) {
  const auto *b = reinterpret_cast<const uint8_t *>(bytes.data() + at);
  return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

// What the preview must draw: the size in the last "DIM " and the tiles of
// the last "MTXM" (the last "TILE" when there is none), of a map whose every
// section is whole. False for a map it must refuse.
bool drawable(const uint8_t *map, size_t size, uint32_t *width, uint32_t *height,
              const uint8_t **tiles) {
  const uint8_t *dim = nullptr, *mtxm = nullptr, *tile = nullptr;
  uint64_t dimlength = 0, mtxmlength = 0, tilelength = 0;
  for (size_t at = 0; size - at >= 8;) {
    const uint64_t length =
        map[at + 4] | map[at + 5] << 8 | map[at + 6] << 16 | uint64_t(map[at + 7]) << 24;
    if (length > size - at - 8) return false;
    const uint8_t *data = map + at + 8;
    if (memcmp(map + at, "DIM ", 4) == 0) dim = data, dimlength = length;
    if (memcmp(map + at, "MTXM", 4) == 0) mtxm = data, mtxmlength = length;
    if (memcmp(map + at, "TILE", 4) == 0) tile = data, tilelength = length;
    at += 8 + length;
  }
  if (dim == nullptr || dimlength < 4) return false;
  *width = dim[0] | dim[1] << 8;
  *height = dim[2] | dim[3] << 8;
  *tiles = mtxm != nullptr ? mtxm : tile;
  const uint64_t layerlength = mtxm != nullptr ? mtxmlength : tilelength;
  return *width > 0 && *height > 0 && *tiles != nullptr &&
         layerlength / 2 >= uint64_t(*width) * *height;
}

// Checks the image: the signature, chunks with their CRCs, IHDR first with
// the size of the map at the scale, IEND last, and the pixel rows inflated
// from the IDAT chunks, each tile a square of its palette index.
void checkpng(const std::string &png, const uint8_t *tiles, uint32_t width, uint32_t height,
              unsigned scale) {
  FUZZ_CHECK(png.size() >= 8 && png.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0);
  const size_t columns = size_t(width) * scale, rows = size_t(height) * scale;
  size_t at = 8;
  std::string type, idat;
  while (png.size() - at >= 12 && type != "IEND") {
    const uint32_t length = be32(png, at);
    FUZZ_CHECK(length <= png.size() - at - 12);
    type = png.substr(at + 4, 4);
    const auto *typeanddata = reinterpret_cast<const Bytef *>(png.data() + at + 4);
    FUZZ_CHECK(crc32(0, typeanddata, length + 4) == be32(png, at + 8 + length));
    if (at == 8) FUZZ_CHECK(type == "IHDR" && length == 13);
    if (at == 8) FUZZ_CHECK(be32(png, at + 8) == columns && be32(png, at + 12) == rows);
    if (type == "IDAT") idat += png.substr(at + 8, length);
    at += 12 + length;
  }
  FUZZ_CHECK(type == "IEND" && at == png.size());

  // One byte more than the rows take, so that a longer stream shows.
  const size_t rowbytes = 1 + columns;
  std::vector<uint8_t> pixels(rows * rowbytes + 1);
  uLongf inflated = pixels.size();
  FUZZ_CHECK(uncompress(pixels.data(), &inflated, reinterpret_cast<const Bytef *>(idat.data()),
                        idat.size()) == Z_OK);
  FUZZ_CHECK(inflated == rows * rowbytes);
  std::vector<uint8_t> above(columns, 0), row(columns);
  for (size_t y = 0; y < rows; y++) {
    const uint8_t filter = pixels[y * rowbytes];
    FUZZ_CHECK(filter == 0 || filter == 2);  // none, or up
    for (size_t x = 0; x < columns; x++) {
      row[x] = uint8_t(pixels[y * rowbytes + 1 + x] + (filter == 2 ? above[x] : 0));
      const size_t tile = (y / scale) * width + x / scale;
      FUZZ_CHECK(row[x] == paletteindex(uint16_t(tiles[2 * tile] | tiles[2 * tile + 1] << 8)));
    }
    above.swap(row);
  }
}

// The names in the work folder, but for "." and "..".
std::set<std::string> leftovers() {
  std::set<std::string> names;
  DIR *dir = opendir(workfolder.c_str());
  FUZZ_CHECK(dir != nullptr);
  while (struct dirent *entry = readdir(dir))
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
      names.insert(entry->d_name);
  closedir(dir);
  return names;
}

std::string readfile(const std::string &path) {
  std::string text;
  if (FILE *file = fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    fclose(file);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (workfolder.empty()) {
    char folder[] = "/tmp/trevalk-preview-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(folder) != nullptr);
    workfolder = folder;
    atexit(removework);
  }
  if (size < 2) return 0;
  if (data[1] & 8) {
    Starts starts;
    const char *why = nullptr;
    if (parsestarts(reinterpret_cast<const char *>(data + 2), size - 2, &starts, &why)) {
      FUZZ_CHECK(starts.count >= 0 && starts.count <= kMostStarts);
      for (int k = 0; k < starts.count; ++k)
        for (int64_t at : starts.tile[k]) FUZZ_CHECK(at >= -1000000 && at <= 1000000);
    } else {
      FUZZ_CHECK(why != nullptr);
    }
    return 0;
  }
  const unsigned scale = data[0] % 17;
  const bool piped = (data[1] & 1) != 0;
  const unsigned threads = 1 + ((data[1] >> 1) & 3);
  const uint8_t *map = data + 2;
  const size_t mapbytes = size - 2;
  const std::string png = workfolder + "/map.png";
  std::string mappath = workfolder + "/map.dat";

  PreviewResult result;
  bool drawn = false;
  if (piped) {
    int fds[2];
    FUZZ_CHECK(pipe(fds) == 0);
    std::thread feeder([&] {
      for (size_t done = 0; done < mapbytes;) {
        ssize_t n = write(fds[1], map + done, mapbytes - done);
        if (n <= 0) break;
        done += size_t(n);
      }
      close(fds[1]);
    });
    mappath = "/dev/fd/" + std::to_string(fds[0]);
    drawn = writepreview(mappath.c_str(), png.c_str(), scale, &result, threads);
    // A preview that failed early leaves the rest of the pipe unread.
    char drain[4096];
    while (read(fds[0], drain, sizeof drain) > 0) {
    }
    feeder.join();
    close(fds[0]);
  } else {
    FILE *file = fopen(mappath.c_str(), "wb");
    FUZZ_CHECK(file != nullptr && fwrite(map, 1, mapbytes, file) == mapbytes);
    FUZZ_CHECK(fclose(file) == 0);
    drawn = writepreview(mappath.c_str(), png.c_str(), scale, &result, threads);
  }

  uint32_t width = 0, height = 0;
  const uint8_t *tiles = nullptr;
  FUZZ_CHECK(drawn == drawable(map, mapbytes, &width, &height, &tiles));
  if (drawn) {
    const unsigned drawnscale = scale != 0    ? scale
                                : width > 512 ? 1
                                              : std::min(16u, (512 + width - 1) / width);
    FUZZ_CHECK(result.width == width && result.height == height && result.scale == drawnscale);
    const std::string image = readfile(png);
    checkpng(image, tiles, width, height, drawnscale);
    if (!piped && threads > 1) {
      // The image's bytes do not depend on the number of threads.
      const std::string single = workfolder + "/single.png";
      FUZZ_CHECK(writepreview(mappath.c_str(), single.c_str(), scale, &result, 1));
      FUZZ_CHECK(readfile(single) == image);
      unlink(single.c_str());
    }
  }
  std::set<std::string> expected;
  if (drawn) expected.insert("map.png");
  if (!piped) expected.insert("map.dat");
  FUZZ_CHECK(leftovers() == expected);
  unlink(png.c_str());
  unlink((workfolder + "/map.dat").c_str());
  return 0;
}
