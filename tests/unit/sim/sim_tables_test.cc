#include "sim_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace rfcsim {
namespace {

TEST(SimTablesTest, LaysOutFieldsWithNaturalAlignment) {
  char a[] = "A", b[] = "B", c[] = "C", d[] = "D", e[] = "E";
  FieldDescriptor fields[] = {{a, kRfcTypeChar, 3, 0, 99},
                              {b, kRfcTypeInt2, 2, 0, 99},
                              {c, kRfcTypeInt, 4, 0, 99},
                              {d, kRfcTypeInt1, 1, 0, 99},
                              {e, kRfcTypeByte, 4, 0, 99}};
  RowLayout layout = ComputeRowLayout("S", fields, 5);
  ASSERT_EQ(layout.fields.size(), 5u);
  EXPECT_EQ(layout.fields[0].offset, 0u);
  EXPECT_EQ(layout.fields[1].offset, 4u);
  EXPECT_EQ(layout.fields[2].offset, 8u);
  EXPECT_EQ(layout.fields[3].offset, 12u);
  EXPECT_EQ(layout.fields[4].offset, 13u);
  EXPECT_EQ(layout.length, 20u);
}

TEST(SimTablesTest, WritesValuesByType) {
  unsigned char row[16];
  std::memset(row, 0xEE, sizeof row);
  WriteValue(row, 5, kRfcTypeChar, FieldValue::Text("ab"));
  EXPECT_EQ(std::memcmp(row, "ab   ", 5), 0);
  WriteValue(row, 3, kRfcTypeChar, FieldValue::Text("abcdef"));
  EXPECT_EQ(std::memcmp(row, "abc", 3), 0);
  WriteValue(row, 4, kRfcTypeInt, FieldValue::Number(-5));
  std::int32_t i4 = 0;
  std::memcpy(&i4, row, 4);
  EXPECT_EQ(i4, -5);
  WriteValue(row, 4, kRfcTypeByte, FieldValue::Number(0x0A000102));
  EXPECT_EQ(row[0], 10);
  EXPECT_EQ(row[3], 2);

  // A field running past the row's end is cut there, not written beyond.
  std::memset(row, 0xEE, sizeof row);
  FieldLayout field{"F", kRfcTypeChar, 10, 4};
  WriteField(row, 8, field, FieldValue::Text("xyzxyzxyz"));
  EXPECT_EQ(std::memcmp(row + 4, "xyzx", 4), 0);
  EXPECT_EQ(row[8], 0xEE);
}

TEST(SimTablesTest, CountsRowsFromOne) {
  InternalTable table(92);
  EXPECT_EQ(table.Line(1), nullptr);
  table.AppendRow()[0] = 'a';
  table.AppendRow()[0] = 'b';
  EXPECT_EQ(table.Rows(), 2u);
  EXPECT_EQ(table.Line(0), nullptr);
  EXPECT_EQ(table.Line(1)[0], 'a');
  EXPECT_EQ(table.Line(2)[0], 'b');
  EXPECT_EQ(table.Line(2) - table.Line(1), 92);
  EXPECT_EQ(table.Line(3), nullptr);
}

}  // namespace
}  // namespace rfcsim
