// Tests of the harness itself, so that a failing end-to-end case can be
// trusted to be the program's fault.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "case_file.h"
#include "harness_config.h"
#include "process.h"
#include "text_compare.h"
#include "validation.h"

namespace tolvaran_e2e {
namespace {

using std::chrono::milliseconds;

std::string ParseError(const std::string& text) {
  try {
    ParseCase(text, "x.case");
  } catch (const CaseError& e) {
    return e.what();
  }
  return "(parsed)";
}

TEST(CaseFile, ReadsAllSections) {
  Case c = ParseCase(
      "# What it checks.\n"
      "# Second line.\n"
      "=== args\n"
      "SYS1\n"
      "\n"
      "=== file a/b.P00 (crlf)\n"
      "x\n"
      "y\n"
      "=== file c.txt (no final line feed)\n"
      "z\n"
      "=== file empty.txt\n"
      "=== dir d\n"
      "=== copy u.txt data/users.txt\n"
      "=== program tolvaran-x (link)\n"
      "=== stdout\n"
      "<A>{TIME}{{</A>\n"
      "=== stdout-contains\n"
      "A>\n"
      "=== status\n"
      "2\n"
      "=== exists c.txt\n"
      "z\n"
      "=== exists e.txt (empty)\n"
      "=== exists f.txt\n"
      "=== gone g.tmp\n"
      "=== no-leftovers\n"
      "=== posix-only\n",
      "x.case");
  EXPECT_EQ(c.description, "What it checks.\nSecond line.");
  EXPECT_EQ(c.args, (std::vector<std::string>{"SYS1", ""}));
  ASSERT_EQ(c.setup.size(), 5u);
  EXPECT_EQ(c.setup[0].name, "a/b.P00");
  EXPECT_EQ(c.setup[0].content, "x\r\ny\r\n");
  EXPECT_EQ(c.setup[1].content, "z");
  EXPECT_EQ(c.setup[2].content, "");
  EXPECT_EQ(c.setup[3].kind, ScratchEntry::Kind::kDir);
  EXPECT_EQ(c.setup[4].kind, ScratchEntry::Kind::kCopy);
  EXPECT_EQ(c.setup[4].from, "data/users.txt");
  EXPECT_EQ(c.placement, Placement::kLink);
  EXPECT_EQ(c.program_name, "tolvaran-x");
  ASSERT_TRUE(c.expected_stdout);
  EXPECT_TRUE(c.expected_stdout->Matches("<A>12:00:59{</A>\n"));
  ASSERT_EQ(c.stdout_contains.size(), 1u);
  EXPECT_EQ(c.expected_status, 2);
  ASSERT_EQ(c.file_checks.size(), 4u);
  EXPECT_TRUE(c.file_checks[0].content->Matches("z\n"));
  EXPECT_TRUE(c.file_checks[1].content->Matches(""));
  EXPECT_FALSE(c.file_checks[2].content);
  EXPECT_FALSE(c.file_checks[3].must_exist);
  EXPECT_TRUE(c.no_leftovers);
  EXPECT_EQ(c.only_on, Platform::kPosix);
}

TEST(CaseFile, EmptyArgsAndDefaults) {
  Case c = ParseCase("# c\n=== args\n=== status\n0\n", "x.case");
  EXPECT_TRUE(c.args.empty());
  EXPECT_EQ(c.placement, Placement::kInPlace);
  EXPECT_FALSE(c.library_absent);
  EXPECT_FALSE(c.expected_stdout);
  EXPECT_FALSE(c.only_on);
  EXPECT_TRUE(ParseCase("# c\n=== library absent\n=== status\n0\n", "x").library_absent);
}

TEST(CaseFile, LibraryOfItsOwn) {
  const std::string tail = "=== status\n0\n";
  EXPECT_FALSE(ParseCase("# c\n" + tail, "x").only_library.has_value());
  Case classic = ParseCase("# c\n=== library classic\n" + tail, "x");
  EXPECT_EQ(classic.only_library, LibraryKind::kClassic);
  EXPECT_FALSE(classic.library_absent);
  EXPECT_EQ(ParseCase("# c\n=== library netweaver\n" + tail, "x").only_library,
            LibraryKind::kNetWeaver);
  // One library section only: "absent" with a kind, or two kinds, is a slip.
  EXPECT_NE(ParseError("# c\n=== library classic\n=== library netweaver\n" + tail), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== library absent\n=== library classic\n" + tail), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== library NetWeaver\n" + tail), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== library classic extra\n" + tail), "(parsed)");
}

TEST(CaseFile, StdoutVariants) {
  Case c = ParseCase("# c\n=== stdout (crlf, no final line feed)\na\nb\n=== status\n0\n", "x");
  EXPECT_TRUE(c.expected_stdout->Matches("a\r\nb"));
  EXPECT_FALSE(c.expected_stdout->Matches("a\r\nb\r\n"));
  Case empty = ParseCase("# c\n=== stdout\n=== status\n0\n", "x");
  EXPECT_TRUE(empty.expected_stdout->Matches(""));
  Case blank_last = ParseCase("# c\n=== stdout\na\n\n=== status\n0\n", "x");
  EXPECT_TRUE(blank_last.expected_stdout->Matches("a\n\n"));
}

TEST(CaseFile, StdinAndStart) {
  Case c = ParseCase(
      "# c\n=== stdin (escaped, open)\na\\0\n=== start (stdout closed, sigchld ignored)\n"
      "=== status\n2\n",
      "x");
  EXPECT_EQ(c.stdin_bytes, std::string("a\0\n", 3));
  EXPECT_TRUE(c.stdin_open && c.stdout_closed && c.sigchld_ignored);
  Case plain = ParseCase("# c\n=== stdin\n=== status\n0\n", "x");
  EXPECT_EQ(plain.stdin_bytes, "");
  EXPECT_FALSE(plain.stdin_open || plain.stdout_closed || plain.sigchld_ignored);
  EXPECT_FALSE(ParseCase("# c\n=== status\n0\n", "x").stdin_bytes.has_value());
  EXPECT_NE(ParseError("# c\n=== start\n=== status\n0\n").find("needs a variant"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== start (stdout closed)\n=== stdout\n=== status\n0\n")
                .find("no output to compare"),
            std::string::npos);
}

TEST(CaseFile, RejectsMistakes) {
  EXPECT_NE(ParseError("# c\n=== stdot\n=== status\n0\n").find("x.case:2: unknown section"),
            std::string::npos);
  EXPECT_NE(ParseError("=== status\n0\n").find("no leading \"#\" comment"), std::string::npos);
  EXPECT_NE(ParseError("# c\ntext\n=== status\n0\n").find("x.case:2:"), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== args\n").find("no \"=== status\""), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== status\n0\n\n").find("exactly one line"), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== status\n256\n").find("0 to 255"), std::string::npos);
  EXPECT_NE(ParseError("# c\r\n=== status\n0\n").find("CR LF"), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== status\n0\n=== status\n0\n").find("only once"), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== dir d\n\n=== status\n0\n").find("x.case:3: "), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file a (crlf\n=== status\n0\n"), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== file a (lf)\n=== status\n0\n").find("not a variant"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file ../a\n=== status\n0\n").find("\"..\""), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file /a\n=== status\n0\n").find("relative"), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file  a\n=== status\n0\n").find("two blanks"), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== args \n=== status\n0\n").find("blank at the start or end"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== stdout\n{time}\n=== status\n0\n")
                .find("x.case:3: unknown "
                      "placeholder"),
            std::string::npos);
  EXPECT_NE(
      ParseError("# c\n=== program p (link)\n=== library absent\n=== status\n0\n").find("(link)"),
      std::string::npos);
  EXPECT_NE(ParseError("# c\n=== library present\n=== status\n0\n"), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== windows-only\n=== posix-only\n=== status\n0\n"), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== stdout-contains\n\n=== status\n0\n"), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== exists a (empty)\nx\n=== status\n0\n"), "(parsed)");
}

