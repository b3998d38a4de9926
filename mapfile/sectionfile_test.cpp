#include "sectionfile.h"

#include <gtest/gtest.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "testfiles.h"

namespace {

struct SampleSection {
  std::string name;
  std::string data;
};

// A map with sections of every size the reader meets: empty, odd, with
// a NUL byte, and names it does not know.
const std::vector<SampleSection> kSample = {
    {"VER ", bytes({0xCD, 0x00})},          {"DIM ", bytes({0x40, 0x00, 0x30, 0x00, 0x07, 0x00})},
    {"THG2", bytes({1, 2, 3, 0xC8, 0xFF})}, {"EMPT", ""},
    {"MASK", bytes({0xFF, 0x01, 0x02})},    {"MTXM", bytes({0x55, 0x66, 0x77, 0x88})},
    {"STR ", std::string("ab\0", 3)},
};

std::string samplemap() {
  std::string file;
  for (const SampleSection &s : kSample) file += sectionbytes(s.name, s.data);
  return file;
}

std::string dataof(const Section *s) {
  return s->data != nullptr ? std::string(reinterpret_cast<char *>(s->data), s->length) : "";
}

struct Outcome {
  ReadStatus status;
  std::string err;
};

// Feeds `content` through a pipe from another thread; the reader opens the
// pipe by its /dev/fd name, as it would a named pipe.
struct PipeFeed {
  int fds[2];
  std::thread writer;

  explicit PipeFeed(const std::string &content) {
    if (pipe(fds) != 0) abort();
    writer = std::thread([this, content] {
      size_t done = 0;
      while (done < content.size()) {
        ssize_t n = write(fds[1], content.data() + done, content.size() - done);
        if (n <= 0) break;
        done += size_t(n);
      }
      close(fds[1]);
    });
  }
  std::string path() const { return "/dev/fd/" + std::to_string(fds[0]); }
  ~PipeFeed() {
    writer.join();
    close(fds[0]);
  }
};

class SectionFile : public testing::Test {
 protected:
  TempFolder folder;
  SectionList list = {nullptr, nullptr};

  void TearDown() override { freesections(&list); }

  std::string path(const std::string &name) const { return folder.path(name); }

  std::vector<Section *> listed() const {
    std::vector<Section *> sections;
    for (Section *s = list.head; s != nullptr; s = s->next) sections.push_back(s);
    return sections;
  }

  // The bytes that arrived of each section read, as the hook saw them.
  std::vector<size_t> arrived;
  bool skipping = false;  // the filter passes over every second section

  // What the reading told, as the programs report it: each section's failure
  // and the one that ended the reading, "fread: TEXT" (or "open: TEXT").
  std::string told;

  Outcome read(const std::string &file) {
    arrived.clear();
    told.clear();
    SystemError error;
    ReadStatus status = readsectionfile(file.c_str(), &list, wanted, remember, this, &error);
    if (failed(error))
      told += std::string(status == kReadNoFile ? "open" : "fread") + ": " +
              errordescription(error) + "\n";
    return {status, told};
  }

  static bool wanted(const Section *, void *context) {
    const SectionFile *test = static_cast<SectionFile *>(context);
    return !test->skipping || test->arrived.size() % 2 == 0;
  }
  static void remember(Section *, size_t count, const SystemError *failure, void *context) {
    SectionFile *test = static_cast<SectionFile *>(context);
    test->arrived.push_back(count);
    if (failure != nullptr)
      test->told += std::string("fread: ") + errordescription(*failure) + "\n";
  }

  // Reads `content` from a fresh list, as stored in a regular file.
  Outcome readstored(const std::string &content) {
    freesections(&list);
    EXPECT_TRUE(folder.store("map.dat", content));
    return read(path("map.dat"));
  }

  MapWrite write(const std::string &file) { return writemap(&list, file); }

  Section *add(const std::string &name, const std::string &data) {
    return addsectionto(&list, name, data);
  }
};

TEST_F(SectionFile, MissingFileIsNoFileAndSaysWhy) {
  Outcome r = read(path("absent.dat"));
  EXPECT_EQ(r.status, kReadNoFile);
  EXPECT_EQ(r.err, "open: No such file or directory\n");
  EXPECT_EQ(list.head, nullptr);
}

TEST_F(SectionFile, EmptyFileGivesEmptyListWhichWritesAnEmptyMap) {
  Outcome r = readstored("");
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.tail, nullptr);
  MapWrite w = write(path("out.dat"));
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(w.sections, "");
  EXPECT_EQ(folder.load("out.dat"), "");
}

