// What readtemplate adds to reading a map file: the six remembered sections
// and the diagnostics. Reading and writing themselves are tested beside the
// section file code.
#include "sections.h"

#include <gtest/gtest.h>
#include <inttypes.h>

#include <string>
#include <vector>

#include "testfiles.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

struct Outcome {
  ReadStatus status;
  std::string out;
  std::string err;
};

std::vector<Section *> listed() {
  std::vector<Section *> sections;
  for (Section *s = sectionlist.head; s != nullptr; s = s->next) sections.push_back(s);
  return sections;
}

class Sections : public testing::Test {
 protected:
  TempFolder folder;

  void SetUp() override { clearsections(); }
  void TearDown() override { clearsections(); }

  Outcome readstored(const std::string &content) {
    clearsections();
    EXPECT_TRUE(folder.store("template.dat", content));
    CaptureStdout();
    CaptureStderr();
    ReadStatus status = readtemplate(folder.path("template.dat").c_str());
    std::string out = GetCapturedStdout();
    return {status, out, GetCapturedStderr()};
  }
};

TEST_F(Sections, WorddumpShowsBitsHexAndDecimalInFixedColumns) {
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

TEST_F(Sections, RemembersTheLastOfSixNamesAndPrintsDiagnostics) {
  Outcome r = readstored(
      sectionbytes("VER ", bytes({0xCD, 0x00})) + sectionbytes("DIM ", "AAAA") +
      sectionbytes("ERA ", bytes({4, 0, 9})) + sectionbytes("THG2", bytes({1, 2, 3, 0xC8, 0xFF})) +
      sectionbytes("ISOM", bytes({0x30, 0x00, 0x30, 0x00})) + sectionbytes("DIM ", "BBBB") +
      sectionbytes("MASK", bytes({0xFF, 0x01, 0x02})) + sectionbytes("TILE", "t1") +
      sectionbytes("MTXM", "m1") + sectionbytes("TILE", "t2") + sectionbytes("THG2", "") +
      sectionbytes("MASK", "") + sectionbytes("ISOM", bytes({0x34})));
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "THG2 5\n"
            "    0 0000000000000001    1     1\n"
            "    1 0000000000000010    2     2\n"
            "    2 0000000000000011    3     3\n"
            "    3 0000000011001000   C8   200\n"
            "    4 0000000011111111   FF   255\n"
            "ISOM length=4 first word=48\n"
            "MASK 3\n"
            "    0 0000000111111111  1FF   511\n"
            "    1 0000000000000010    2     2\n"
            // A section of length 0, or too short, reads the missing bytes as 0.
            "THG2 0\n"
            "MASK 0\n"
            "    0 0000000000000000    0     0\n"
            "    1 0000000000000000    0     0\n"
            "ISOM length=1 first word=52\n");
  std::vector<Section *> sections = listed();
  ASSERT_EQ(sections.size(), 13u);
  EXPECT_EQ(cDim, sections[5]);
  EXPECT_EQ(cEra, sections[2]);
  EXPECT_EQ(cIsom, sections[12]);
  EXPECT_EQ(cMask, sections[11]);
  EXPECT_EQ(cTile, sections[9]);
  EXPECT_EQ(cMtxm, sections[8]);

  clearsections();
  EXPECT_EQ(sectionlist.head, nullptr);
  for (Section *remembered : {cTile, cIsom, cEra, cDim, cMask, cMtxm})
    EXPECT_EQ(remembered, nullptr);
}

TEST_F(Sections, NamesDifferingInCaseOrHoldingNulMatchNothing) {
  Outcome r = readstored(sectionbytes("dim ", "ab") + sectionbytes(std::string("DIM\0", 4), "cd") +
                         sectionbytes(std::string("\0IM ", 4), "e") + sectionbytes("thg2", "f") +
                         sectionbytes(std::string("MAS\0", 4), "ghij") +
                         sectionbytes("isom", "kl") + sectionbytes("TIL ", ""));
  EXPECT_EQ(r.status, kReadWhole);
  EXPECT_EQ(r.out, "");
  for (Section *remembered : {cTile, cIsom, cEra, cDim, cMask, cMtxm})
    EXPECT_EQ(remembered, nullptr);
  EXPECT_EQ(listed().size(), 7u);
}

TEST_F(Sections, ShortSectionsPrintDiagnosticsOfTheBytesThatCame) {
  Outcome r = readstored(sectionbytes("DIM ", "dd") +
                         sectionbytes("THG2", bytes({0x0A, 0x0B, 0x0C}), 0xFFFFFFFFu));
  EXPECT_EQ(r.status, kReadShort);
  EXPECT_EQ(r.err, "fread: unexpected end of file\n");
  EXPECT_EQ(r.out,
            "THG2 4294967295\n"
            "    0 0000000000001010    A    10\n"
            "    1 0000000000001011    B    11\n"
            "    2 0000000000001100    C    12\n");
  EXPECT_EQ(cDim, sectionlist.head);

  r = readstored(sectionbytes("ISOM", "", 4));
  EXPECT_EQ(r.status, kReadShort);
  EXPECT_EQ(r.out, "ISOM length=4 first word=0\n");
  r = readstored(sectionbytes("MASK", "", 0x80000000u));
  EXPECT_EQ(r.out,
            "MASK 2147483648\n"
            "    0 0000000000000000    0     0\n"
            "    1 0000000000000000    0     0\n");
  EXPECT_EQ(cMask, sectionlist.head);
}

// The progress line of each section written: its name as "%4.4s" shows it
// (blank-padded on the left, ended by a NUL), its length and its block's
// address, the same for sections that share a block.
TEST_F(Sections, WritingPrintsAProgressLinePerSection) {
  readstored(sectionbytes("dim ", "ab") + sectionbytes(std::string("\0IM ", 4), "e") +
             sectionbytes(std::string("MAS\0", 4), "ghij") + sectionbytes("TILE", "tiles!") +
             sectionbytes("MTXM", "mm") + sectionbytes("THG2", ""));
  std::vector<Section *> sections = listed();
  free(cMtxm->data);
  cMtxm->data = cTile->data;
  cMtxm->length = cTile->length;
  auto address = [](const Section *s) {
    char text[32];
    snprintf(text, sizeof text, "%" PRIXPTR, reinterpret_cast<uintptr_t>(s->data));
    return std::string(text);
  };
  CaptureStdout();
  CaptureStderr();
  EXPECT_TRUE(writesections(folder.path("out.dat").c_str()));
  EXPECT_EQ(GetCapturedStdout(), "[dim ] writing        2 from " + address(sections[0]) +
                                     "\n[    ] writing        1 from " + address(sections[1]) +
                                     "\n[ MAS] writing        4 from " + address(sections[2]) +
                                     "\n[TILE] writing        6 from " + address(cTile) +
                                     "\n[MTXM] writing        6 from " + address(cTile) +
                                     "\n[THG2] writing        0 from 0\n");
  EXPECT_EQ(GetCapturedStderr(), "");

  // A length without a block is refused before anything is written.
  uint8_t *tiles = cTile->data;
  cTile->data = nullptr;
  cMtxm->data = nullptr;
  CaptureStdout();
  CaptureStderr();
  EXPECT_FALSE(writesections(folder.path("out.dat").c_str()));
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(GetCapturedStderr(),
            folder.path("out.dat") + ": section [TILE] of length 6 has no data\n");
  cTile->data = tiles;
}

}  // namespace