TEST(CaseFile, ValidateNamesAKnownValidatorAndOptionallyAFile) {
  Case c = ParseCase(
      "# c\n=== validate script-v2\n=== validate openmetrics out/sap.prom\n=== status\n0\n",
      "x.case");
  ASSERT_EQ(c.validations.size(), 2u);
  EXPECT_EQ(c.validations[0].kind, "script-v2");
  EXPECT_EQ(c.validations[0].file, "");
  EXPECT_EQ(c.validations[1].kind, "openmetrics");
  EXPECT_EQ(c.validations[1].file, "out/sap.prom");
  EXPECT_NE(ParseError("# c\n=== validate json\n=== status\n0\n").find("no validator \"json\""),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== validate plugin\nx\n=== status\n0\n"), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== validate plugin ../x\n=== status\n0\n"), "(parsed)");
}

// What a validator says of `bytes` as the output of a run that ended with
// `status`: empty when it accepts them.
std::string Validated(const std::string& kind, const std::string& bytes, int status = 0) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("tolvaran-validator-" + kind);
  std::ofstream(path, std::ios::binary) << bytes;
  ValidatorSetup setup;
  setup.python = TOLVARAN_E2E_PYTHON;
  setup.validators_dir = TOLVARAN_E2E_VALIDATORS;
  std::string findings = Validate(setup, kind, path.string(), status);
  std::filesystem::remove(path);
  return findings;
}