TEST_F(SectionFile, ReadThenWriteKeepsEverySectionInOrderByteForByte) {
  const std::string file = samplemap();
  Outcome r = readstored(file);
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.err, "");
  std::vector<Section *> sections = listed();
  ASSERT_EQ(sections.size(), kSample.size());
  std::string names;
  for (size_t i = 0; i < sections.size(); i++) {
    EXPECT_EQ(std::string(sections[i]->name, 4), kSample[i].name);
    EXPECT_EQ(dataof(sections[i]), kSample[i].data);
    names += kSample[i].name + "\n";
  }
  EXPECT_EQ(list.tail, sections.back());
  EXPECT_EQ(list.tail->next, nullptr);
  EXPECT_EQ(sections[3]->data, nullptr) << "a section of length 0 has no block";

  MapWrite w = write(path("out.dat"));
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(w.failures, "");
  EXPECT_EQ(folder.load("out.dat"), file);
  EXPECT_EQ(w.sections, names);
  EXPECT_EQ(folder.entries().size(), 2u) << "no temporary file may stay behind";
}

TEST_F(SectionFile, TrailingBytesTooFewForAHeaderAreDropped) {
  const std::string whole = samplemap();
  for (size_t extra = 1; extra <= 7; extra++) {
    SCOPED_TRACE(extra);
    Outcome r = readstored(whole + std::string("TILE\x01\x00\x00", extra));
    EXPECT_EQ(r.status, kReadWhole);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(write(path("out.dat")).whole);
    EXPECT_EQ(folder.load("out.dat"), whole);
  }
}

// Cuts the sample at every byte and checks each cut against where it falls:
// inside a header the partial header is dropped silently, inside data the
// section is kept short, with the bytes that came, and reported. Read from a
// regular file and from a pipe, with every section loaded and with every
// second one passed over.
TEST_F(SectionFile, MapCutAtEveryOffset) {
  const std::string whole = samplemap();
  for (int mode = 0; mode < 4; mode++) {
    skipping = (mode & 1) != 0;
    const bool piped = (mode & 2) != 0;
    for (size_t cut = 0; cut <= whole.size(); cut++) {
      SCOPED_TRACE(std::string(piped ? "piped" : "stored") + (skipping ? ", skipping" : "") +
                   ", cut at " + std::to_string(cut));
      size_t start = 0;    // where the section the cut falls in begins
      size_t headers = 0;  // whole headers before the cut
      bool datashort = false;
      for (const SampleSection &s : kSample) {
        if (cut - start < 8) break;
        headers++;
        if (cut - start - 8 < s.data.size()) {
          datashort = true;
          break;
        }
        start += 8 + s.data.size();
      }
      Outcome r;
      if (piped) {
        freesections(&list);
        PipeFeed feed(whole.substr(0, cut));
        r = read(feed.path());
      } else {
        r = readstored(whole.substr(0, cut));
      }
      std::vector<Section *> sections = listed();
      ASSERT_EQ(sections.size(), headers);
      ASSERT_EQ(arrived.size(), headers);
      EXPECT_EQ(r.status, datashort ? kReadShort : kReadWhole);
      EXPECT_EQ(r.err, datashort ? "fread: unexpected end of file\n" : "");
      for (size_t i = 0; i < headers; i++) {
        const std::string &data = kSample[i].data;
        const size_t came = i + 1 < headers || !datashort ? data.size() : cut - start - 8;
        const bool skipped = skipping && i % 2 == 1;
        EXPECT_EQ(sections[i]->length, data.size());
        EXPECT_EQ(arrived[i], skipped ? 0 : came);
        if (skipped || came == 0) {
          EXPECT_EQ(sections[i]->data, nullptr);
        } else {
          ASSERT_NE(sections[i]->data, nullptr);
          EXPECT_EQ(std::string(reinterpret_cast<char *>(sections[i]->data), came),
                    data.substr(0, came));
        }
      }
      if (!datashort && !skipping) {
        EXPECT_TRUE(write(path("out.dat")).whole);
        EXPECT_EQ(folder.load("out.dat"), whole.substr(0, start));
      }
    }
  }
}

