#include "arguments.h"

#include <gtest/gtest.h>

#include "layout.h"
#include "mazegrid.h"

namespace {

TEST(Arguments, ReadsNumbersAsTheDecimalScanDoes) {
  int32_t v = 0;
  EXPECT_TRUE(parsedecimal("64", &v));
  EXPECT_EQ(v, 64);
  EXPECT_TRUE(parsedecimal("  -12abc", &v));
  EXPECT_EQ(v, -12);
  EXPECT_TRUE(parsedecimal("+7", &v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(parsedecimal("\t\n\v\f\r 5", &v));  // any white space
  EXPECT_EQ(v, 5);
  EXPECT_TRUE(parsedecimal("-2147483648", &v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(parsedecimal("2147483647", &v));
  EXPECT_EQ(v, INT32_MAX);
  for (const char *bad :
       {"", "abc", "-", "+ 1", "2147483648", "-2147483649", "99999999999999999999"})
    EXPECT_FALSE(parsedecimal(bad, &v)) << bad;
}

// The program repeats one of the maze library's rules, to tell a maze it
// refuses from one it could not make. Both sides get the same inputs.
TEST(LibraryRules, RefusedMazeIsTheMazeLibrarys) {
  // Signs, and the counts around the most positions for each row count; a
  // layout has at most 65535 columns and rows.
  for (int64_t rows : {-2, 0, 1, 2, 3, 32767, 32768, 46340, 46341, 65535}) {
    const int64_t most = rows > 0 ? INT32_MAX / rows : 0;
    for (int64_t columns : {int64_t(-2), int64_t(0), int64_t(1), most - 1, most, most + 1}) {
      if (columns > 65535) continue;
      MazeLayout layout = {};
      layout.columns = columns;
      layout.rows = rows;
      EXPECT_EQ(mazerefused(layout), positioncount(int32_t(columns), int32_t(rows), 1) < 0)
          << columns << "x" << rows;
    }
  }
}

TEST(Arguments, RoundsWidthsTowardZeroToEvenNumbers) {
  EXPECT_EQ(roundtoeven(5), 4);
  EXPECT_EQ(roundtoeven(1), 0);
  EXPECT_EQ(roundtoeven(-3), -2);
  EXPECT_EQ(roundtoeven(-1), 0);
  EXPECT_EQ(roundtoeven(INT32_MIN + 1), INT32_MIN + 2);
}

TEST(Arguments, CountsPaintingDrawsForEveryBlockShape) {
  // 64 x 64, p 4, w 2: 21 x 21 positions of 4 x 4 blocks, 2 pairs per row.
  EXPECT_EQ(paintingdraws(64, 64, 4, 2), 21u * 21 * 4 * 2);
  // Odd width: blocks of p rows by w columns (one pair per row).
  EXPECT_EQ(paintingdraws(7, 4, 4, 2), 2u * 1 * 4 * 1);
  // Even width, odd height: w rows by p columns.
  EXPECT_EQ(paintingdraws(8, 5, 4, 2), 2u * 1 * 2 * 2);
  EXPECT_EQ(paintingdraws(64, 64, 2, -4), 0u);  // negative pitch: no position
  EXPECT_EQ(paintingdraws(64, 64, 0, 2), 0u);   // blocks of no rows
  // Widths of opposite signs whose blocks overlap over and over.
  uint64_t huge = paintingdraws(1000, 1000, 1000000, -999996);
  EXPECT_GT(huge, paintinglimit(1000, 1000));
  EXPECT_EQ(paintingdraws(65534, 65534, INT32_MAX - 1, INT32_MIN + 4), UINT64_MAX);  // saturates
  EXPECT_LE(paintingdraws(8192, 8192, 4, 2), paintinglimit(8192, 8192));
  EXPECT_EQ(paintinglimit(10, 10), 4u << 20);
}

}  // namespace
