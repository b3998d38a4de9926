#include "sections.h"

#include <gtest/gtest.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "testfiles.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

struct SampleSection {
  std::string name;
  std::string data;
};

// A template with every kind of section the reader treats differently: the
// remembered ones, the three with diagnostics, one of length 0 and sections
// nobody knows.
const std::vector<SampleSection> &samplesections() {
  static const std::vector<SampleSection> sections = {
      {"VER ", bytes({0xCD, 0x00})},
      {"DIM ", bytes({0x40, 0x00, 0x30, 0x00, 0x07, 0x00})},
      {"ERA ", bytes({0x04, 0x00, 0x09})},
      {"THG2", bytes({0x01, 0x02, 0x03, 0xC8, 0xFF})},
      {"ISOM", bytes({0x30, 0x00, 0x30, 0x00})},
      {"EMPT", ""},
      {"MASK", bytes({0xFF, 0x01, 0x02})},
      {"TILE", bytes({0x11, 0x22, 0x33, 0x44})},
      {"MTXM", bytes({0x55, 0x66, 0x77, 0x88})},
      {"STR ", std::string("ab\0", 3)},
  };
  return sections;
}

std::string sampletemplate() {
  std::string file;
  for (const SampleSection &s : samplesections()) file += sectionbytes(s.name, s.data);
  return file;
}

const char kSampleDiagnostics[] =
    "THG2 5\n"
    "    0 0000000000000001    1     1\n"
    "    1 0000000000000010    2     2\n"
    "    2 0000000000000011    3     3\n"
    "    3 0000000011001000   C8   200\n"
    "    4 0000000011111111   FF   255\n"
    "ISOM length=4 first word=48\n"
    "MASK 3\n"
    "    0 0000000111111111  1FF   511\n"
    "    1 0000000000000010    2     2\n";

std::vector<Section *> listed() {
  std::vector<Section *> sections;
  for (Section *s = sectionlist.head; s != nullptr; s = s->next) sections.push_back(s);
  return sections;
}

std::string nameof(const Section *s) { return std::string(s->name, 4); }

std::string dataof(const Section *s) {
  return s->data != nullptr ? std::string(reinterpret_cast<char *>(s->data), s->length) : "";
}

std::string addressof(const Section *s) {
  if (s->data == nullptr) return "0";
  char text[32];
  snprintf(text, sizeof text, "%" PRIXPTR, reinterpret_cast<uintptr_t>(s->data));
  return text;
}

Section *addsection(const std::string &name, const std::string &data) {
  return addsectionto(&sectionlist, name, data);
}

struct Outcome {
  ReadStatus status;
  std::string out;
  std::string err;
};

struct Written {
  bool whole;
  std::string out;
  std::string err;
};

Outcome readcaptured(const std::string &path) {
  CaptureStdout();
  CaptureStderr();
  ReadStatus status = readtemplate(path.c_str());
  std::string out = GetCapturedStdout();
  return {status, out, GetCapturedStderr()};
}

Written writecaptured(const std::string &path) {
  CaptureStdout();
  CaptureStderr();
  bool whole = writesections(path.c_str());
  std::string out = GetCapturedStdout();
  return {whole, out, GetCapturedStderr()};
}

// Feeds `content` through a pipe from another thread; the reader opens the
// pipe by its /dev/fd name, as it would a named pipe given as the template.
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

  void SetUp() override { clearsections(); }
  void TearDown() override { clearsections(); }

  std::string path(const std::string &name) const { return folder.path(name); }
  std::vector<std::string> entries() const { return folder.entries(); }
  void store(const std::string &name, const std::string &content) const {
    ASSERT_TRUE(folder.store(name, content));
  }
  std::string load(const std::string &name) const { return folder.load(name); }

  Outcome readstored(const std::string &content) {
    store("template.dat", content);
    return readcaptured(path("template.dat"));
  }
};

TEST_F(SectionFile, WorddumpShowsBitsHexAndDecimalInFixedColumns) {
  CaptureStdout();
  worddump(0, 0);
  worddump(3, 200);
  worddump(1, 65535);
  worddump(123456, 0x8001);
  EXPECT_EQ(GetCapturedStdout(),
            "    0 0000000000000000    0     0\n"
            "    3 0000000011001000   C8   200\n"
            "    1 1111111111111111 FFFF 65535\n"
            "123456 1000000000000001 8001 32769\n");
}

