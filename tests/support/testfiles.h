// What the unit tests build files from: map bytes, little-endian words, and
// a temporary folder of their own.
#ifndef TREVALK_TESTS_TESTFILES_H
#define TREVALK_TESTS_TESTFILES_H

#include <stdint.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "sectionfile.h"

// The bytes of a 16-bit or 32-bit little-endian word.
std::string le16(unsigned value);
std::string le32(uint32_t value);

// Consecutive 16-bit little-endian words.
std::string words(const std::vector<uint16_t> &values);

// Bytes of the given values, each 0 to 255.
std::string bytes(std::initializer_list<int> values);

// One section as it stands in a map file. `length` is the header's claim,
// which a damaged file may not back with data; by default the data's size.
std::string sectionbytes(const std::string &name, const std::string &data);
std::string sectionbytes(const std::string &name, const std::string &data, uint64_t length);

// A section built in memory, as a run builds its new ones, appended to
// `list`, which owns it.
Section *addsectionto(SectionList *list, const std::string &name, const std::string &data);

// What writing a map told: the name of each section as its hook was called,
// each failed section write as "fwrite header: TEXT" or "fwrite data: TEXT"
// and the outcome as "STATUS: TEXT" (STATUS: whole, nodata, open,
// sections, close, replace), one a line.
struct MapWrite {
  bool whole;
  std::string sections;  // the names, one a line
  std::string failures;  // the failed section writes, then the outcome unless whole
};
MapWrite writemap(const SectionList *list, const std::string &file);

// A new empty folder, removed with everything in it when the record goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;

  std::string path(const std::string &entry) const { return folder_ + "/" + entry; }
  // Writes a file of the folder; returns false when it cannot be written.
  bool store(const std::string &entry, const std::string &content) const;
  // A file's whole content, empty when it cannot be read.
  std::string load(const std::string &entry) const;
  // The names in the folder, or in one of its subfolders, sorted.
  std::vector<std::string> entries(const std::string &sub = "") const;

 private:
  std::string folder_;
};

// A whole file's content, empty when it cannot be read.
std::string readwhole(const std::string &path);

#endif
