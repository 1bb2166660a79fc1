#include "exporter/exporter_options.h"

#include <gtest/gtest.h>

#include "exporter/exporter_service.h"

namespace tolvaran {
namespace {

TEST(ExporterOptions, DefaultsToLoopbackAndTakesEveryFlagThatHelpNames) {
  ParsedOptions plain = ParseExporterOptions({"tolvaran-exporter"});
  ASSERT_TRUE(plain.ok);
  EXPECT_EQ(plain.options.host, "127.0.0.1");
  EXPECT_EQ(plain.options.port, kDefaultPort);

  ParsedOptions parsed = ParseExporterOptions(
      {"x", "--web.listen-address=:9999", "--profile-dir", "/etc/p", "--program=/opt/t",
       "--log-file=/var/log/e.log", "--max-probes=3", "--max-queued=0", "--timeout=12.5",
       "--timeout-offset=1", "--backoff=0"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const ExporterOptions& o = parsed.options;
  EXPECT_EQ(o.host, "0.0.0.0");
  EXPECT_EQ(o.port, 9999);
  EXPECT_EQ(o.profileDir, "/etc/p");
  EXPECT_EQ(o.program, "/opt/t");
  EXPECT_EQ(o.logFile, "/var/log/e.log");
  EXPECT_EQ(o.service.maxProbes, 3);
  EXPECT_EQ(o.service.maxQueued, 0);
  EXPECT_EQ(o.timeoutMs, 12500);
  EXPECT_EQ(o.marginMs, 1000);
  EXPECT_EQ(o.service.backoffMs, 0);

  // --help names every flag the parser takes.
  const std::string help = ExporterHelp();
  for (const char* flag : {"--web.listen-address", "--profile-dir", "--program", "--log-file",
                           "--max-probes", "--max-queued", "--timeout=", "--timeout-offset",
                           "--backoff", "--version", "--help", "service install"}) {
    EXPECT_NE(help.find(flag), std::string::npos) << flag;
  }
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"x", "--max-probes=0"},
                                             {"x", "--web.listen-address=localhost"},
                                             {"x", "--web.listen-address=[::1]:70000"},
                                             {"x", "--timeout=0"},
                                             {"x", "--bogus=1"},
                                             {"x", "--profile-dir"}}) {
    EXPECT_FALSE(ParseExporterOptions(bad).ok) << bad[1];
  }
}

TEST(ExporterOptions, AServiceGetsItsProfilesAndLogBesideTheProgramUnlessGiven) {
  EXPECT_EQ(ServiceFlags({"--max-probes=4"}, "C:\\Sensors\\tolvaran-exporter.exe"),
            (std::vector<std::string>{"--max-probes=4", "--profile-dir=C:\\Sensors",
                                      "--log-file=C:\\Sensors\\tolvaran-exporter.log"}));
  EXPECT_EQ(ServiceFlags({"--profile-dir=D:\\P", "--log-file", "D:\\l.log"}, "C:\\S\\e.exe"),
            (std::vector<std::string>{"--profile-dir=D:\\P", "--log-file", "D:\\l.log"}));
}

}  // namespace
}  // namespace tolvaran
