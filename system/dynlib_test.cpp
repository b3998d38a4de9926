#include "dynlib.h"

#include <gtest/gtest.h>

namespace {

TEST(Dynlib, LooksUpExactNamesOnly) {
  DynLib library = dynlibopen(QNDFAKE_FULL_PATH);
  ASSERT_NE(library, nullptr);
  EXPECT_NE(dynlibsymbol(library, "_qndcreate"), nullptr);
  EXPECT_EQ(dynlibsymbol(library, "qndcreate"), nullptr);
  EXPECT_EQ(dynlibsymbol(library, "_QNDCREATE"), nullptr);
  EXPECT_EQ(dynlibsymbol(library, "_qndcreat"), nullptr);
  dynlibclose(library);
  EXPECT_EQ(dynlibopen("/nonexistent-folder/no-such-library.so"), nullptr);
}

}  // namespace
