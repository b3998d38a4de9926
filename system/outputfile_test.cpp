// The safe output file and the reports, seen through the map writer, which
// reports under its own contexts, and directly.
#include "outputfile.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "interrupt.h"
#include "report.h"
#include "sectionfile.h"
#include "testfiles.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

class OutputFileTest : public testing::Test {
 protected:
  TempFolder folder;
  SectionList list = {nullptr, nullptr};

  void TearDown() override { freesections(&list); }

  std::string path(const std::string &name) const { return folder.path(name); }
  std::vector<std::string> entries(const std::string &sub = "") const {
    return folder.entries(sub);
  }
  void store(const std::string &name, const std::string &content) const {
    ASSERT_TRUE(folder.store(name, content));
  }
  std::string load(const std::string &name) const { return folder.load(name); }

  void addsection(const std::string &name, const std::string &data) {
    addsectionto(&list, name, data);
  }

  void clearsections() { freesections(&list); }

  MapWrite writecaptured(const std::string &target) { return writemap(&list, target); }
};

// A map and its report are written side by side: both temporary files are
// guarded while both are open (an interrupt removes both), and each is
// released whole when it is put in place.
TEST_F(OutputFileTest, TwoOutputsOpenAtOnceAreEachGuardedAndPutInPlace) {
  OutputFile map, report;
  SystemError error;
  ASSERT_TRUE(openoutputfile(path("a.json").c_str(), &report, ".report", &error));
  ASSERT_TRUE(openoutputfile(path("a.dat").c_str(), &map, ".map", &error));
  EXPECT_TRUE(isguarded(report.temppath) && isguarded(map.temppath));
  fputs("map", map.file);
  fputs("report", report.file);
  const char *reporttemp = report.temppath;
  EXPECT_EQ(commitoutputfile(&map, true, &error), kCommitted);
  EXPECT_TRUE(isguarded(reporttemp));
  EXPECT_EQ(commitoutputfile(&report, true, &error), kCommitted);
  EXPECT_EQ(load("a.dat"), "map");
  EXPECT_EQ(load("a.json"), "report");
  EXPECT_EQ(entries().size(), 2u);
}

TEST_F(OutputFileTest, OutputThatCannotBeOpenedIsReportedUnderItsName) {
  addsection("DIM ", "dddd");
  struct Case {
    std::string name;
    std::string report;
  };
  mkdir(path("folder").c_str(), 0700);
  std::vector<Case> cases = {
      {path("missing/out.dat"), "open: No such file or directory\n"},
      {"", "open: No such file or directory\n"},
      {path("folder"), "open: Is a directory\n"},
      {path("folder/"), "open: Is a directory\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    MapWrite w = writecaptured(c.name);
    EXPECT_FALSE(w.whole);
    EXPECT_EQ(w.sections, "");
    EXPECT_EQ(w.failures, c.report);
  }
  EXPECT_TRUE(entries("folder").empty());
}

TEST_F(OutputFileTest, FullDeviceFailsWithAReport) {
  addsection("DIM ", "dddd");
  addsection("TILE", "tt");
  MapWrite w = writecaptured("/dev/full");
  EXPECT_FALSE(w.whole);
  EXPECT_EQ(w.sections, "DIM \nTILE\n");
  // Small sections sit in the buffer until the close.
  EXPECT_EQ(w.failures, "close: No space left on device\n");

  clearsections();
  addsection("BIG ", std::string(1 << 20, 'b'));
  w = writecaptured("/dev/full");
  EXPECT_FALSE(w.whole);
  EXPECT_NE(w.failures.find("fwrite data: No space left on device\n"), std::string::npos);

  // A failed close is told whether or not the writing had failed before it.
  for (bool written : {true, false}) {
    OutputFile out;
    SystemError error;
    ASSERT_TRUE(openoutputfile("/dev/full", &out, ".test", &error));
    fputs("x", out.file);
    EXPECT_EQ(commitoutputfile(&out, written, &error), kCommitCloseFailed);
    EXPECT_STREQ(errordescription(error), "No space left on device");
  }
}

TEST_F(OutputFileTest, DevicesAndPipesAreWrittenInPlace) {
  addsection("DIM ", "dddd");
  addsection("THG2", "");
  MapWrite w = writecaptured("/dev/null");
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(w.failures, "");

  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string received;
  std::thread reader([&] {
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) received.append(buffer, size_t(n));
  });
  w = writecaptured("/dev/fd/" + std::to_string(fds[1]));
  close(fds[1]);
  reader.join();
  close(fds[0]);
  EXPECT_TRUE(w.whole);
  EXPECT_EQ(received, sectionbytes("DIM ", "dddd") + sectionbytes("THG2", ""));
}

