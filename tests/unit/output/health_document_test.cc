#include "output/health_document.h"

#include <gtest/gtest.h>

#include <string>

#include "measure/host_cpu.h"
#include "measure/short_dumps.h"
#include "measure/work_processes.h"

namespace tolvaran {
namespace {

MeasuredPart Part(const Measurement& m, std::int64_t base) {
  MeasuredPart part;
  part.measurement = &m;
  for (std::size_t i = 0; i < m.Values().size(); ++i) {
    part.reading.values.push_back(base + static_cast<std::int64_t>(i));
  }
  part.reading.atLeast.assign(m.Values().size(), false);
  part.reading.notes = {"TIME_OUT", "60"};
  return part;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(HealthDocumentTest, AFailedMeasurementIsNamedAndEveryChannelWarns) {
  HealthReport report;
  report.system = "PRD";
  report.parts = {Part(HostCpuMeasurement(), 125), Part(ShortDumpsMeasurement(), 0)};
  report.parts[1].failure = "Error 1042: No authorization to read table SNAP (S_TABU_NAM) !";
  EXPECT_EQ(report.Text(),
            "(PRD) CPU Busy=125%, Load=1.29, CPUs=132; DUMPS failed: Error 1042: No "
            "authorization to read table SNAP (S_TABU_NAM) !");
  const std::string xml = HealthDocument(OutputFlavour::kExeXml, {}, report);
  EXPECT_EQ(Count(xml, "<Result>"), 8u);
  EXPECT_EQ(Count(xml, "<Warning>1</Warning>"), 8u);
  EXPECT_NE(xml.find("<Channel>Load Average 1</Channel>\n<Unit>Count</Unit>\n<Value>1.29</Value>"
                     "\n<Float>1</Float>\n<Warning>1</Warning></Result>"),
            std::string::npos);
  // Tembrel's CH=5 is the fifth channel's value alone, decimals and all.
  EXPECT_EQ(HealthDocument(OutputFlavour::kTembrel, {true, 5}, report), "1.29\n");
  EXPECT_EQ(HealthScriptV2(report).bytes.find("\"status\":\"warning\""), 13u);
}

TEST(HealthDocumentTest, PastFiftyChannelsTheRestIsLeftOutAndCounted) {
  HealthReport report;
  report.system = "PRD";
  for (int i = 0; i < 4; ++i) report.parts.push_back(Part(WorkProcessesMeasurement(), i));
  const std::string xml = HealthDocument(OutputFlavour::kExeXml, {}, report);
  EXPECT_EQ(Count(xml, "<Result>"), kMaxDocumentChannels);
  EXPECT_NE(report.Text().find("; 14 more values left out"), std::string::npos);
  EXPECT_EQ(Count(HealthScriptV2(report).bytes, "\"id\":"), 50u);
}

}  // namespace
}  // namespace tolvaran
