#include "exporter/exposition.h"

#include <gtest/gtest.h>

namespace tolvaran {
namespace {

const char kUp[] =
    "# TYPE tolvaran_up gauge\n"
    "# HELP tolvaran_up 1 when counted.\n"
    "tolvaran_up{system=\"PRD\"} 1\n"
    "# TYPE tolvaran_sessions gauge\n"
    "tolvaran_sessions{system=\"PRD\"} 9\n"
    "# EOF\n";

TEST(Exposition, SummarizesWhatTheCheckSays) {
  CheckSummary up = SummarizeCheck(kUp);
  EXPECT_TRUE(up.wellFormed);
  EXPECT_TRUE(up.up);
  EXPECT_EQ(up.errorCode, 0);

  CheckSummary down = SummarizeCheck(FailedCheckExposition("DEV", 1011, "refused"));
  EXPECT_TRUE(down.wellFormed);
  EXPECT_FALSE(down.up);
  EXPECT_EQ(down.errorCode, 1011);

  // A listing with one system down is not up.
  CheckSummary mixed = SummarizeCheck(
      "tolvaran_up{system=\"A\"} 1\ntolvaran_up{system=\"B\"} 0\n"
      "tolvaran_error_info{system=\"B\",code=\"1005\"} 1\n# EOF\n");
  EXPECT_TRUE(mixed.wellFormed);
  EXPECT_FALSE(mixed.up);
  EXPECT_EQ(mixed.errorCode, 1005);

  for (const char* bad : {"", "tolvaran_up 1\n", "# EOF\n", "tolvaran_up 2\n# EOF\n",
                          "<Prtg><Error>1</Error></Prtg>\n"}) {
    EXPECT_FALSE(SummarizeCheck(bad).wellFormed) << bad;
  }
}

TEST(Exposition, AddsTheProbesFactsBeforeTheEnd) {
  ProbeFacts facts;
  facts.success = false;
  facts.seconds = 1.25;
  facts.code = 1016;
  facts.text = "deadline \"passed\"";
  std::string out = WithProbeFacts(kUp, facts);
  EXPECT_EQ(out.substr(0, sizeof kUp - 7), std::string(kUp).substr(0, sizeof kUp - 7));
  EXPECT_NE(out.find("tolvaran_probe_success 0\n"), std::string::npos);
  EXPECT_NE(out.find("tolvaran_probe_duration_seconds 1.250\n"), std::string::npos);
  EXPECT_NE(
      out.find("tolvaran_probe_error_info{code=\"1016\",text=\"deadline \\\"passed\\\"\"} 1\n"),
      std::string::npos);
  EXPECT_EQ(out.find("# EOF"), out.size() - 6);

  facts.success = true;
  EXPECT_EQ(WithProbeFacts(kUp, facts).find("tolvaran_probe_error"), std::string::npos);
}

TEST(Exposition, ConvertsOpenMetricsToTheTextFormat) {
  const char openMetrics[] =
      "# TYPE tolvaran_up gauge\n"
      "# HELP tolvaran_up 1 when \\\"counted\\\", \\\\ and \\n.\n"
      "tolvaran_up{system=\"P\\\"D\"} 0\n"
      "# TYPE tolvaran_error info\n"
      "# HELP tolvaran_error The error.\n"
      "tolvaran_error_info{system=\"PRD\",code=\"1011\"} 1\n"
      "# TYPE jobs counter\n"
      "# UNIT jobs jobs\n"
      "jobs_total 3\n"
      "jobs_created 1700000000\n"
      "# TYPE odd unknown\n"
      "odd 1\n"
      "# EOF\n";
  EXPECT_EQ(ToPrometheusText(openMetrics),
            "# TYPE tolvaran_up gauge\n"
            "# HELP tolvaran_up 1 when \"counted\", \\\\ and \\n.\n"
            "tolvaran_up{system=\"P\\\"D\"} 0\n"
            "# TYPE tolvaran_error_info gauge\n"
            "# HELP tolvaran_error_info The error.\n"
            "tolvaran_error_info{system=\"PRD\",code=\"1011\"} 1\n"
            "# TYPE jobs_total counter\n"
            "jobs_total 3\n"
            "# TYPE odd untyped\n"
            "odd 1\n");
  EXPECT_EQ(InFormat(openMetrics, ExpositionFormat::kOpenMetrics), openMetrics);
}

}  // namespace
}  // namespace tolvaran