TEST_F(SectionFile, MissingTemplateIsStatus3WithNothingPrinted) {
  Outcome r = readcaptured(path("absent.dat"));
  EXPECT_EQ(r.status, kReadNoFile);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(sectionlist.head, nullptr);
}

TEST_F(SectionFile, EmptyTemplateGivesEmptyListAndNoRememberedSection) {
  Outcome r = readstored("");
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(sectionlist.head, nullptr);
  EXPECT_EQ(sectionlist.tail, nullptr);
  for (Section *remembered : {cTile, cIsom, cEra, cDim, cMask, cMtxm})
    EXPECT_EQ(remembered, nullptr);

  // An empty list writes an empty map.
  Written w = writecaptured(path("out.dat"));
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(w.out, "");
  EXPECT_EQ(load("out.dat"), "");
}

TEST_F(SectionFile, SampleKeepsOrderRemembersSixAndPrintsDiagnostics) {
  Outcome r = readstored(sampletemplate());
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, kSampleDiagnostics);

  std::vector<Section *> sections = listed();
  ASSERT_EQ(sections.size(), samplesections().size());
  for (size_t i = 0; i < sections.size(); i++) {
    EXPECT_EQ(nameof(sections[i]), samplesections()[i].name);
    EXPECT_EQ(dataof(sections[i]), samplesections()[i].data);
  }
  EXPECT_EQ(sectionlist.tail, sections.back());
  EXPECT_EQ(sectionlist.tail->next, nullptr);
  EXPECT_EQ(cDim, sections[1]);
  EXPECT_EQ(cEra, sections[2]);
  EXPECT_EQ(cIsom, sections[4]);
  EXPECT_EQ(cMask, sections[6]);
  EXPECT_EQ(cTile, sections[7]);
  EXPECT_EQ(cMtxm, sections[8]);
}

TEST_F(SectionFile, ZeroLengthSectionsHaveNoBlockAndThg2PrintsItsLineAlone) {
  Outcome r = readstored(sectionbytes("THG2", "") + sectionbytes("MASK", "") +
                         sectionbytes("ISOM", "") + sectionbytes("DIM ", ""));
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.out,
            "THG2 0\n"
            "MASK 0\n"
            "    0 0000000000000000    0     0\n"
            "    1 0000000000000000    0     0\n"
            "ISOM length=0 first word=0\n");
  for (Section *s : listed()) {
    EXPECT_EQ(s->length, 0u);
    EXPECT_EQ(s->data, nullptr);
  }
  EXPECT_EQ(nameof(cDim), "DIM ");
}

TEST_F(SectionFile, ShortIsomAndMaskDataReadMissingBytesAsZero) {
  Outcome r = readstored(sectionbytes("ISOM", bytes({0x34})) +
                         sectionbytes("MASK", bytes({0x01, 0x02, 0x83})));
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.out,
            "ISOM length=1 first word=52\n"
            "MASK 3\n"
            "    0 0000001000000001  201   513\n"
            "    1 0000000010000011   83   131\n");
}

TEST_F(SectionFile, TrailingBytesTooFewForAHeaderAreDropped) {
  std::string whole = sampletemplate();
  for (size_t extra = 1; extra <= 7; extra++) {
    SCOPED_TRACE(extra);
    clearsections();
    Outcome r = readstored(whole + std::string("TILE\x01\x00\x00", extra));
    EXPECT_EQ(r.status, kReadWhole);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(listed().size(), samplesections().size());
    Written w = writecaptured(path("out.dat"));
    EXPECT_TRUE(w.whole);
    EXPECT_EQ(load("out.dat"), whole);
  }
}