TEST(Validators, ScriptV2TakesTheSchemaAndRejectsWhatItForbids) {
  const std::string channel = "{\"id\":10,\"name\":\"Active User(s)\",\"type\":\"integer\",";
  EXPECT_EQ(Validated("script-v2",
                      "{\"version\":2,\"status\":\"ok\",\"message\":\"\\u0009\","
                      "\"channels\":[" +
                          channel + "\"value\":3}]}\n"),
            "");
  EXPECT_NE(Validated("script-v2",
                      "{\"version\":2,\"status\":\"ok\",\"channels\":[{\"id\":9,"
                      "\"name\":\"x\",\"type\":\"integer\",\"value\":3}]}")
                .find("less than the minimum of 10"),
            std::string::npos);
  EXPECT_NE(Validated("script-v2", "{\"version\":2,\"status\":\"ok\",\"message\":\"" +
                                       std::string(2001, 'x') + "\"}")
                .find("is too long"),
            std::string::npos);
  EXPECT_NE(Validated("script-v2", "{\"version\":2,\"status\":\"ok\",\"channels\":[" + channel +
                                       "\"value\":3}," + channel + "\"value\":4}]}")
                .find("given twice: 10"),
            std::string::npos);
  EXPECT_NE(Validated("script-v2", "{\"version\":2,\"status\":\"ok\",\"message\":\"a\nb\"}"), "");
  EXPECT_NE(Validated("script-v2", "{\"version\":2,\"status\":\"ok\"}{}"), "");
  EXPECT_NE(Validated("script-v2", "{\"version\":2,\"status\":\"ok\",\"message\":\"\xe9\"}"), "");
}

TEST(Validators, PluginTakesTheGuidelinesGrammarAndTheStateItsStatus) {
  const std::string line =
      "TOLVARAN WARNING - (PRD) a=b | 'Active_Users'=12;10;@20:;0; 'it''s'=1;;;0;\n";
  EXPECT_EQ(Validated("plugin", line, 1), "");
  EXPECT_NE(Validated("plugin", line, 0).find("state WARNING but exit status 0"),
            std::string::npos);
  EXPECT_NE(Validated("plugin", "TOLVARAN OK - a | 'x'=1;abc;;0;\n").find("no range"),
            std::string::npos);
  EXPECT_NE(Validated("plugin", "TOLVARAN OK - a | 'x=1\n").find("unclosed quote"),
            std::string::npos);
  EXPECT_NE(Validated("plugin", "TOLVARAN OK - a | x=1 x=2\n").find("given twice"),
            std::string::npos);
  EXPECT_NE(Validated("plugin", "TOLVARAN OK - a\nsecond line\n"), "");
  EXPECT_NE(Validated("plugin", "TOLVARAN FINE - a\n"), "");
}

