// Fuzz target for the preview: arbitrary map bytes drawn at a scale from the
// input, in a private temporary folder.
//
// Input: two control bytes, then the map's bytes.
//   byte 0  the scale: value % 17, where 0 asks for the default scale
//   byte 1  bit 0: the map comes through a pipe (read once) instead of a
//           regular file (read twice); bits 1-2: threads, 1 to 4
//
// After every input either the image is there, a PNG whose chunks' CRCs hold
// and whose header holds the size of the map's last "DIM " times the scale,
// or the preview failed and left no image; either way nothing else is left
// in the folder.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <set>
#include <string>
#include <thread>

#include "fuzzcheck.h"
#include "preview.h"

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

// The size in the last "DIM " of a map whose every section is whole; false
// for any other map.
bool mapsize(const uint8_t *map, size_t size, uint32_t *width, uint32_t *height) {
  bool found = false;
  size_t at = 0;
  while (size - at >= 8) {
    const uint64_t length =
        map[at + 4] | map[at + 5] << 8 | map[at + 6] << 16 | uint64_t(map[at + 7]) << 24;
    if (length > size - at - 8) return false;
    if (memcmp(map + at, "DIM ", 4) == 0) {
      found = length >= 4;
      *width = map[at + 8] | map[at + 9] << 8;
      *height = map[at + 10] | map[at + 11] << 8;
    }
    at += 8 + length;
  }
  return found;
}

// Checks the image: the signature, chunks in order with their CRCs, IHDR
// first with the expected size, IEND last.
void checkpng(const std::string &png, uint32_t width, uint32_t height) {
  FUZZ_CHECK(png.size() >= 8 && png.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0);
  size_t at = 8;
  std::string type;
  while (png.size() - at >= 12 && type != "IEND") {
    const uint32_t length = be32(png, at);
    FUZZ_CHECK(length <= png.size() - at - 12);
    type = png.substr(at + 4, 4);
    const auto *typeanddata = reinterpret_cast<const Bytef *>(png.data() + at + 4);
    FUZZ_CHECK(crc32(0, typeanddata, length + 4) == be32(png, at + 8 + length));
    if (at == 8) {
      FUZZ_CHECK(type == "IHDR" && length == 13);
      FUZZ_CHECK(be32(png, at + 8) == width && be32(png, at + 12) == height);
    }
    at += 12 + length;
  }
  FUZZ_CHECK(type == "IEND" && at == png.size());
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
  if (drawn) {
    FUZZ_CHECK(mapsize(map, mapbytes, &width, &height));
    const unsigned drawnscale = scale != 0 ? scale : defaultscale(width);
    FUZZ_CHECK(result.width == width && result.height == height && result.scale == drawnscale);
    checkpng(readfile(png), width * drawnscale, height * drawnscale);
  }
  std::set<std::string> expected;
  if (drawn) expected.insert("map.png");
  if (!piped) expected.insert("map.dat");
  FUZZ_CHECK(leftovers() == expected);
  unlink(png.c_str());
  unlink((workfolder + "/map.dat").c_str());
  return 0;
}
