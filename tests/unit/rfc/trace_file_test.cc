#include "rfc/trace_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/scratch_host.h"

namespace tolvaran {
namespace {

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

TEST(TraceDetailTest, TakesTheErrorLineFromItsThirteenthCharacter) {
  EXPECT_EQ(TraceDetailOf("ERROR       connection refused\n"), " - connection refused");
  EXPECT_EQ(TraceDetailOf("ERROR 123456connection refused\n"), " - connection refused");
  EXPECT_EQ(TraceDetailOf(Block("partner 'prdhost:sapgw00' not reached")),
            " - partner 'prdhost:sapgw00' not reached");
  // The text is everything after the twelfth character, blanks included.
  EXPECT_EQ(TraceDetailOf("ERROR          padded text  \n"), " -    padded text  ");
}

TEST(TraceDetailTest, MarkerAtCharactersEightToFifteenGivesTheTextFromSixteen) {
  EXPECT_EQ(
      TraceDetailOf(Block("THUSRINFO raised exception NOT_AUTHORIZED", "Exception NOT_AUTHORIZED")),
      " - Exception NOT_AUTHORIZED");
  EXPECT_EQ(TraceDetailOf("1234567======> from sixteen\n"), " - from sixteen");
  // Anywhere else the marker means nothing: the error line stands.
  EXPECT_EQ(TraceDetailOf("ERROR       the error\n"
                          "RFC======> four\n"
                          "RFCRECVX======> nine\n"
                          "======> one\n"),
            " - the error");
  // The marker's blank belongs to it.
  EXPECT_EQ(TraceDetailOf("ERROR       the error\nRFCRECV======>x\n"), " - the error");
}

TEST(TraceDetailTest, TheLastTextAfterTheLastErrorHeaderWins) {
  EXPECT_EQ(TraceDetailOf(Block("first") + Block("second", "detail of second") + Block("third")),
            " - third");
  EXPECT_EQ(TraceDetailOf(Block("first") + "ERROR       later line\n"), " - later line");
  // A header with no text after it resets what came before.
  EXPECT_EQ(
      TraceDetailOf(Block("first", "detail") + "**** ERROR file opened at 20261208 140400 UTC\n"
                                               "LOCATION    CPIC (TCP/IP) on local host\n"),
      " - Please Check Trace-File !");
  // Only "**** ERROR " with its blank resets.
  EXPECT_EQ(TraceDetailOf(Block("kept") + "**** ERRORS follow\n" + "**** Trace file closed\n"),
            " - kept");
}

TEST(TraceDetailTest, AShortErrorLineLeavesNoText) {
  EXPECT_EQ(TraceDetailOf(Block("earlier") + "ERROR \n"), " - Please Check Trace-File !");
  EXPECT_EQ(TraceDetailOf(Block("earlier") + "ERROR      x\n"), " - Please Check Trace-File !");
  EXPECT_EQ(TraceDetailOf(Block("earlier") + "ERROR       x\n"), " - x");
}

TEST(TraceDetailTest, LineEndsAreNotPartOfTheText) {
  EXPECT_EQ(TraceDetailOf("ERROR       windows line\r\n"), " - windows line");
  EXPECT_EQ(TraceDetailOf("ERROR       no line end"), " - no line end");
  EXPECT_EQ(TraceDetailOf("ERROR       lone carriage return\r"), " - lone carriage return");
  EXPECT_EQ(TraceDetailOf("RFCRECV======> marker text\r\n"), " - marker text");
}

TEST(TraceDetailTest, LongLinesAreReadInPiecesOf99Characters) {
  // The first piece holds 87 characters of the text; the rest of the line
  // is a piece of its own, which neither starts with "ERROR " nor has the
  // marker, so the cut text stands.
  const std::string longText = std::string(87, 'a') + std::string(40, 'b');
  EXPECT_EQ(TraceDetailOf("ERROR       " + longText + "\n"), " - " + std::string(87, 'a'));

  // A piece that starts at character 100 of a line is tested as a line.
  const std::string filler(99, 'z');
  EXPECT_EQ(TraceDetailOf("ERROR       first\n" + filler + "ERROR       second piece\n"),
            " - second piece");
  EXPECT_EQ(TraceDetailOf("ERROR       first\n" + filler + "RFCRECV======> marked piece\n"),
            " - marked piece");
  EXPECT_EQ(TraceDetailOf("ERROR       first\n" + filler + "**** ERROR file opened\n"),
            " - Please Check Trace-File !");
  // Up to 99 characters belong to one piece: a text starting at character
  // 99 is not at the start of a piece.
  EXPECT_EQ(
      TraceDetailOf("ERROR       first\n" + std::string(98, 'z') + "ERROR       not a piece\n"),
      " - first");
}

TEST(TraceDetailTest, AFileWithoutTextAsksToCheckIt) {
  EXPECT_EQ(TraceDetailOf(""), " - Please Check Trace-File !");
  EXPECT_EQ(TraceDetailOf("**** Trace file opened at 20261208 140359 UTC\n"
                          "LOCATION    CPIC (TCP/IP) on local host\n"),
            " - Please Check Trace-File !");
}

// ----- the file itself, in a scratch directory ---------------------------------

class TraceFileTest : public ScratchDirTest {
 protected:
  // The detail of a file holding `trace`, which must be deleted after.
  std::string DetailOf(const std::string& trace, const std::string& name = "dev_rfc.trc") {
    Write(name, trace);
    std::string detail = TraceFileDetail(*host_);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "cwd" / name)) << name << " was not deleted";
    return detail;
  }
};

TEST_F(TraceFileTest, TheFileIsReadAndDeletedWhateverTheCaseOfItsName) {
  for (const char* name : {"dev_rfc.trc", "Dev_Rfc.Trc", "DEV_RFC.TRC", "dEv_RfC.tRc"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(DetailOf("ERROR       found as " + std::string(name) + "\n", name),
              " - found as " + std::string(name));
  }
  EXPECT_EQ(DetailOf(""), " - Please Check Trace-File !");
}

TEST_F(TraceFileTest, NoFileAsksToCheckItWithoutExclamationMark) {
  Write("SapRfc.ini", "DEST=PRD\n");
  Write("dev_rfc.trc.old", "ERROR       old\n");
  EXPECT_EQ(TraceFileDetail(*host_), " - Please Check Trace-File");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "SapRfc.ini"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "dev_rfc.trc.old"));
}

TEST_F(TraceFileTest, OtherFilesAreLeftAlone) {
  Write("SapRfc.ini", "DEST=PRD\n");
  Write("rfc.trc", "ERROR       other\n");
  EXPECT_EQ(DetailOf("ERROR       mine\n"), " - mine");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "SapRfc.ini"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "rfc.trc"));
}

TEST_F(TraceFileTest, DeleteTraceFileRemovesOnlyIt) {
  Write("DEV_RFC.TRC", "ERROR       x\n");
  Write("rfc.trc", "ERROR       other\n");
  DeleteTraceFile(*host_);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "cwd" / "DEV_RFC.TRC"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "cwd" / "rfc.trc"));
  DeleteTraceFile(*host_);  // none left: no error
}

}  // namespace
}  // namespace tolvaran