TEST(Validators, OpenMetricsTakesWhatThePrometheusParserTakes) {
  const std::string good =
      "# TYPE tolvaran_up gauge\n# HELP tolvaran_up Up.\n"
      "tolvaran_up{system=\"P\\\"R\\\\D\\n\"} 0\n"
      "# TYPE tolvaran_error info\n# HELP tolvaran_error Why.\n"
      "tolvaran_error_info{system=\"PRD\",code=\"1011\"} 1\n# EOF\n";
  EXPECT_EQ(Validated("openmetrics", good), "");
  EXPECT_NE(Validated("openmetrics", good.substr(0, good.size() - 6)).find("# EOF"),
            std::string::npos);
  EXPECT_NE(Validated("openmetrics", "tolvaran_up{system=\"a\"b\"} 1\n# EOF\n")
                .find("rejected by the parser"),
            std::string::npos);
  EXPECT_NE(Validated("openmetrics", "# TYPE e info\ne_info{a=\"1\"} 2\n# EOF\n"), "");
  EXPECT_NE(Validated("openmetrics", "up{s=\"a\"} 1\nup{s=\"a\"} 1\n# EOF\n").find("given twice"),
            std::string::npos);
}

TEST(CaseFile, QuotedNamesHoldBlanks) {
  Case c = ParseCase(
      "# c\n"
      "=== file \"Program Files (x86)/PRTG Network Monitor/a.P00\" (crlf)\n"
      "x\n"
      "=== dir \"Custom Sensors\"\n"
      "=== exists \"Program Files (x86)/PRTG Network Monitor/a.P00\"\n"
      "=== status\n"
      "0\n",
      "x.case");
  ASSERT_EQ(c.setup.size(), 2u);
  EXPECT_EQ(c.setup[0].name, "Program Files (x86)/PRTG Network Monitor/a.P00");
  EXPECT_EQ(c.setup[0].content, "x\r\n");
  EXPECT_EQ(c.setup[1].name, "Custom Sensors");
  EXPECT_EQ(c.file_checks[0].name, "Program Files (x86)/PRTG Network Monitor/a.P00");
  EXPECT_NE(ParseError("# c\n=== file \"a b\n=== status\n0\n").find("not closed"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file \"a\"b\n=== status\n0\n").find("followed by a blank"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file a\"b\"\n=== status\n0\n").find("whole word"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file \"\"\n=== status\n0\n").find("no name"), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file \"../a b\"\n=== status\n0\n").find("\"..\""),
            std::string::npos);
}

TEST(CaseFile, DriveCOnlyForWindows) {
  EXPECT_TRUE(ParseCase("# c\n=== windows-only\n=== drive C\n=== status\n0\n", "x").drive_c);
  EXPECT_FALSE(ParseCase("# c\n=== windows-only\n=== status\n0\n", "x").drive_c);
  EXPECT_NE(ParseError("# c\n=== drive C\n=== status\n0\n").find("x.case:2: "), std::string::npos);
  EXPECT_NE(ParseError("# c\n=== posix-only\n=== drive C\n=== status\n0\n").find("windows-only"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== windows-only\n=== drive D\n=== status\n0\n").find("only drive C"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== windows-only\n=== drive C\nx\n=== status\n0\n"), "(parsed)");
}

TEST(ProgramCopyName, WindowsCopiesEndInExe) {
  EXPECT_EQ(ProgramCopyName("x-MIRVANE", Platform::kWindows), "x-MIRVANE.exe");
  EXPECT_EQ(ProgramCopyName("quillrax/tolvaran", Platform::kWindows), "quillrax/tolvaran.exe");
  EXPECT_EQ(ProgramCopyName("Tolvaran-Tembrel.exe", Platform::kWindows), "Tolvaran-Tembrel.exe");
  EXPECT_EQ(ProgramCopyName("SENSOR.EXE", Platform::kWindows), "SENSOR.EXE");
  EXPECT_EQ(ProgramCopyName("tolvaran.exe.old", Platform::kWindows), "tolvaran.exe.old.exe");
  EXPECT_EQ(ProgramCopyName("x-MIRVANE", Platform::kPosix), "x-MIRVANE");
}

