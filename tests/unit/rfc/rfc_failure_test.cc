#include "rfc/rfc_failure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../fake_host.h"
#include "../scratch_host.h"

namespace tolvaran {
namespace {

// ---------------------------------------------------------------------------
// The RFC failure report. The library is reached only through rs.rfc.lib;
// these stand-ins give the error details a test chooses and note what the
// report did with them, and when.

struct FailureLibrary {
  // What RfcLastError hands back; an empty text leaves its field untouched.
  std::string key, status, message, intstat;
  int lastErrorResult = 0;

  bool recordWasZero = false;
  int lastErrorCalls = 0;
  std::vector<RfcHandle> closed;
  // Standard output as it stood when RfcClose was called.
  std::string outAtClose;
};

FailureLibrary failureLib;
FakeHost* failureHost = nullptr;

extern "C" int RFC_CALL FailureTestLastError(ErrorInfo* info) {
  ++failureLib.lastErrorCalls;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(info);
  failureLib.recordWasZero = true;
  for (std::size_t i = 0; i < sizeof *info; ++i) {
    if (bytes[i] != 0) failureLib.recordWasZero = false;
  }
  auto fill = [](char* field, std::size_t size, const std::string& text) {
    if (!text.empty()) std::memcpy(field, text.c_str(), std::min(size, text.size() + 1));
  };
  fill(info->key, sizeof info->key, failureLib.key);
  fill(info->status, sizeof info->status, failureLib.status);
  fill(info->message, sizeof info->message, failureLib.message);
  fill(info->intstat, sizeof info->intstat, failureLib.intstat);
  return failureLib.lastErrorResult;
}

extern "C" void RFC_CALL FailureTestClose(RfcHandle handle) {
  failureLib.closed.push_back(handle);
  if (failureHost) failureLib.outAtClose = failureHost->out;
}

class ReportRfcFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    failureLib = FailureLibrary{};
    failureHost = &host;
    rs->host = &host;
    rs->rfc.loaded = true;
    rs->rfc.lib.RfcLastError = &FailureTestLastError;
    rs->rfc.lib.RfcClose = &FailureTestClose;
  }
  void TearDown() override { failureHost = nullptr; }

  // Runs the report, which must end the run with status 1 and without the
  // result document, and returns what it printed.
  std::string Report(const char* operation) {
    try {
      ReportRfcFailure(*rs, operation);
    } catch (const RunEnd& end) {
      EXPECT_EQ(end.status, 1);
      EXPECT_FALSE(end.writeResultBuffer);
      return host.out;
    }
    ADD_FAILURE() << "ReportRfcFailure returned";
    return host.out;
  }

  std::unique_ptr<RunState> rs = std::make_unique<RunState>();
  FakeHost host;
};

TEST_F(ReportRfcFailureTest, PrintsTheLabelledBlockWithTheLibrarysLastError) {
  failureLib.key = "RFC_ERROR_COMMUNICATION";
  failureLib.status = "CONNECT to SAP gateway failed";
  failureLib.message = "partner 'prdhost:sapgw00' not reached";
  failureLib.intstat = "rc=-1 (partner not reached)";
  rs->resultBuffer.Set("Error 1014: RFC-Failure raised !");

  EXPECT_EQ(Report("RfcOpen"),
            "RFC error\n"
            "operation/code  : RfcOpen\n"
            "key             : RFC_ERROR_COMMUNICATION\n"
            "status          : CONNECT to SAP gateway failed\n"
            "message         : partner 'prdhost:sapgw00' not reached\n"
            "internal status : rc=-1 (partner not reached)\n"
            "\n"
            "* Programm aborted...\n"
            "* Error at EoXput-File...\n");
  EXPECT_EQ(failureLib.lastErrorCalls, 1);
  EXPECT_TRUE(failureLib.recordWasZero) << "the error record must be zero-filled";
}

TEST_F(ReportRfcFailureTest, ClosesTheNullHandleAfterTheBlockAndBeforeTheAbortLines) {
  failureLib.key = "K";
  Report("ItDelete USR_TABL");
  ASSERT_EQ(failureLib.closed.size(), 1u);
  EXPECT_EQ(failureLib.closed[0], 0u);
  EXPECT_EQ(failureLib.outAtClose,
            "RFC error\n"
            "operation/code  : ItDelete USR_TABL\n"
            "key             : K\n"
            "status          : \n"
            "message         : \n"
            "internal status : \n"
            "\n");
}

