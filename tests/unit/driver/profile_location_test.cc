#include "driver/profile_location.h"

#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "support/scratch_host.h"

namespace tolvaran {
namespace {

const char kExeXmlDir[] = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";

class ProfileLocationTest : public DriverStepsTest {
 protected:
  int Locate(std::vector<std::string> args, const std::string& program = "tolvaran") {
    return RunSteps(
        args,
        [this](const std::vector<std::string>& a) {
          inv_ = StartUp(*host_, a, 0);
          source_ = LocateProfile(*host_, inv_);
        },
        program);
  }
  Invocation inv_;
  ProfileSource source_;
};

TEST(FlavourFromProgramNameTest, NameEndDecidesIgnoringCaseDirectoryAndExtension) {
  EXPECT_EQ(OutputFlavour::kTembrel, FlavourFromProgramName("C:\\X\\Tolvaran-Tembrel.exe"));
  EXPECT_EQ(OutputFlavour::kQuillrax, FlavourFromProgramName("/opt/t/tolvaran_quillrax"));
  EXPECT_EQ(OutputFlavour::kMirvane, FlavourFromProgramName("MIRVANE"));
  EXPECT_EQ(OutputFlavour::kFandrok, FlavourFromProgramName("./x-fandrok.EXE"));
  EXPECT_EQ(OutputFlavour::kExeXml, FlavourFromProgramName("tolvaran.exe"));
  EXPECT_EQ(OutputFlavour::kExeXml, FlavourFromProgramName("tembrel-tolvaran"));
  EXPECT_EQ(OutputFlavour::kExeXml, FlavourFromProgramName("/dir.tembrel/tolvaran"));
  EXPECT_EQ(OutputFlavour::kExeXml, FlavourFromProgramName(""));
}

TEST_F(ProfileLocationTest, ExtensionIsAddedWhereTheNameHasNone) {
  Write("sys1.P00", "x");
  EXPECT_EQ(-1, Locate({"sys1"}));
  EXPECT_EQ("sys1.P00", source_.name.str());
  EXPECT_EQ("", source_.dir.str());
  EXPECT_EQ("sys1.P00", source_.path.str());
  EXPECT_EQ("x", source_.bytes);

  Write("SYS1.PROFILE.P00", "y");
  EXPECT_EQ(-1, Locate({"SYS1.PROFILE"}));
  EXPECT_EQ("y", source_.bytes);

  Write("SYS1.TXT", "z");
  EXPECT_EQ(-1, Locate({"SYS1.TXT"}));
  EXPECT_EQ("z", source_.bytes);
}

TEST_F(ProfileLocationTest, MissingEverywhereIsError1002WithTheName) {
  EXPECT_EQ(2, Locate({"A"}));
  EXPECT_EQ("Error 1002: Profile A.P00 is missing...", ErrorText());
}

TEST_F(ProfileLocationTest, ProfileThereButUnreadableIsError1031WithTheReason) {
  Write("PRD.P00", "x");
  host_->denied.insert("PRD.P00");
  EXPECT_EQ(2, Locate({"PRD"}));
  EXPECT_EQ("Error 1031: Profile PRD.P00 cannot be read: permission denied", ErrorText());
}

TEST_F(ProfileLocationTest, NameTooLongForTheFieldIsMissingEvenWhereItsCutNameExists) {
  // 60 characters leave room for ".P0" only.
  const std::string name60(60, 'N');
  Write(name60 + ".P0", "cut extension");
  Write(name60 + ".P00", "whole");
  EXPECT_EQ(2, Locate({name60}));
  EXPECT_EQ("Error 1002: Profile " + name60 + ".P0 is missing...", ErrorText());

  const std::string name62(62, 'N');

  Write(name62 + "X", "cut name");
  EXPECT_EQ(2, Locate({name62 + "XY.P00"}));
  EXPECT_EQ("Error 1002: Profile " + name62 + "X is missing...", ErrorText());

  // What fits is found as before, as is the index of an ITEM= run whatever
  // the first argument.
  Write(std::string(59, 'F') + ".P00", "fits");
  EXPECT_EQ(-1, Locate({std::string(59, 'F')}));
  EXPECT_EQ("fits", source_.bytes);
  Write("Dalvenor.Prf", "index");
  EXPECT_EQ(-1, Locate({std::string(300, 'L'), "ITEM=Session(s)"}));
  EXPECT_EQ("index", source_.bytes);
}

TEST_F(ProfileLocationTest, FixedMonitorDirectoriesAreTriedInOrder) {
  Write("/Program Files (x86)/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00", "third");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
            source_.dir.str());
  EXPECT_EQ("third", source_.bytes);

  Write("/Programme/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00", "first");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("first", source_.bytes);