TEST_F(SectionFile, RepeatedNamesAreAllKeptAndTheLaterIsRemembered) {
  Outcome r = readstored(sectionbytes("DIM ", "AAAA") + sectionbytes("THG2", bytes({7})) +
                         sectionbytes("DIM ", "BBBB") + sectionbytes("MASK", "") +
                         sectionbytes("THG2", "") + sectionbytes("MASK", "") +
                         sectionbytes("TILE", "t1") + sectionbytes("TILE", "t2"));
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.out,
            "THG2 1\n"
            "    0 0000000000000111    7     7\n"
            "MASK 0\n"
            "    0 0000000000000000    0     0\n"
            "    1 0000000000000000    0     0\n"
            "THG2 0\n"
            "MASK 0\n"
            "    0 0000000000000000    0     0\n"
            "    1 0000000000000000    0     0\n");
  std::vector<Section *> sections = listed();
  ASSERT_EQ(sections.size(), 8u);
  EXPECT_EQ(cDim, sections[2]);
  EXPECT_EQ(cMask, sections[5]);
  EXPECT_EQ(cTile, sections[7]);
  EXPECT_EQ(dataof(cTile), "t2");
}

TEST_F(SectionFile, NamesDifferingInCaseOrHoldingNulMatchNothing) {
  std::string file = sectionbytes("dim ", "ab") + sectionbytes(std::string("DIM\0", 4), "cd") +
                     sectionbytes(std::string("\0IM ", 4), "e") + sectionbytes("thg2", "f") +
                     sectionbytes(std::string("MAS\0", 4), "ghij") + sectionbytes("isom", "kl") +
                     sectionbytes("TILE", "") + sectionbytes("TIL ", "");
  Outcome r = readstored(file);
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.out, "");
  for (Section *remembered : {cIsom, cEra, cDim, cMask, cMtxm}) EXPECT_EQ(remembered, nullptr);
  ASSERT_NE(cTile, nullptr);
  EXPECT_EQ(sectionlist.tail, listed()[7]);

  std::vector<Section *> sections = listed();
  Written w = writecaptured(path("out.dat"));
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(w.err, "");
  EXPECT_EQ(load("out.dat"), file);
  EXPECT_EQ(w.out, "[dim ] writing        2 from " + addressof(sections[0]) +
                       "\n"
                       "[ DIM] writing        2 from " +
                       addressof(sections[1]) +
                       "\n"
                       "[    ] writing        1 from " +
                       addressof(sections[2]) +
                       "\n"
                       "[thg2] writing        1 from " +
                       addressof(sections[3]) +
                       "\n"
                       "[ MAS] writing        4 from " +
                       addressof(sections[4]) +
                       "\n"
                       "[isom] writing        2 from " +
                       addressof(sections[5]) +
                       "\n"
                       "[TILE] writing        0 from 0\n"
                       "[TIL ] writing        0 from 0\n");
}

// Cuts the sample at every byte and checks each cut against where it falls:
// inside a header the partial header is dropped silently, inside data the
// section is kept short and reported.
TEST_F(SectionFile, TemplateCutAtEveryOffset) {
  std::string whole = sampletemplate();
  for (size_t cut = 0; cut <= whole.size(); cut++) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    clearsections();

    size_t start = 0;    // where the section the cut falls in begins
    size_t headers = 0;  // whole headers before the cut
    bool datashort = false;
    size_t arrived = 0;  // data bytes of the short section before the cut
    for (const SampleSection &s : samplesections()) {
      if (cut - start < 8) break;
      headers++;
      if (cut - start - 8 < s.data.size()) {
        datashort = true;
        arrived = cut - start - 8;
        break;
      }
      start += 8 + s.data.size();
    }

    Outcome r = readstored(whole.substr(0, cut));
    std::vector<Section *> sections = listed();
    ASSERT_EQ(sections.size(), headers);
    if (!datashort) {
      EXPECT_EQ(r.status, kReadWhole);
      EXPECT_EQ(r.err, "");
      Written w = writecaptured(path("out.dat"));
      EXPECT_TRUE(w.whole);
      EXPECT_EQ(load("out.dat"), whole.substr(0, start));
      continue;
    }

    EXPECT_EQ(r.status, kReadShort);
    EXPECT_EQ(r.err, "fread: unexpected end of file\n");
    const SampleSection &expected = samplesections()[headers - 1];
    Section *last = sections.back();
    EXPECT_EQ(last->length, expected.data.size());
    if (arrived == 0) {
      EXPECT_EQ(last->data, nullptr);
    } else {
      ASSERT_NE(last->data, nullptr);
      ASSERT_EQ(std::string(reinterpret_cast<char *>(last->data), arrived),
                expected.data.substr(0, arrived));
    }
    if (expected.name == "THG2") {
      // The header's length, then one line for each byte that came.
      size_t at = r.out.rfind("THG2 5\n");
      ASSERT_NE(at, std::string::npos);
      std::string dump = r.out.substr(at + 7);
      EXPECT_EQ(size_t(std::count(dump.begin(), dump.end(), '\n')), arrived);
      EXPECT_EQ(dump, std::string(kSampleDiagnostics).substr(7, dump.size()));
    }
    if (expected.name == "ISOM") {
      std::string line =
          arrived == 0 ? "ISOM length=4 first word=0\n" : "ISOM length=4 first word=48\n";
      EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), line.size())), line);
    }
    if (expected.name == "MASK") {
      // Both word lines, whatever came of the data.
      size_t at = r.out.rfind("MASK 3\n");
      ASSERT_NE(at, std::string::npos);
      std::string words = r.out.substr(at + 7);
      EXPECT_EQ(std::count(words.begin(), words.end(), '\n'), 2);
    }
  }
}