TEST_F(ReportRfcFailureTest, WithoutAnErrorFromTheLibraryTheTextsAreEmpty) {
  // The table operations record no error: RfcLastError leaves the record
  // as it was given, zero-filled.
  failureLib.lastErrorResult = 1;
  EXPECT_EQ(Report("ItCreate USR_TABL"),
            "RFC error\n"
            "operation/code  : ItCreate USR_TABL\n"
            "key             : \n"
            "status          : \n"
            "message         : \n"
            "internal status : \n"
            "\n"
            "* Programm aborted...\n"
            "* Error at EoXput-File...\n");
}

TEST_F(ReportRfcFailureTest, FieldsFilledToTheirLastByteArePrintedWhole) {
  failureLib.key = std::string(32, 'k');
  failureLib.status = std::string(127, 's');
  failureLib.message = std::string(255, 'm');
  failureLib.intstat = std::string(127, 'i');
  const std::string operation(200, 'o');  // a long operation text is not cut either
  EXPECT_EQ(Report(operation.c_str()),
            "RFC error\n"
            "operation/code  : " +
                operation +
                "\n"
                "key             : " +
                failureLib.key +
                "\n"
                "status          : " +
                failureLib.status +
                "\n"
                "message         : " +
                failureLib.message +
                "\n"
                "internal status : " +
                failureLib.intstat +
                "\n"
                "\n"
                "* Programm aborted...\n"
                "* Error at EoXput-File...\n");
}

// ---------------------------------------------------------------------------
// The trace-file check, over real files in a scratch directory.

class AppendTraceDetailTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    rs->host = host_.get();
  }

  // The text the check appends after a file holding `trace`.
  std::string DetailOf(const std::string& trace, const std::string& name = "dev_rfc.trc") {
    Write(name, trace);
    rs->resultBuffer.Clear();
    AppendTraceDetail(*rs);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "cwd" / name)) << name << " was not deleted";
    return rs->resultBuffer.str();
  }

  std::unique_ptr<RunState> rs = std::make_unique<RunState>();
};

// An error block as the library writes one, its texts at character 13.
std::string Block(const std::string& error, const std::string& detail = "") {
  std::string block =
      "**** ERROR file opened at 20261208 140359 UTC\n"
      "LOCATION    SAP-Gateway on host prdhost / sapgw00\n"
      "ERROR       " +
      error +
      "\n"
      "TIME        Tue Dec 08 14:03:59 2026\n";
  if (!detail.empty()) block += "RFCRECV======> " + detail + "\n";
  return block;
}

TEST_F(AppendTraceDetailTest, TakesTheErrorLineFromItsThirteenthCharacter) {
  EXPECT_EQ(DetailOf("ERROR       connection refused\n"), " - connection refused");
  EXPECT_EQ(DetailOf("ERROR 123456connection refused\n"), " - connection refused");
  EXPECT_EQ(DetailOf(Block("partner 'prdhost:sapgw00' not reached")),
            " - partner 'prdhost:sapgw00' not reached");
  // The text is everything after the twelfth character, blanks included.
  EXPECT_EQ(DetailOf("ERROR          padded text  \n"), " -    padded text  ");
}

TEST_F(AppendTraceDetailTest, AppendsToWhatTheResultBufferHolds) {
  Write("dev_rfc.trc", Block("connection to partner broken while receiving THUSRINFO"));
  rs->resultBuffer.Set("Error 1014: RFC-Failure raised !");
  AppendTraceDetail(*rs);
  EXPECT_EQ(rs->resultBuffer.str(),
            "Error 1014: RFC-Failure raised ! - connection to partner broken while receiving "
            "THUSRINFO");
}

TEST_F(AppendTraceDetailTest, MarkerAtCharactersEightToFifteenGivesTheTextFromSixteen) {
  EXPECT_EQ(
      DetailOf(Block("THUSRINFO raised exception NOT_AUTHORIZED", "Exception NOT_AUTHORIZED")),
      " - Exception NOT_AUTHORIZED");
  EXPECT_EQ(DetailOf("1234567======> from sixteen\n"), " - from sixteen");
  // Anywhere else the marker means nothing: the error line stands.
  EXPECT_EQ(DetailOf("ERROR       the error\n"
                     "RFC======> four\n"
                     "RFCRECVX======> nine\n"
                     "======> one\n"),
            " - the error");
  // The marker's blank belongs to it.
  EXPECT_EQ(DetailOf("ERROR       the error\nRFCRECV======>x\n"), " - the error");
}