// Failures after the output was opened: the file size limit stops the
// writes part way, as a full disk would.
TEST_F(OutputFileTest, FailedWriteLeavesExistingFileIntactAndNoNewFile) {
  addsection("DIM ", "dddd");
  addsection("BIG ", std::string(200000, 'b'));
  store("old.dat", "previous map");

  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit limited = saved;
  limited.rlim_cur = 100000;
  void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  MapWrite replaced = writecaptured(path("old.dat"));
  MapWrite created = writecaptured(path("new.dat"));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);

  for (const MapWrite &w : {replaced, created}) {
    EXPECT_FALSE(w.whole);
    EXPECT_EQ(w.sections, "DIM \nBIG \n");
    EXPECT_NE(w.failures.find("fwrite data: File too large\n"), std::string::npos) << w.failures;
  }
  EXPECT_EQ(load("old.dat"), "previous map");
  EXPECT_EQ(entries(), std::vector<std::string>{"old.dat"});
}

TEST_F(OutputFileTest, FailedRenameLeavesNoTemporaryFileAndWhatHoldsTheName) {
  OutputFile out;
  SystemError error;
  ASSERT_TRUE(openoutputfile(path("map.dat").c_str(), &out, ".test", &error));
  fputs("new map", out.file);
  // Another program makes a folder of that name before the rename, and a
  // file cannot replace a folder.
  ASSERT_EQ(mkdir(path("map.dat").c_str(), 0700), 0);
  store("map.dat/old.dat", "old");
  EXPECT_EQ(commitoutputfile(&out, true, &error), kCommitReplaceFailed);
  EXPECT_STREQ(errordescription(error), "Is a directory");
  EXPECT_EQ(entries(), std::vector<std::string>{"map.dat"});
  EXPECT_EQ(load("map.dat/old.dat"), "old");
}

TEST_F(OutputFileTest, ReplacedFileKeepsItsModeAndLinksStayLinks) {
  addsection("DIM ", "dddd");
  store("map.dat", "old");
  ASSERT_EQ(chmod(path("map.dat").c_str(), 0640), 0);
  ASSERT_EQ(symlink("map.dat", path("link.dat").c_str()), 0);

  MapWrite w = writecaptured(path("link.dat"));
  EXPECT_TRUE(w.whole) << w.failures;
  struct stat info;
  ASSERT_EQ(lstat(path("link.dat").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(stat(path("map.dat").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(load("map.dat"), sectionbytes("DIM ", "dddd"));
  EXPECT_EQ(entries().size(), 2u);

  // A link to a file that does not exist yet is written through, not
  // replaced by a file.
  ASSERT_EQ(symlink("new.dat", path("dangling.dat").c_str()), 0);
  w = writecaptured(path("dangling.dat"));
  EXPECT_TRUE(w.whole) << w.failures;
  ASSERT_EQ(lstat(path("dangling.dat").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(load("new.dat"), sectionbytes("DIM ", "dddd"));
}

TEST_F(OutputFileTest, ReadOnlyFileIsNotReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  addsection("DIM ", "dddd");
  store("map.dat", "old");
  ASSERT_EQ(chmod(path("map.dat").c_str(), 0444), 0);
  MapWrite w = writecaptured(path("map.dat"));
  EXPECT_FALSE(w.whole);
  EXPECT_EQ(w.sections, "");
  EXPECT_EQ(w.failures, "open: Permission denied\n");
  EXPECT_EQ(load("map.dat"), "old");
}

TEST_F(OutputFileTest, SystemErrorReportsHaveContextColonAndText) {
  CaptureStderr();
  errno = ENOENT;
  syserror("malloc cMask");
  errno = ENOSPC;
  syserror("");
  errno = ENOENT;
  syserror(nullptr);
  syserrortext("fread", "unexpected end of file");
  syserrortext("", "bare text");
  reportfailure("fread", errortext("a failure in words"));
  EXPECT_EQ(GetCapturedStderr(),
            "malloc cMask: No such file or directory\n"
            "No space left on device\n"
            "No such file or directory\n"
            "fread: unexpected end of file\n"
            "bare text\n"
            "fread: a failure in words\n");
}

}  // namespace