TEST_F(SectionFile, HugeClaimedLengthOnASmallFileIsAShortReadWithoutAHugeBlock) {
  Outcome r = readstored(sectionbytes("DIM ", "dd") +
                         sectionbytes("THG2", bytes({0x0A, 0x0B, 0x0C}), 0xFFFFFFFFu));
  EXPECT_EQ(r.status, kReadShort);
  EXPECT_EQ(r.err, "fread: unexpected end of file\n");
  EXPECT_EQ(r.out,
            "THG2 4294967295\n"
            "    0 0000000000001010    A    10\n"
            "    1 0000000000001011    B    11\n"
            "    2 0000000000001100    C    12\n");
  Section *last = sectionlist.tail;
  EXPECT_EQ(last->length, 0xFFFFFFFFu);
  ASSERT_NE(last->data, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(last->data), 3), "\x0A\x0B\x0C");
#ifdef __GLIBC__
  EXPECT_LT(malloc_usable_size(last->data), 4096u);
#endif
  EXPECT_EQ(cDim, sectionlist.head);
}

TEST_F(SectionFile, ClaimPastTheEndWithNoDataKeepsNoBlock) {
  Outcome r = readstored(sectionbytes("MASK", "", 0x80000000u));
  EXPECT_EQ(r.status, kReadShort);
  EXPECT_EQ(r.err, "fread: unexpected end of file\n");
  EXPECT_EQ(r.out,
            "MASK 2147483648\n"
            "    0 0000000000000000    0     0\n"
            "    1 0000000000000000    0     0\n");
  ASSERT_EQ(cMask, sectionlist.head);
  EXPECT_EQ(cMask->data, nullptr);
}

TEST_F(SectionFile, PipedTemplateGrowsItsBlocksAsDataComes) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); i++) big[i] = char(i * 7 + i / 4096);
  std::string file = sectionbytes("BIG ", big) + sectionbytes("ISOM", bytes({1, 2})) + "XY";
  Outcome r;
  {
    PipeFeed feed(file);
    r = readcaptured(feed.path());
  }
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "ISOM length=2 first word=513\n");
  ASSERT_EQ(listed().size(), 2u);
  EXPECT_TRUE(dataof(sectionlist.head) == big);

  Written w = writecaptured(path("out.dat"));
  EXPECT_TRUE(w.whole);
  EXPECT_TRUE(load("out.dat") == file.substr(0, file.size() - 2));
}

TEST_F(SectionFile, PipedHugeClaimIsAShortReadWithoutAHugeBlock) {
  Outcome r;
  {
    PipeFeed feed(sectionbytes("THG2", bytes({0xFF}), 0xFFFFFFFFu));
    r = readcaptured(feed.path());
  }
  EXPECT_EQ(r.status, kReadShort);
  EXPECT_EQ(r.err, "fread: unexpected end of file\n");
  EXPECT_EQ(r.out, "THG2 4294967295\n    0 0000000011111111   FF   255\n");
#ifdef __GLIBC__
  ASSERT_NE(sectionlist.head->data, nullptr);
  EXPECT_LT(malloc_usable_size(sectionlist.head->data), 4096u);
#endif
}