  // The current directory comes before them.
  Write("SYS1.P00", "cwd");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("cwd", source_.bytes);
  EXPECT_EQ("", source_.dir.str());
}

TEST_F(ProfileLocationTest, HintFileLeadsToTheMonitorDirectory) {
  Write("/PRTG_Path.Txt", "D:\\Monitor\r\n");
  Write("/Monitor/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00", "hinted");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ(std::string("D:\\Monitor\\") + kExeXmlDir, source_.dir.str());
  EXPECT_EQ("hinted", source_.bytes);
}

TEST_F(ProfileLocationTest, OnlyLinesThatNameADirectoryCountAndTheLastWins) {
  Write("/PRTG_Path.Txt", "monitor\nE:\\Tools\\\nnot a dir\n");
  Write("/Tools/Custom Sensors/ExeXml/SYS1.P00", "tools");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("E:\\Tools\\Custom Sensors\\ExeXml\\", source_.dir.str());
  EXPECT_EQ("tools", source_.bytes);
}

TEST_F(ProfileLocationTest, HintLineCountsByABackslashFirstAColonSecondOrABackslashThird) {
  Write("/Mon1/SYS1.P00", "first");
  // "ab" and "x" are too short for the second or third character to count.
  Write("/PRTG_Path.Txt", "\\Mon1\nab\nx\n");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("\\Mon1\\", source_.dir.str());
  EXPECT_EQ("first", source_.bytes);

  // A backslash third: a directory relative to the current one.
  Write("ab/Mon2/SYS1.P00", "third");
  Write("/PRTG_Path.Txt", "\\Mon1\r\nab\\Mon2\r\nab/Mon3\r\n");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("ab\\Mon2\\", source_.dir.str());
  EXPECT_EQ("third", source_.bytes);
}

TEST_F(ProfileLocationTest, EmptyHintFileMeansTheDriveRoot) {
  Write("/PRTG_Path.Txt", "");
  Write("/Custom Sensors/ExeXml/SYS1.P00", "root");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("\\Custom Sensors\\ExeXml\\", source_.dir.str());
}

TEST_F(ProfileLocationTest, WithAHintTheProfileMustBeWhereItLeads) {
  Write("/PRTG_Path.Txt", "C:\\Elsewhere\n");
  Write("SYS1.P00", "cwd");
  EXPECT_EQ(2, Locate({"SYS1"}));
  EXPECT_EQ("Error 1002: Profile SYS1.P00 is missing...", ErrorText());
}

TEST_F(ProfileLocationTest, OverlongHintLinesAreNotTaken) {
  Write("/PRTG_Path.Txt", "C:\\Short\nC:\\" + std::string(120, 'x') + "\n");
  Write("/Short/SYS1.P00", "short");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("C:\\Short\\", source_.dir.str());
}

TEST_F(ProfileLocationTest, AtMarkerOpensTheTypedPathWithoutSearching) {
  Write("/Test/SYS1.P00", "typed");
  Write("/Programme/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00", "monitor");
  EXPECT_EQ(-1, Locate({"C:\\Test\\SYS1", "@"}));
  EXPECT_EQ("typed", source_.bytes);
  EXPECT_EQ("C:\\Test\\", source_.dir.str());
  EXPECT_EQ("SYS1.P00", source_.name.str());
  EXPECT_TRUE(inv_.verbose);

  EXPECT_EQ(2, Locate({"C:\\Nowhere\\SYS1", "x@"}));
  EXPECT_EQ("Error 1002: Profile C:\\Nowhere\\SYS1.P00 is missing...", ErrorText());
}

TEST_F(ProfileLocationTest, MarkersSetVerbose) {
  Write("S.P00", "");
  for (const char* marker : {"#", "$", "%", "a@b"}) {
    EXPECT_EQ(-1, Locate({"S", marker}));
    EXPECT_TRUE(inv_.verbose) << marker;
  }
  EXPECT_EQ(-1, Locate({"S", "CLIENT=100"}));
  EXPECT_FALSE(inv_.verbose);
}

TEST_F(ProfileLocationTest, GlobalProfileInAnyFormIsTheGlobalSensorFile) {
  Write("Dalvenor.Gbl", "g");
  for (const char* name : {"global", "GLOBAL.P00", "Global.p00"}) {
    EXPECT_EQ(-1, Locate({name})) << name;
    EXPECT_TRUE(source_.globalSensor);
    EXPECT_EQ("Dalvenor.Gbl", source_.name.str());
  }
  // A typed directory is split off first; the monitor search then finds the
  // global sensor file in the current directory.
  EXPECT_EQ(-1, Locate({"C:\\Cfg\\global"}));
  EXPECT_TRUE(source_.globalSensor);
  EXPECT_EQ("Dalvenor.Gbl", source_.path.str());
}

TEST_F(ProfileLocationTest, DesignatedDialectOpensTheTypedDirectoryOnly) {
  Write("/Sys/PRD.P00", "prd");
  EXPECT_EQ(-1, Locate({"C:\\Sys\\PRD"}, "/usr/bin/tolvaran-tembrel"));
  EXPECT_EQ(OutputFlavour::kTembrel, inv_.dialect);
  EXPECT_EQ("prd", source_.bytes);
  EXPECT_EQ("C:\\Sys\\PRD.P00", source_.path.str());

  Write("/Programme/PRTG Network Monitor/Custom Sensors/ExeXml/QAS.P00", "monitor");
  EXPECT_EQ(2, Locate({"QAS"}, "Tolvaran-Quillrax.exe"));
  EXPECT_EQ("Error 1002: Profile QAS.P00 is missing...", ErrorText());
  EXPECT_EQ(2, Locate({"C:\\Sys\\QAS"}, "Tolvaran-Quillrax.exe"));
  EXPECT_EQ("Error 1002: Profile C:\\Sys\\QAS.P00 is missing...", ErrorText());
}

TEST_F(ProfileLocationTest, AtMarkerKeepsADesignatedDialect) {
  Write("sub/SYS1.P00", "typed");
  EXPECT_EQ(-1, Locate({"sub\\SYS1", "@"}, "tolvaran-quillrax"));
  EXPECT_EQ(OutputFlavour::kQuillrax, inv_.dialect);
  EXPECT_TRUE(inv_.verbose);
  EXPECT_EQ("typed", source_.bytes);
  EXPECT_EQ("sub\\", source_.dir.str());
  EXPECT_EQ("sub\\SYS1.P00", source_.path.str());
}

TEST_F(ProfileLocationTest, ErrorMessagesEscapeForXml) {
  EXPECT_EQ(2, Locate({"R&D<1>"}));
  EXPECT_EQ("Error 1002: Profile R&amp;D&lt;1>.P00 is missing...", ErrorText());
}

}  // namespace
}  // namespace tolvaran
