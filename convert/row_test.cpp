#include "convert/row.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace cardwharf {
namespace {

TEST(RowTest, EveryStoredColumnIsItsOwn) {
  fieldtyp row;
  for (int c = 1; c <= 31; ++c) {
    if (c != 29) row[c] = "v" + std::to_string(c);
  }
  for (int c = 1; c <= 31; ++c) {
    if (c != 29) {
      EXPECT_EQ(row[c], "v" + std::to_string(c)) << "column " << c;
    }
  }
  row.clear();
  EXPECT_EQ(row, fieldtyp{});
}

TEST(RowTest, ColumnsThatAreNotStoredAreRefused) {
  fieldtyp row;
  for (int c : {0, 29, 32, -1}) {
    EXPECT_THROW(row[c], std::out_of_range) << "column " << c;
  }
}

}  // namespace
}  // namespace cardwharf