TEST_F(AppendTraceDetailTest, TheLastTextAfterTheLastErrorHeaderWins) {
  EXPECT_EQ(DetailOf(Block("first") + Block("second", "detail of second") + Block("third")),
            " - third");
  EXPECT_EQ(DetailOf(Block("first") + "ERROR       later line\n"), " - later line");
  // A header with no text after it resets what came before.
  EXPECT_EQ(DetailOf(Block("first", "detail") + "**** ERROR file opened at 20261208 140400 UTC\n"
                                                "LOCATION    CPIC (TCP/IP) on local host\n"),
            " - Please Check Trace-File !");
  // Only "**** ERROR " with its blank resets.
  EXPECT_EQ(DetailOf(Block("kept") + "**** ERRORS follow\n" + "**** Trace file closed\n"),
            " - kept");
}

TEST_F(AppendTraceDetailTest, AShortErrorLineLeavesNoText) {
  EXPECT_EQ(DetailOf(Block("earlier") + "ERROR \n"), " - Please Check Trace-File !");
  EXPECT_EQ(DetailOf(Block("earlier") + "ERROR      x\n"), " - Please Check Trace-File !");
  EXPECT_EQ(DetailOf(Block("earlier") + "ERROR       x\n"), " - x");
}

TEST_F(AppendTraceDetailTest, LineEndsAreNotPartOfTheText) {
  EXPECT_EQ(DetailOf("ERROR       windows line\r\n"), " - windows line");
  EXPECT_EQ(DetailOf("ERROR       no line end"), " - no line end");
  EXPECT_EQ(DetailOf("ERROR       lone carriage return\r"), " - lone carriage return");
  EXPECT_EQ(DetailOf("RFCRECV======> marker text\r\n"), " - marker text");
}

TEST_F(AppendTraceDetailTest, LongLinesAreReadInPiecesOf99Characters) {
  // The first piece holds 87 characters of the text; the rest of the line
  // is a piece of its own, which neither starts with "ERROR " nor has the
  // marker, so the cut text stands.
  const std::string longText = std::string(87, 'a') + std::string(40, 'b');
  EXPECT_EQ(DetailOf("ERROR       " + longText + "\n"), " - " + std::string(87, 'a'));

  // A piece that starts at character 100 of a line is tested as a line.
  const std::string filler(99, 'z');
  EXPECT_EQ(DetailOf("ERROR       first\n" + filler + "ERROR       second piece\n"),
            " - second piece");
  EXPECT_EQ(DetailOf("ERROR       first\n" + filler + "RFCRECV======> marked piece\n"),
            " - marked piece");
  EXPECT_EQ(DetailOf("ERROR       first\n" + filler + "**** ERROR file opened\n"),
            " - Please Check Trace-File !");
  // Up to 99 characters belong to one piece: a text starting at character
  // 99 is not at the start of a piece.
  EXPECT_EQ(DetailOf("ERROR       first\n" + std::string(98, 'z') + "ERROR       not a piece\n"),
            " - first");
}

TEST_F(AppendTraceDetailTest, AFileWithoutTextAsksToCheckItAndIsDeleted) {
  EXPECT_EQ(DetailOf(""), " - Please Check Trace-File !");
  EXPECT_EQ(DetailOf("**** Trace file opened at 20261208 140359 UTC\n"
                     "LOCATION    CPIC (TCP/IP) on local host\n"),
            " - Please Check Trace-File !");
}

TEST_F(AppendTraceDetailTest, NoFileAsksToCheckItWithoutExclamationMark) {
  Write("SapRfc.ini", "DEST=PRD\n");
  Write("dev_rfc.trc.old", "ERROR       old\n");
  rs->resultBuffer.Set("Error 1014: RFC-Failure raised !");
  AppendTraceDetail(*rs);
  EXPECT_EQ(rs->resultBuffer.str(), "Error 1014: RFC-Failure raised ! - Please Check Trace-File");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "SapRfc.ini"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "dev_rfc.trc.old"));
}

TEST_F(AppendTraceDetailTest, TheFileIsFoundAndDeletedWhateverTheCaseOfItsName) {
  for (const char* name : {"dev_rfc.trc", "Dev_Rfc.Trc", "DEV_RFC.TRC", "dEv_RfC.tRc"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(DetailOf("ERROR       found as " + std::string(name) + "\n", name),
              " - found as " + std::string(name));
  }
}

TEST_F(AppendTraceDetailTest, OtherFilesAreLeftAlone) {
  Write("SapRfc.ini", "DEST=PRD\n");
  Write("rfc.trc", "ERROR       other\n");
  EXPECT_EQ(DetailOf("ERROR       mine\n"), " - mine");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "SapRfc.ini"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "rfc.trc"));
}

}  // namespace
}  // namespace tolvaran
