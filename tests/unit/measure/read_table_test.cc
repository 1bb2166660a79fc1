#include "measure/read_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/sap_clock.h"

namespace tolvaran {
namespace {

TEST(WhereClauseTest, OperatorsAndParenthesesStandBetweenBlanks) {
  WhereClause where;
  where.Compare("SEQNO", "=", "000").And().Open().Compare("STATUS", "=", "A").Close();
  EXPECT_EQ(where.Lines(), std::vector<std::string>({"SEQNO = '000' AND ( STATUS = 'A' )"}));
}

TEST(WhereClauseTest, LinesHoldAtMostSeventyTwoCharactersAndAreCutOnlyBetweenWords) {
  WhereClause where;
  where.Compare("SEQNO", "=", "000").And();
  where.Within("DATUM", "UZEIT", "20261209", "233000", "20261210", "003000");
  const std::vector<std::string> lines = where.Lines();
  ASSERT_GT(lines.size(), 1u);
  std::string joined;
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), kOptionLineWidth) << line;
    EXPECT_NE(line.front(), ' ');
    EXPECT_NE(line.back(), ' ');
    joined += (joined.empty() ? "" : " ") + line;
  }
  EXPECT_EQ(joined,
            "SEQNO = '000' AND ( DATUM > '20261209' OR ( DATUM = '20261209' AND UZEIT >= "
            "'233000' ) ) AND ( DATUM < '20261210' OR ( DATUM = '20261210' AND UZEIT <= "
            "'003000' ) )");
  // A literal with a blank or a quote stays one word.
  WhereClause quoted;
  quoted.Compare("JOBNAME", "=", "A B'C");
  EXPECT_EQ(quoted.Lines(10), std::vector<std::string>({"JOBNAME =", "'A B''C'"}));
  // A word no line can hold leaves nothing to send.
  EXPECT_TRUE(quoted.Lines(5).empty());
}

TEST(FieldLayoutTest, FieldsAreReadAtTheirOwnOffsetsWhateverOrderTheyCameBackIn) {
  FieldLayout layout;
  // Asked for DATUM, UZEIT, FLIST; the system answered in another order.
  ASSERT_TRUE(layout.Add("FLIST                         ", "000014", "000200"));
  ASSERT_TRUE(layout.Add("DATUM", "000000", "000008"));
  ASSERT_TRUE(layout.Add("UZEIT", "000008", "000006"));
  std::string row =
      "20261210"
      "001500"
      "FC010DBIF_ERROR AP004TEST";
  EXPECT_EQ(layout.Take(row, "DATUM"), "20261210");
  EXPECT_EQ(layout.Take(row, "UZEIT"), "001500");
  EXPECT_EQ(layout.Take(row, "FLIST"), "FC010DBIF_ERROR AP004TEST");  // row ends early
  EXPECT_EQ(layout.Take(row, "MANDT"), "");
  EXPECT_TRUE(layout.HasAll({"DATUM", "UZEIT", "FLIST"}));
  EXPECT_FALSE(layout.HasAll({"DATUM", "AHOST"}));
  // A row that reaches past 512 bytes, or numbers that are not digits.
  EXPECT_FALSE(layout.Add("X", "000510", "000003"));
  EXPECT_FALSE(layout.Add("X", "00001A", "000003"));
}

TEST(SapInstantTest, WindowsAcrossMidnightMonthAndYearEnds) {
  auto now = SapInstant::Parse("20270101", "001500");
  ASSERT_TRUE(now);
  SapWindow window = SapWindow::Last(*now, 60);
  EXPECT_EQ(window.from.Date(), "20261231");
  EXPECT_EQ(window.from.Time(), "231500");
  EXPECT_EQ(window.to.Readable(), "2027-01-01 00:15:00");
  auto leap = SapInstant::Parse("20280301", "000000");
  ASSERT_TRUE(leap);
  EXPECT_EQ(leap->MinusMinutes(1).Date(), "20280229");
  EXPECT_FALSE(SapInstant::Parse("00000000", "000000"));  // an initial date
  EXPECT_FALSE(SapInstant::Parse("20270230", "000000"));
  EXPECT_FALSE(SapInstant::Parse("20270101", "240000"));
  auto taken = SapInstant::Parse("20261231", "235930");
  EXPECT_EQ(MinutesBetween(*taken, *now), 15);
  EXPECT_EQ(MinutesBetween(*now, *taken), 0);
}

}  // namespace
}  // namespace tolvaran
