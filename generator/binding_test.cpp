#include "binding.h"

#include <gtest/gtest.h>

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

const char *const kFullPath = QNDFAKE_FULL_PATH;

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

TEST_F(BindingTest, MissingLibraryFailsAndLooksNothingUp) {
  EXPECT_EQ(qndinitfile(kMissingPath), kBindFailed);
  EXPECT_EQ(qndmodule, nullptr);
  expectsentinels();
}

TEST_F(BindingTest, FileThatIsNoLibraryFails) {
  EXPECT_EQ(qndinitfile(QNDFAKE_NOTALIBRARY_PATH), kBindFailed);
  EXPECT_EQ(qndmodule, nullptr);
  expectsentinels();
}

TEST_F(BindingTest, LibraryWithAllFourEntryPointsIsBound) {
  ASSERT_EQ(qndinitfile(kFullPath), kBindLoaded);
  EXPECT_NE(qndmodule, nullptr);
  EXPECT_TRUE(dynlibisloaded(kFullPath));
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

TEST_F(BindingTest, SecondBindIsAlreadyBoundAndDoesNothing) {
  ASSERT_EQ(qndinitfile(kFullPath), kBindLoaded);
  DynLib module = qndmodule;
  setsentinels();

  EXPECT_EQ(qndinitfile(kFullPath), kBindAlready);
  EXPECT_EQ(qndinit(), kBindAlready);
  EXPECT_EQ(qndinitfile(kMissingPath), kBindAlready);
  EXPECT_EQ(qndmodule, module);
  expectsentinels();

  // Loaded once only: one release unloads it.
  qndrelease();
  EXPECT_FALSE(dynlibisloaded(kFullPath));
}

TEST_F(BindingTest, ReleaseUnloadsAndKeepsTheReferences) {
  ASSERT_EQ(qndinitfile(kFullPath), kBindLoaded);
  qndcreate_fn create = qndcreateref;
  qndgetpos_fn getpos = qndgetposref;
  qndrelease();
  EXPECT_EQ(qndmodule, nullptr);
  EXPECT_FALSE(dynlibisloaded(kFullPath));
  EXPECT_EQ(qndcreateref, create);
  EXPECT_EQ(qndgetposref, getpos);
}

TEST_F(BindingTest, BindAfterReleaseLoadsAgain) {
  ASSERT_EQ(qndinitfile(kFullPath), kBindLoaded);
  qndrelease();
  setsentinels();
  ASSERT_EQ(qndinitfile(kFullPath), kBindLoaded);
  EXPECT_NE(qndmodule, nullptr);
  EXPECT_TRUE(dynlibisloaded(kFullPath));
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
  ASSERT_EQ(qndinitfile(QNDFAKE_NOSETPOS_PATH), kBindLoaded);
  EXPECT_NE(qndmodule, nullptr);
  EXPECT_NE(qndcreateref, nullptr);
  EXPECT_NE(qnddestroyref, nullptr);
  EXPECT_NE(qndgetposref, nullptr);
  EXPECT_EQ(qndsetposref, nullptr);
}

// A library that lacks an entry point the layout calls is refused and
// released again, as if it had not loaded.
class BindingRefusedTest : public BindingTest, public testing::WithParamInterface<const char *> {};

TEST_P(BindingRefusedTest, IsReleasedAndFails) {
  const char *path = GetParam();
  EXPECT_EQ(qndinitfile(path), kBindFailed);
  EXPECT_EQ(qndmodule, nullptr);
  expectsentinels();
  EXPECT_FALSE(dynlibisloaded(path));
  // A later bind of a complete library still works.
  EXPECT_EQ(qndinitfile(kFullPath), kBindLoaded);
}

INSTANTIATE_TEST_SUITE_P(BindingMissingEntryPoint, BindingRefusedTest,
                         testing::Values(QNDFAKE_NOCREATE_PATH, QNDFAKE_NODESTROY_PATH,
                                         QNDFAKE_NOGETPOS_PATH));

}  // namespace