TEST(CaseFile, FileVariantsEscapedAndRepeat) {
  Case c = ParseCase(
      "# c\n"
      "=== file a.P00 (escaped)\n"
      "User.......: SAP\\0MON\\r\\x8F\\xff\\t\\\\x\n"
      "=== file big.P00 (repeat 3, no final line feed)\n"
      "ab\n"
      "=== file lines.txt (repeat 2, crlf)\n"
      "x\n"
      "y\n"
      "=== file cr.P00 (escaped, no final line feed, repeat 2)\n"
      "a\\rb\\r\n"
      "=== status\n0\n",
      "x.case");
  ASSERT_EQ(c.setup.size(), 4u);
  EXPECT_EQ(c.setup[0].content, std::string("User.......: SAP\0MON\r\x8F\xFF\t\\x\n", 27));
  EXPECT_EQ(c.setup[1].content, "ababab");
  EXPECT_EQ(c.setup[2].content, "x\r\ny\r\nx\r\ny\r\n");
  EXPECT_EQ(c.setup[3].content, "a\rb\ra\rb\r");

  // A megabyte in one line, from a short case file.
  Case big =
      ParseCase("# c\n=== file m (repeat 1048576, no final line feed)\nx\n=== status\n0\n", "x");
  EXPECT_EQ(big.setup[0].content, std::string(1048576, 'x'));
}

TEST(CaseFile, RejectsBadFileVariants) {
  EXPECT_NE(ParseError("# c\n=== file a (escaped)\nC:\\SAP\n=== status\n0\n").find("x.case:3: "),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file a (escaped)\n\\x4\n=== status\n0\n").find("hex digits"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file a (escaped)\nab\\\n=== status\n0\n"), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== file a (repeat 0)\nx\n=== status\n0\n").find("from 1"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file a (repeat x)\nx\n=== status\n0\n"), "(parsed)");
  EXPECT_NE(ParseError("# c\n=== file a (repeat 2, repeat 3)\nx\n=== status\n0\n").find("twice"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== file a (repeat 99999999)\nxxxxxxxxxx\n=== status\n0\n")
                .find("larger than"),
            std::string::npos);
  EXPECT_NE(ParseError("# c\n=== exists a (escaped)\nx\n=== status\n0\n").find("not a variant"),
            std::string::npos);
}

TEST(Pattern, TimeAndBraces) {
  Pattern p = Pattern::Compile("at {TIME} {{x}");
  EXPECT_TRUE(p.Matches("at 09:05:00 {x}"));
  EXPECT_FALSE(p.Matches("at 9:05:00 {x}"));
  EXPECT_FALSE(p.Matches("at 09:05:0a {x}"));
  EXPECT_FALSE(p.Matches("at 09-05-00 {x}"));
  EXPECT_FALSE(p.Matches("at 09:05:00 {x} "));
  EXPECT_TRUE(p.FoundIn("said: at 23:59:59 {x}!"));
  EXPECT_FALSE(p.FoundIn("said: at 23:59 {x}!"));
  EXPECT_THROW(Pattern::Compile("{"), std::invalid_argument);
  EXPECT_THROW(Pattern::Compile("{DATE}"), std::invalid_argument);
  EXPECT_TRUE(Pattern::Compile("a}b").Matches("a}b"));
}

TEST(Visible, ShowsInvisibleBytes) {
  EXPECT_EQ(Visible(std::string("a\r\n\tb\x01\xE4", 7)), "a\\r\n\\tb\\x01\\xE4");
}

TEST(SanitizerReport, FoundByItsSummaryOrRuntimeError) {
  EXPECT_TRUE(CarriesSanitizerReport(
      "=================================================================\n"
      "==1==ERROR: AddressSanitizer: heap-buffer-overflow on address 0x602\n"
      "SUMMARY: AddressSanitizer: heap-buffer-overflow src/x.cc:3:5 in f\n"));
  EXPECT_TRUE(CarriesSanitizerReport("SUMMARY: LeakSanitizer: 5 byte(s) leaked\n"));
  EXPECT_TRUE(CarriesSanitizerReport("src/x.cc:3:5: runtime error: signed integer overflow"));
  EXPECT_FALSE(CarriesSanitizerReport(""));
  EXPECT_FALSE(CarriesSanitizerReport("SUMMARY: 3 checks\nAddressSanitizer is a tool\n"));
  EXPECT_FALSE(CarriesSanitizerReport("runtime error in the RFC library\n"));
}

