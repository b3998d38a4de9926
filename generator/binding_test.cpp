#include "binding.h"

#include <string>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "fakequendrel.h"

namespace {

// Whatever the references held before a bind; a bind that fails or does
// nothing must leave them alone.
MazeHandle *sentinelcreate(int32_t, int32_t, int32_t) { return nullptr; }
void sentineldestroy(MazeHandle *) {}
uint8_t sentinelsetpos(MazeHandle *, int32_t, int32_t, int32_t) { return 0; }
uint8_t sentinelgetpos(MazeHandle *, int32_t, int32_t, int32_t) { return 0; }

void setsentinels() {
  qndcreateref = sentinelcreate;
  qnddestroyref = sentineldestroy;
  qndsetposref = sentinelsetpos;
  qndgetposref = sentinelgetpos;
}

void expectsentinels() {
  EXPECT_EQ(qndcreateref, &sentinelcreate);
  EXPECT_EQ(qnddestroyref, &sentineldestroy);
  EXPECT_EQ(qndsetposref, &sentinelsetpos);
  EXPECT_EQ(qndgetposref, &sentinelgetpos);
}

// The test libraries' paths come from the build with forward slashes, which
// the Win32 loader does not take in a path.
std::string native(const char *path) {
  std::string text = path;
#ifdef _WIN32
  for (char &c : text) {
    if (c == '/') c = '\\';
  }
#endif
  return text;
}

const std::string kFullPath = native(QNDFAKE_FULL_PATH);

// Whether the process still holds the library of that path, asked without
// loading it.
bool isloaded(const std::string &path) {
#ifdef _WIN32
  return GetModuleHandleA(path.c_str()) != nullptr;
#else
  void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (library == nullptr) return false;
  dlclose(library);
  return true;
#endif
}

const char kMissingPath[] = "/nonexistent-folder/no-such-library.so";

class BindingTest : public testing::Test {
 protected:
  void SetUp() override {
    qndrelease();
    setsentinels();
  }
  void TearDown() override {
    qndrelease();
    qndcreateref = nullptr;
    qnddestroyref = nullptr;
    qndsetposref = nullptr;
    qndgetposref = nullptr;
  }
};

TEST_F(BindingTest, MissingLibraryGivesZeroAndLooksNothingUp) {
  EXPECT_EQ(qndinitfile(kMissingPath), 0);
  EXPECT_EQ(qndmodule, nullptr);
  expectsentinels();
}

TEST_F(BindingTest, FileThatIsNoLibraryGivesZero) {
  EXPECT_EQ(qndinitfile(native(QNDFAKE_NOTALIBRARY_PATH).c_str()), 0);
  EXPECT_EQ(qndmodule, nullptr);
  expectsentinels();
}

TEST_F(BindingTest, LibraryWithAllFourEntryPointsIsBound) {
  ASSERT_EQ(qndinitfile(kFullPath.c_str()), 2);
  EXPECT_NE(qndmodule, nullptr);
  EXPECT_TRUE(isloaded(kFullPath));
  ASSERT_NE(qndcreateref, nullptr);
  ASSERT_NE(qnddestroyref, nullptr);
  ASSERT_NE(qndsetposref, nullptr);
  ASSERT_NE(qndgetposref, nullptr);

  // The calls reach the loaded library, not anything linked into the program.
  MazeHandle *maze = qndcreateref(3, 3, 1);
  ASSERT_NE(maze, nullptr);
  EXPECT_EQ(qndgetposref(maze, 0, 0, 0), QNDFAKE_GETPOS_ANSWER);
  EXPECT_EQ(qndsetposref(maze, 0, 0, 0), QNDFAKE_SETPOS_ANSWER);
  qnddestroyref(maze);
}

TEST_F(BindingTest, SecondBindReturnsOneAndDoesNothing) {
  ASSERT_EQ(qndinitfile(kFullPath.c_str()), 2);
  DynLib module = qndmodule;
  setsentinels();

  EXPECT_EQ(qndinitfile(kFullPath.c_str()), 1);
  EXPECT_EQ(qndinit(), 1);
  EXPECT_EQ(qndinitfile(kMissingPath), 1);
  EXPECT_EQ(qndmodule, module);
  expectsentinels();

  // Loaded once only: one release unloads it.
  qndrelease();
  EXPECT_FALSE(isloaded(kFullPath));
}

TEST_F(BindingTest, ReleaseUnloadsAndKeepsTheReferences) {
  ASSERT_EQ(qndinitfile(kFullPath.c_str()), 2);
  qndcreate_fn create = qndcreateref;
  qndgetpos_fn getpos = qndgetposref;
  qndrelease();
  EXPECT_EQ(qndmodule, nullptr);
  EXPECT_FALSE(isloaded(kFullPath));
  EXPECT_EQ(qndcreateref, create);
  EXPECT_EQ(qndgetposref, getpos);
}

TEST_F(BindingTest, BindAfterReleaseLoadsAgain) {
  ASSERT_EQ(qndinitfile(kFullPath.c_str()), 2);
  qndrelease();
  setsentinels();
  ASSERT_EQ(qndinitfile(kFullPath.c_str()), 2);
  EXPECT_NE(qndmodule, nullptr);
  EXPECT_TRUE(isloaded(kFullPath));
  ASSERT_NE(qndgetposref, &sentinelgetpos);
  EXPECT_EQ(qndgetposref(qndcreateref(1, 1, 1), 0, 0, 0), QNDFAKE_GETPOS_ANSWER);
}

TEST_F(BindingTest, ReleaseWhileUnboundDoesNothing) {
  qndrelease();
  qndrelease();
  EXPECT_EQ(qndmodule, nullptr);
  expectsentinels();
}

TEST_F(BindingTest, LibraryWithoutSetposIsBound) {
  ASSERT_EQ(qndinitfile(native(QNDFAKE_NOSETPOS_PATH).c_str()), 2);
  EXPECT_NE(qndmodule, nullptr);
  EXPECT_NE(qndcreateref, nullptr);
  EXPECT_NE(qnddestroyref, nullptr);
  EXPECT_NE(qndgetposref, nullptr);
  EXPECT_EQ(qndsetposref, nullptr);
}

// A library that lacks an entry point the layout calls is refused and
// released again, as if it had not loaded.
class BindingRefusedTest : public BindingTest, public testing::WithParamInterface<const char *> {};

TEST_P(BindingRefusedTest, IsReleasedAndGivesZero) {
  const std::string path = native(GetParam());
  EXPECT_EQ(qndinitfile(path.c_str()), 0);
  EXPECT_EQ(qndmodule, nullptr);
  expectsentinels();
  EXPECT_FALSE(isloaded(path));
  // A later bind of a complete library still works.
  EXPECT_EQ(qndinitfile(kFullPath.c_str()), 2);
}

INSTANTIATE_TEST_SUITE_P(BindingMissingEntryPoint, BindingRefusedTest,
                         testing::Values(QNDFAKE_NOCREATE_PATH, QNDFAKE_NODESTROY_PATH,
                                         QNDFAKE_NOGETPOS_PATH));

TEST(BindingDynlib, FileNameFollowsThePlatform) {
#if defined(_WIN32)
  EXPECT_STREQ(kQuendrelFile, "quendrel.dll");
#elif defined(__APPLE__)
  EXPECT_STREQ(kQuendrelFile, "libquendrel.dylib");
#else
  EXPECT_STREQ(kQuendrelFile, "libquendrel.so");
#endif
}

TEST(BindingDynlib, LooksUpExactNamesOnly) {
  DynLib library = dynlibopen(kFullPath.c_str());
  ASSERT_NE(library, nullptr);
  EXPECT_NE(dynlibsymbol(library, "_qndcreate"), nullptr);
  EXPECT_EQ(dynlibsymbol(library, "qndcreate"), nullptr);
  EXPECT_EQ(dynlibsymbol(library, "_QNDCREATE"), nullptr);
  EXPECT_EQ(dynlibsymbol(library, "_qndcreat"), nullptr);
  dynlibclose(library);
}

TEST(BindingDynlib, MissingFileGivesNull) { EXPECT_EQ(dynlibopen(kMissingPath), nullptr); }

}  // namespace
