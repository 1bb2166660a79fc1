#include "driver/check_outcome.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(OutcomeTextTest, EachOutcomeHasItsTextAndASystemExceptionNoneInAListing) {
  struct Case {
    int outcome;
    bool inListing;
    const char* text;
  };
  const Case cases[] = {
      {kOutcomeOk, false, ""},
      {kOutcomeOk, true, ""},
      {kOutcomeFailure, false, "Error 1014: RFC-Failure raised !"},
      {kOutcomeFailure, true, "Error 1014: RFC-Failure raised !"},
      {kOutcomeException, false, "Error 1012: Exception.: NOT_FOUND"},
      {kOutcomeException, true, "Error 1012: Exception.: NOT_FOUND"},
      {kOutcomeSysException, false, "Error 1013: Sys-Exception raised !"},
      {kOutcomeSysException, true, ""},
      {7, false, "Error 1015: Other Failure raised !"},
      {-1, true, "Error 1015: Other Failure raised !"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.outcome << "/" << c.inListing);
    QueryResult result;
    result.outcome = c.outcome;
    result.exceptionText = "NOT_FOUND";
    EXPECT_EQ(OutcomeText(result, c.inListing ? RunKind::kListing : RunKind::kSingle), c.text);
  }
}

}  // namespace
}  // namespace tolvaran
