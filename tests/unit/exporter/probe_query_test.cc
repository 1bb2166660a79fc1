#include "exporter/probe_query.h"

#include <gtest/gtest.h>

namespace tolvaran {
namespace {

using Params = std::vector<std::pair<std::string, std::string>>;

TEST(ProbeQuery, TakesATargetAndTheCheckKeysAndBuildsTheCheckArguments) {
  ParsedQuery parsed = ParseProbeQuery(
      {{"target", "PRD"}, {"client", "100"}, {"servers", "All"}, {"measure", "users,dumps"}});
  ASSERT_TRUE(parsed.ok) << parsed.reason;
  EXPECT_EQ(CheckArguments(parsed.query, 12),
            (std::vector<std::string>{"PRD", "FORMAT=OPENMETRICS", "@", "TIMEOUT=12", "CLIENT=100",
                                      "SERVERS=ALL", "MEASURE=users,dumps"}));
  EXPECT_EQ(CheckArguments(ParseProbeQuery({{"target", "qas.p01"}}).query, 5),
            (std::vector<std::string>{"qas.p01", "FORMAT=OPENMETRICS", "@", "TIMEOUT=5"}));
  EXPECT_EQ(TargetKey("prd"), "PRD");
}

TEST(ProbeQuery, RefusesTargetsOutsideTheProfileDirectoryAndValuesThatAddKeys) {
  const Params refused[] = {
      {},
      {{"target", ""}},
      {{"target", "../PRD"}},
      {{"target", "sub/PRD"}},
      {{"target", "sub\\PRD"}},
      {{"target", "/etc/passwd"}},
      {{"target", "C:PRD"}},
      {{"target", "PRD..P00"}},
      {{"target", ".PRD"}},
      {{"target", "-version"}},
      {{"target", "PRD @"}},
      {{"target", "Global"}},
      {{"target", "GLOBAL.p00"}},
      {{"target", std::string(60, 'A')}},
      {{"target", "PRD"}, {"target", "QAS"}},
      {{"target", "PRD"}, {"client", "1000"}},
      {{"target", "PRD"}, {"client", "10 OUT=x"}},
      {{"target", "PRD"}, {"servers", "some"}},
      {{"target", "PRD"}, {"measure", "users,OUT=/tmp/x"}},
      {{"target", "PRD"}, {"measure", "users #"}},
      {{"target", "PRD"}, {"measure", std::string(90, 'm')}},
      {{"target", "PRD"}, {"item", "Active:User(s)"}},
      {{"target", "PRD"}, {"timeout", "5"}},
  };
  for (const Params& params : refused) {
    ParsedQuery parsed = ParseProbeQuery(params);
    EXPECT_FALSE(parsed.ok) << (params.empty() ? "" : params.back().second);
    EXPECT_FALSE(parsed.reason.empty());
  }
  EXPECT_TRUE(ParseProbeQuery({{"target", std::string(59, 'A')}}).ok);
}

TEST(ProbeQuery, NegotiatesOpenMetricsOnlyWhenPreferred) {
  EXPECT_EQ(NegotiateFormat(""), ExpositionFormat::kPrometheusText);
  EXPECT_EQ(NegotiateFormat("text/plain;version=0.0.4"), ExpositionFormat::kPrometheusText);
  // What Prometheus 2.x sends.
  EXPECT_EQ(NegotiateFormat("application/openmetrics-text;version=1.0.0,application/"
                            "openmetrics-text;version=0.0.1;q=0.75,text/plain;version=0.0.4;"
                            "q=0.5,*/*;q=0.1"),
            ExpositionFormat::kOpenMetrics);
  EXPECT_EQ(NegotiateFormat("application/openmetrics-text; q=0.2, text/plain"),
            ExpositionFormat::kPrometheusText);
  EXPECT_EQ(NegotiateFormat("Application/OpenMetrics-Text"), ExpositionFormat::kOpenMetrics);
  EXPECT_EQ(NegotiateFormat("application/openmetrics-text;q=0"), ExpositionFormat::kPrometheusText);
  EXPECT_EQ(NegotiateFormat("application/openmetrics-text;q=x"), ExpositionFormat::kPrometheusText);
}

TEST(ProbeQuery, TheDeadlineIsTheConfiguredOneOrTheScrapeTimeoutLessTheMargin) {
  std::int64_t ms = 0;
  std::string reason;
  ASSERT_TRUE(ProbeDeadlineMs("", 30000, 500, &ms, &reason));
  EXPECT_EQ(ms, 30000);
  ASSERT_TRUE(ProbeDeadlineMs("10", 30000, 500, &ms, &reason));
  EXPECT_EQ(ms, 9500);
  ASSERT_TRUE(ProbeDeadlineMs("2.5", 30000, 500, &ms, &reason));
  EXPECT_EQ(ms, 2000);
  ASSERT_TRUE(ProbeDeadlineMs("120", 30000, 500, &ms, &reason));
  EXPECT_EQ(ms, 30000);
  for (const char* bad : {"ten", "-1", "0", "0.5", "1e9", "10s"}) {
    EXPECT_FALSE(ProbeDeadlineMs(bad, 30000, 500, &ms, &reason)) << bad;
  }
}

}  // namespace
}  // namespace tolvaran
