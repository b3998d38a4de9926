// Writes the template map that trevalk ships, ruvivare.dat:
//
//   maketemplate OUTFILE
//
// A map file is a chain of sections, each a four-byte name, a 32-bit
// little-endian length and that many bytes of data. The template holds what
// trevalk rebuilds ("DIM ", "ERA ", "MASK", "ISOM", "TILE", "MTXM", each a
// small placeholder that every run replaces or overwrites) and a few
// sections that every generated map carries through unchanged.
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes words(std::initializer_list<uint16_t> values) {
  Bytes bytes;
  for (uint16_t v : values) bytes.push_back(uint8_t(v)), bytes.push_back(uint8_t(v >> 8));
  return bytes;
}

// A string table: the number of strings, their offsets from the start of
// the table, then the strings, each ending in a NUL byte.
Bytes stringtable(const std::vector<std::string> &strings) {
  Bytes table = words({uint16_t(strings.size())});
  uint16_t offset = uint16_t(2 + 2 * strings.size());
  for (const std::string &s : strings) {
    Bytes w = words({offset});
    table.insert(table.end(), w.begin(), w.end());
    offset = uint16_t(offset + s.size() + 1);
  }
  for (const std::string &s : strings)
    table.insert(table.end(), s.c_str(), s.c_str() + s.size() + 1);
  return table;
}

void writesection(FILE *out, const char name[5], const Bytes &data) {
  uint32_t n = uint32_t(data.size());
  const uint8_t header[8] = {uint8_t(name[0]), uint8_t(name[1]), uint8_t(name[2]),
                             uint8_t(name[3]), uint8_t(n),       uint8_t(n >> 8),
                             uint8_t(n >> 16), uint8_t(n >> 24)};
  fwrite(header, 1, 8, out);
  if (n) fwrite(data.data(), 1, n, out);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fputs("usage: maketemplate OUTFILE\n", stderr);
    return 1;
  }
  FILE *out = fopen(argv[1], "wb");
  if (!out) {
    perror(argv[1]);
    return 1;
  }
  // Format version of the map, carried through.
  writesection(out, "VER ", words({1}));
  // Width and height of a 4 x 4 placeholder; the two words after them are
  // kept by every run, which writes only the first two.
  writesection(out, "DIM ", words({4, 4, 0x1234, 0x5678}));
  // Tileset 0; the word after it is kept.
  writesection(out, "ERA ", words({0, 0xBEEF}));
  // A few bytes, so that the template's diagnostics show them.
  writesection(out, "THG2", Bytes{0x00, 0x07, 0xC8, 0xFF});
  // Placeholders of the four rebuilt layers.
  writesection(out, "MASK", words({0xFFFF, 0x00FF}));
  writesection(out, "ISOM", words({0x0030, 0x0030}));
  writesection(out, "TILE", words({0x0060, 0x0070}));
  writesection(out, "MTXM", words({0x0060, 0x0070}));
  // The map's name and description.
  writesection(out, "STR ",
               stringtable({"Maze map", "Paths through open water, laid out along a maze"}));
  // An empty section: a header and no data.
  writesection(out, "NOTE", Bytes{});
  if (ferror(out) || fclose(out) != 0) {
    perror(argv[1]);
    return 1;
  }
  return 0;
}