TEST_F(SectionFile, ReadThenWriteIsByteIdenticalWithOneProgressLinePerSection) {
  std::string file = sampletemplate();
  readstored(file);
  Written w = writecaptured(path("out.dat"));
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(w.err, "");
  EXPECT_EQ(load("out.dat"), file);

  std::string expected;
  for (Section *s : listed()) {
    char line[64];
    snprintf(line, sizeof line, "[%s] writing %8u from ", nameof(s).c_str(), unsigned(s->length));
    expected += line + addressof(s) + "\n";
  }
  EXPECT_EQ(w.out, expected);
  EXPECT_NE(w.out.find("[EMPT] writing        0 from 0\n"), std::string::npos);
  EXPECT_EQ(entries().size(), 2u) << "no temporary file may stay behind";
}

TEST_F(SectionFile, SharedBlockIsWrittenUnderBothHeadersAndFreedOnce) {
  addsection("DIM ", bytes({2, 0, 1, 0}));
  Section *tile = addsection("TILE", "tiles!");
  Section *mtxm = addsection("MTXM", "old");
  free(mtxm->data);
  mtxm->data = tile->data;
  mtxm->length = tile->length;

  Written w = writecaptured(path("out.dat"));
  EXPECT_TRUE(w.whole);
  std::string address = addressof(tile);
  EXPECT_EQ(w.out.substr(w.out.find('\n') + 1), "[TILE] writing        6 from " + address +
                                                    "\n"
                                                    "[MTXM] writing        6 from " +
                                                    address + "\n");
  EXPECT_EQ(load("out.dat"), sectionbytes("DIM ", bytes({2, 0, 1, 0})) +
                                 sectionbytes("TILE", "tiles!") + sectionbytes("MTXM", "tiles!"));
  // Freeing the shared block twice would be caught by the sanitizer build.
  clearsections();
  EXPECT_EQ(sectionlist.head, nullptr);
  EXPECT_EQ(cTile, nullptr);
}

TEST_F(SectionFile, PatternBlockIsRepeatedUpToTheLength) {
  // Three bytes that make up ten: three whole blocks and one byte more.
  Section *mask = addsection("MASK", "abc");
  mask->length = 10;
  mask->repeat = 3;
  addsection("TILE", "tt");
  Written w = writecaptured(path("out.dat"));
  EXPECT_TRUE(w.whole) << w.err;
  EXPECT_EQ(load("out.dat"), sectionbytes("MASK", "abcabcabca") + sectionbytes("TILE", "tt"));
  EXPECT_EQ(w.out.substr(0, w.out.find('\n') + 1),
            "[MASK] writing       10 from " + addressof(mask) + "\n");
}

TEST_F(SectionFile, PatternBlockReachesTheLargestLengthExactly) {
  // The last block passes the 32-bit range of the length it ends.
  Section *big = addsection("ISOM", std::string(size_t(1) << 20, '0'));
  big->length = 0xFFFFFFFFu;
  big->repeat = 1u << 20;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  uint64_t received = 0;
  std::thread reader([&] {
    static char buffer[1 << 16];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) received += uint64_t(n);
  });
  Written w = writecaptured("/dev/fd/" + std::to_string(fds[1]));
  close(fds[1]);
  reader.join();
  close(fds[0]);
  EXPECT_TRUE(w.whole) << w.err;
  EXPECT_EQ(received, uint64_t(8) + 0xFFFFFFFFu);
}

TEST_F(SectionFile, ProgressLineShowsTheWholeAddressInUpperCaseHex) {
  Section *s = addsection("TILE", "x");
  Written w = writecaptured(path("out.dat"));
  char expected[64];
  snprintf(expected, sizeof expected, "[TILE] writing        1 from %" PRIXPTR "\n",
           reinterpret_cast<uintptr_t>(s->data));
  EXPECT_EQ(w.out, expected);
}

TEST_F(SectionFile, SectionWithLengthButNoBlockIsRefusedBeforeOpening) {
  store("out.dat", "previous map");
  addsection("DIM ", "dddd");
  Section *mask = addsection("MASK", "");
  mask->length = 4096;

  Written w = writecaptured(path("out.dat"));
  EXPECT_FALSE(w.whole);
  EXPECT_EQ(w.out, "");
  EXPECT_EQ(w.err, path("out.dat") + ": section [MASK] of length 4096 has no data\n");
  EXPECT_EQ(load("out.dat"), "previous map");
  EXPECT_EQ(entries().size(), 1u);
}

}  // namespace