TEST(LineDiff, EmptyWhenMatching) {
  EXPECT_EQ(LineDiff("a\n{TIME}\n", "a\n10:11:12\n"), "");
  EXPECT_EQ(LineDiff("", ""), "");
}

TEST(LineDiff, ShowsChangesWithContext) {
  EXPECT_EQ(LineDiff("1\n2\n3\n4\n5\n6\n7\n8\n", "1\n2\n3\n4\nfive\n6\n7\n8\n"),
            "--- expected\n+++ actual\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n");
}

TEST(LineDiff, ShowsCarriageReturnAndMissingLineFeed) {
  EXPECT_EQ(LineDiff("<Prtg>\n</Prtg>\n", "<Prtg>\r\n</Prtg>"),
            "--- expected\n+++ actual\n@@ -1,2 +1,2 @@\n-<Prtg>\n-</Prtg>\n+<Prtg>\\r\n"
            "+</Prtg>[no final line feed]\n");
  EXPECT_EQ(LineDiff("a\n", ""), "--- expected\n+++ actual\n@@ -1,1 +0,0 @@\n-a\n");
}

TEST(LineDiff, SeparateHunks) {
  std::string expected;
  std::string actual;
  for (int i = 1; i <= 20; ++i) {
    expected += std::to_string(i) + "\n";
    actual += (i == 2 || i == 18 ? "x" : std::to_string(i)) + "\n";
  }
  EXPECT_EQ(LineDiff(expected, actual),
            "--- expected\n+++ actual\n"
            "@@ -1,5 +1,5 @@\n 1\n-2\n+x\n 3\n 4\n 5\n"
            "@@ -15,6 +15,6 @@\n 15\n 16\n 17\n-18\n+x\n 19\n 20\n");
}

TEST(RunProcess, CapturesBytesStatusAndDirectory) {
  std::string directory = std::filesystem::temp_directory_path().string();
  ProcessResult r =
      RunProcess({"/bin/sh", "-c", "printf 'a\\000b\\r\\n'; printf oops >&2; pwd >&2; exit 3"},
                 directory, milliseconds(10000));
  ASSERT_TRUE(r.started) << r.start_error;
  EXPECT_EQ(r.out, std::string("a\0b\r\n", 5));
  EXPECT_EQ(r.err, "oops" + std::filesystem::canonical(directory).string() + "\n");
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.exit_status, 3);
  EXPECT_FALSE(r.timed_out);
}

TEST(RunProcess, StandardInputIsEmpty) {
  ProcessResult r = RunProcess({"/bin/sh", "-c", "cat; echo done"}, "/", milliseconds(10000));
  EXPECT_EQ(r.out, "done\n");
}

TEST(RunProcess, LargeOutputOnBothStreams) {
  // More than a pipe holds on both streams at once: a runner reading one
  // stream after the other would deadlock here.
  ProcessResult r = RunProcess({"/bin/sh", "-c",
                                "head -c 1000000 /dev/zero; head -c 1000000 /dev/zero >&2; "
                                "head -c 1000000 /dev/zero"},
                               "/", milliseconds(30000));
  EXPECT_EQ(r.out.size(), 2000000u);
  EXPECT_EQ(r.err.size(), 1000000u);
  EXPECT_EQ(r.exit_status, 0);
}