TEST_F(SectionFile, HugeClaimsAreShortReadsWithoutHugeBlocks) {
  // From a regular file, whose size is known, and from a pipe, whose is not.
  const std::string file = sectionbytes("DIM ", "dd") + sectionbytes("THG2", "abc", 0xFFFFFFFFu);
  for (bool piped : {false, true}) {
    SCOPED_TRACE(piped ? "piped" : "stored");
    Outcome r;
    if (piped) {
      freesections(&list);
      PipeFeed feed(file);
      r = read(feed.path());
    } else {
      r = readstored(file);
    }
    EXPECT_EQ(r.status, kReadShort);
    EXPECT_EQ(r.err, "fread: unexpected end of file\n");
    ASSERT_EQ(listed().size(), 2u);
    EXPECT_EQ(list.tail->length, 0xFFFFFFFFu);
    ASSERT_NE(list.tail->data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(list.tail->data), 3), "abc");
#ifdef __GLIBC__
    EXPECT_LT(malloc_usable_size(list.tail->data), 4096u);
#endif
  }
  // A claim past the end with no data at all keeps no block.
  EXPECT_EQ(readstored(sectionbytes("MASK", "", 0x80000000u)).status, kReadShort);
  EXPECT_EQ(list.head->data, nullptr);
}

TEST_F(SectionFile, PipedMapGrowsItsBlocksAsDataComes) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); i++) big[i] = char(i * 7 + i / 4096);
  std::string file = sectionbytes("BIG ", big) + sectionbytes("ISOM", bytes({1, 2})) + "XY";
  Outcome r;
  {
    PipeFeed feed(file);
    r = read(feed.path());
  }
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(listed().size(), 2u);
  EXPECT_TRUE(dataof(list.head) == big);
  EXPECT_TRUE(write(path("out.dat")).whole);
  EXPECT_TRUE(folder.load("out.dat") == file.substr(0, file.size() - 2));
}

TEST_F(SectionFile, WritesOddNamesBackExactly) {
  std::string file = sectionbytes("dim ", "ab") + sectionbytes(std::string("\0IM ", 4), "e") +
                     sectionbytes(std::string("MAS\0", 4), "ghij") + sectionbytes("TIL ", "");
  readstored(file);
  MapWrite w = write(path("out.dat"));
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(folder.load("out.dat"), file);
  EXPECT_EQ(w.sections, std::string("dim \n\0IM \nMAS\0\nTIL \n", 20));
}

TEST_F(SectionFile, SharedBlockIsWrittenUnderBothHeadersAndFreedOnce) {
  add("DIM ", bytes({2, 0, 1, 0}));
  Section *tile = add("TILE", "tiles!");
  Section *mtxm = add("MTXM", "old");
  free(mtxm->data);
  mtxm->data = tile->data;
  mtxm->length = tile->length;

  MapWrite w = write(path("out.dat"));
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(folder.load("out.dat"), sectionbytes("DIM ", bytes({2, 0, 1, 0})) +
                                        sectionbytes("TILE", "tiles!") +
                                        sectionbytes("MTXM", "tiles!"));
  // Freeing the shared block twice would be caught by the sanitizer build.
  freesections(&list);
  EXPECT_EQ(list.head, nullptr);
}

TEST_F(SectionFile, PatternBlockIsRepeatedUpToTheLength) {
  // Three bytes that make up ten: three whole blocks and one byte more.
  Section *mask = add("MASK", "abc");
  mask->length = 10;
  mask->repeat = 3;
  add("TILE", "tt");
  MapWrite w = write(path("out.dat"));
  EXPECT_TRUE(w.whole) << w.failures;
  EXPECT_EQ(folder.load("out.dat"),
            sectionbytes("MASK", "abcabcabca") + sectionbytes("TILE", "tt"));
}

TEST_F(SectionFile, PatternBlockReachesTheLargestLengthExactly) {
  // The last block passes the 32-bit range of the length it ends.
  Section *big = add("ISOM", std::string(size_t(1) << 20, '0'));
  big->length = 0xFFFFFFFFu;
  big->repeat = 1u << 20;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  uint64_t received = 0;
  std::thread reader([&] {
    static char buffer[1 << 16];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) received += uint64_t(n);
  });
  MapWrite w = write("/dev/fd/" + std::to_string(fds[1]));
  close(fds[1]);
  reader.join();
  close(fds[0]);
  EXPECT_TRUE(w.whole) << w.failures;
  EXPECT_EQ(received, uint64_t(8) + 0xFFFFFFFFu);
}

TEST_F(SectionFile, SectionWithLengthButNoBlockIsRefusedBeforeOpening) {
  ASSERT_TRUE(folder.store("out.dat", "previous map"));
  add("DIM ", "dddd");
  add("MASK", "")->length = 1;
  MapWrite w = write(path("out.dat"));
  EXPECT_FALSE(w.whole);
  EXPECT_EQ(w.sections, "");
  EXPECT_EQ(w.failures, "nodata: MASK\n");
  EXPECT_EQ(folder.load("out.dat"), "previous map");
  EXPECT_EQ(folder.entries().size(), 1u);
}

}  // namespace