TEST(RunProcess, KillsAfterTimeout) {
  auto start = std::chrono::steady_clock::now();
  ProcessResult r =
      RunProcess({"/bin/sh", "-c", "echo begun; sleep 30 & sleep 30"}, "/", milliseconds(300));
  EXPECT_TRUE(r.timed_out);
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(r.out, "begun\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(RunProcess, DoesNotWaitForBackgroundHelpers) {
  // A helper left running with the pipes open (as wineserver can be) must
  // not hold up the result once the program itself has ended.
  auto start = std::chrono::steady_clock::now();
  ProcessResult r = RunProcess({"/bin/sh", "-c", "sleep 5 & echo done"}, "/", milliseconds(20000));
  EXPECT_EQ(r.out, "done\n");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

TEST(RunProcess, EnvironmentReplacesAndAdds) {
  setenv("TOLVARAN_E2E_PROBE", "harness", 1);
  ProcessResult r = RunProcess(
      {"/bin/sh", "-c", "echo \"$TOLVARAN_E2E_PROBE/$TOLVARAN_E2E_ADDED/${HOME:+home}\""}, "/",
      milliseconds(10000), {"TOLVARAN_E2E_PROBE=case", "TOLVARAN_E2E_ADDED=x=y"});
  unsetenv("TOLVARAN_E2E_PROBE");
  EXPECT_EQ(r.out, std::getenv("HOME") ? "case/x=y/home\n" : "case/x=y/\n");
}

TEST(RunProcess, ReportsSignal) {
  ProcessResult r = RunProcess({"/bin/sh", "-c", "kill -SEGV $$"}, "/", milliseconds(10000));
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(r.signal, SIGSEGV);
}

TEST(RunProcess, StartsAsAMonitorMay) {
  StartOptions input;
  input.stdin_piped = true;
  input.stdin_bytes = "a\nb";
  EXPECT_EQ(RunProcess({"/bin/cat"}, "/", milliseconds(10000), {}, input).out, "a\nb");
  input.stdin_kept_open = true;
  ProcessResult open = RunProcess({"/bin/cat"}, "/", milliseconds(300), {}, input);
  EXPECT_TRUE(open.timed_out);
  EXPECT_EQ(open.out, "a\nb");

  StartOptions closed;
  closed.stdout_closed = true;
  ProcessResult piped = RunProcess({"/bin/echo", "x"}, "/", milliseconds(10000), {}, closed);
  EXPECT_EQ(piped.signal, SIGPIPE);

  StartOptions chld;
  chld.sigchld_ignored = true;
  // SIGCHLD is 17: bit 16 of the masks, the fifth hex digit from the right.
  ProcessResult masks = RunProcess({"/bin/grep", "-E", "^Sig(Blk|Ign)", "/proc/self/status"}, "/",
                                   milliseconds(10000), {}, chld);
  EXPECT_NE(masks.out.find("SigBlk:\t0000000000010000"), std::string::npos) << masks.out;
  EXPECT_NE(masks.out.find("SigIgn:\t0000000000010000"), std::string::npos) << masks.out;
}

TEST(RunProcess, ReportsWhatCannotStart) {
  ProcessResult missing = RunProcess({"/nonexistent/program"}, "/", milliseconds(10000));
  EXPECT_FALSE(missing.started);
  EXPECT_NE(missing.start_error.find("cannot execute \"/nonexistent/program\""), std::string::npos);
  ProcessResult bad_directory =
      RunProcess({"/bin/sh", "-c", "true"}, "/nonexistent/dir", milliseconds(10000));
  EXPECT_FALSE(bad_directory.started);
  EXPECT_NE(bad_directory.start_error.find("scratch directory"), std::string::npos);
}

Config Load(std::vector<std::string> args, std::map<std::string, std::string> env,
            Defaults defaults = {"/b/tolvaran", "", "/s/cases", "/s", "/b/scratch", "librfc32.so",
                                 "", "", "/usr/bin/python3"}) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(args.size());
  Config config = LoadConfig(&argc, argv.data(), defaults, [&](const char* name) -> const char* {
    auto found = env.find(name);
    return found == env.end() ? nullptr : found->second.c_str();
  });
  EXPECT_EQ(argc, 2) << "only the foreign argument is left";
  EXPECT_STREQ(argv[1], "--gtest_brief=1");
  return config;
}

TEST(Config, FlagBeatsEnvironmentBeatsDefault) {
  Config c = Load({"e2e_tests", "--gtest_brief=1"}, {});
  EXPECT_EQ(c.program, "/b/tolvaran");
  EXPECT_EQ(c.library, "/b/librfc32.so");
  EXPECT_TRUE(c.launcher.empty());
  EXPECT_EQ(c.target, Platform::kPosix);
  EXPECT_EQ(c.timeout, std::chrono::seconds(60));
  EXPECT_EQ(c.python, "/usr/bin/python3");

  c = Load({"e2e_tests", "--gtest_brief=1"}, {{"TOLVARAN_BIN", "/w/tolvaran.exe"},
                                              {"TOLVARAN_LAUNCHER", " wine  --x "},
                                              {"TOLVARAN_LIBRARY", "rfc32.dll"},
                                              {"TOLVARAN_TIMEOUT", "5"}});
  EXPECT_EQ(c.program, "/w/tolvaran.exe");
  EXPECT_EQ(c.library, "/w/rfc32.dll");
  EXPECT_EQ(c.launcher, (std::vector<std::string>{"wine", "--x"}));
  EXPECT_EQ(c.target, Platform::kWindows);
  EXPECT_EQ(c.timeout, std::chrono::seconds(5));

  c = Load({"e2e_tests", "--program=/f/p", "--gtest_brief=1", "--case=a/b.case", "--case=c",
            "--target=windows", "--library="},
           {{"TOLVARAN_BIN", "/w/tolvaran.exe"}});
  EXPECT_EQ(c.program, "/f/p");
  EXPECT_EQ(c.only_cases, (std::vector<std::string>{"a/b.case", "c"}));
  EXPECT_EQ(c.target, Platform::kWindows);
  EXPECT_EQ(c.library, "");
}

TEST(Config, LibraryKindAndItsScratchFolders) {
  Config c = Load({"e2e_tests", "--gtest_brief=1"}, {});
  EXPECT_EQ(c.library_kind, LibraryKind::kClassic);
  EXPECT_EQ(ScratchRoot(c), "/b/scratch");
  c = Load(
      {"e2e_tests", "--library-kind=netweaver", "--library=/b/libsapnwrfc.so", "--gtest_brief=1"},
      {});
  EXPECT_EQ(c.library_kind, LibraryKind::kNetWeaver);
  EXPECT_EQ(c.library, "/b/libsapnwrfc.so");
  // Both runs of a case may go at once: their scratch folders differ.
  EXPECT_EQ(ScratchRoot(c), "/b/scratch-nw");
  c = Load({"e2e_tests", "--gtest_brief=1"}, {{"TOLVARAN_LIBRARY_KIND", "netweaver"}});
  EXPECT_EQ(c.library_kind, LibraryKind::kNetWeaver);
  EXPECT_THROW(Load({"e2e_tests", "--gtest_brief=1", "--library-kind=nw"}, {}),
               std::invalid_argument);
}

TEST(Config, WineSettings) {
  Config c = Load({"e2e_tests", "--gtest_brief=1"}, {{"HOME", "/home/u"}},
                  {"/b/tolvaran.exe", "wine", "/s/cases", "/s", "/b/scratch", "librfc32.dll", "",
                   "/usr/bin/wineserver", ""});
  EXPECT_EQ(c.wineserver, "/usr/bin/wineserver");
  EXPECT_EQ(c.wine_prefix, "/home/u/.wine");
  c = Load({"e2e_tests", "--wineserver=wineserver64", "--gtest_brief=1"},
           {{"HOME", "/home/u"}, {"WINEPREFIX", "/b/wineprefix"}});
  EXPECT_EQ(c.wineserver, "wineserver64");
  EXPECT_EQ(c.wine_prefix, "/b/wineprefix");
}

TEST(Config, RejectsBadValues) {
  EXPECT_THROW(Load({"e2e_tests", "--gtest_brief=1", "--target=dos"}, {}), std::invalid_argument);
  EXPECT_THROW(Load({"e2e_tests", "--gtest_brief=1"}, {{"TOLVARAN_TIMEOUT", "0"}}),
               std::invalid_argument);
  EXPECT_THROW(Load({"e2e_tests", "--gtest_brief=1"}, {{"TOLVARAN_BIN", ""}}),
               std::invalid_argument);
  EXPECT_THROW(Load({"e2e_tests", "--gtest_brief=1", "--case=../x.case"}, {}),
               std::invalid_argument);
  EXPECT_THROW(Load({"e2e_tests", "--gtest_brief=1", "--case=/x.case"}, {}), std::invalid_argument);
}

}  // namespace
}  // namespace tolvaran_e2e
