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
        [](RunState& rs) {
          StartUp(rs);
          LocateProfile(rs);
        },
        program);
  }
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
  EXPECT_EQ("sys1.P00", rs_->profileName.str());
  EXPECT_EQ("", rs_->profileDir.str());
  EXPECT_EQ("sys1.P00", rs_->profilePath.str());
  EXPECT_EQ("x", rs_->profileBytes);

  Write("SYS1.PROFILE.P00", "y");
  EXPECT_EQ(-1, Locate({"SYS1.PROFILE"}));
  EXPECT_EQ("y", rs_->profileBytes);

  Write("SYS1.TXT", "z");
  EXPECT_EQ(-1, Locate({"SYS1.TXT"}));
  EXPECT_EQ("z", rs_->profileBytes);
}

TEST_F(ProfileLocationTest, MissingEverywhereIsError1002WithTheName) {
  EXPECT_EQ(2, Locate({"A"}));
  EXPECT_EQ("Error 1002: Profile A.P00 is missing...", ErrorText());
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
  EXPECT_EQ("fits", rs_->profileBytes);
  Write("Dalvenor.Prf", "index");
  EXPECT_EQ(-1, Locate({std::string(300, 'L'), "ITEM=Session(s)"}));
  EXPECT_EQ("index", rs_->profileBytes);
}

TEST_F(ProfileLocationTest, FixedMonitorDirectoriesAreTriedInOrder) {
  Write("/Program Files (x86)/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00", "third");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
            rs_->profileDir.str());
  EXPECT_EQ("third", rs_->profileBytes);

  Write("/Programme/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00", "first");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("first", rs_->profileBytes);

  // The current directory comes before them.
  Write("SYS1.P00", "cwd");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("cwd", rs_->profileBytes);
  EXPECT_EQ("", rs_->profileDir.str());
}

TEST_F(ProfileLocationTest, HintFileLeadsToTheMonitorDirectory) {
  Write("/PRTG_Path.Txt", "D:\\Monitor\r\n");
  Write("/Monitor/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00", "hinted");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ(std::string("D:\\Monitor\\") + kExeXmlDir, rs_->profileDir.str());
  EXPECT_EQ("hinted", rs_->profileBytes);
}

TEST_F(ProfileLocationTest, OnlyLinesThatNameADirectoryCountAndTheLastWins) {
  Write("/PRTG_Path.Txt", "monitor\nE:\\Tools\\\nnot a dir\n");
  Write("/Tools/Custom Sensors/ExeXml/SYS1.P00", "tools");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("E:\\Tools\\Custom Sensors\\ExeXml\\", rs_->profileDir.str());
  EXPECT_EQ("tools", rs_->profileBytes);
}

TEST_F(ProfileLocationTest, HintLineCountsByABackslashFirstAColonSecondOrABackslashThird) {
  Write("/Mon1/SYS1.P00", "first");
  // "ab" and "x" are too short for the second or third character to count.
  Write("/PRTG_Path.Txt", "\\Mon1\nab\nx\n");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("\\Mon1\\", rs_->profileDir.str());
  EXPECT_EQ("first", rs_->profileBytes);

  // A backslash third: a directory relative to the current one.
  Write("ab/Mon2/SYS1.P00", "third");
  Write("/PRTG_Path.Txt", "\\Mon1\r\nab\\Mon2\r\nab/Mon3\r\n");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("ab\\Mon2\\", rs_->profileDir.str());
  EXPECT_EQ("third", rs_->profileBytes);
}

TEST_F(ProfileLocationTest, EmptyHintFileMeansTheDriveRoot) {
  Write("/PRTG_Path.Txt", "");
  Write("/Custom Sensors/ExeXml/SYS1.P00", "root");
  EXPECT_EQ(-1, Locate({"SYS1"}));
  EXPECT_EQ("\\Custom Sensors\\ExeXml\\", rs_->profileDir.str());
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
  EXPECT_EQ("C:\\Short\\", rs_->profileDir.str());
}

TEST_F(ProfileLocationTest, AtMarkerOpensTheTypedPathWithoutSearching) {
  Write("/Test/SYS1.P00", "typed");
  Write("/Programme/PRTG Network Monitor/Custom Sensors/ExeXml/SYS1.P00", "monitor");
  EXPECT_EQ(-1, Locate({"C:\\Test\\SYS1", "@"}));
  EXPECT_EQ("typed", rs_->profileBytes);
  EXPECT_EQ("C:\\Test\\", rs_->profileDir.str());
  EXPECT_EQ("SYS1.P00", rs_->profileName.str());
  EXPECT_TRUE(rs_->verbose);

  EXPECT_EQ(2, Locate({"C:\\Nowhere\\SYS1", "x@"}));
  EXPECT_EQ("Error 1002: Profile C:\\Nowhere\\SYS1.P00 is missing...", ErrorText());
}

TEST_F(ProfileLocationTest, MarkersSetVerbose) {
  Write("S.P00", "");
  for (const char* marker : {"#", "$", "%", "a@b"}) {
    EXPECT_EQ(-1, Locate({"S", marker}));
    EXPECT_TRUE(rs_->verbose) << marker;
  }
  EXPECT_EQ(-1, Locate({"S", "CLIENT=100"}));
  EXPECT_FALSE(rs_->verbose);
}

TEST_F(ProfileLocationTest, GlobalProfileInAnyFormIsTheGlobalSensorFile) {
  Write("Dalvenor.Gbl", "g");
  for (const char* name : {"global", "GLOBAL.P00", "Global.p00"}) {
    EXPECT_EQ(-1, Locate({name})) << name;
    EXPECT_TRUE(rs_->itemMode);
    EXPECT_EQ("Dalvenor.Gbl", rs_->profileName.str());
  }
  // A typed directory is split off first; the monitor search then finds the
  // global sensor file in the current directory.
  EXPECT_EQ(-1, Locate({"C:\\Cfg\\global"}));
  EXPECT_TRUE(rs_->itemMode);
  EXPECT_EQ("Dalvenor.Gbl", rs_->profilePath.str());
}

TEST_F(ProfileLocationTest, DesignatedDialectOpensTheTypedDirectoryOnly) {
  Write("/Sys/PRD.P00", "prd");
  EXPECT_EQ(-1, Locate({"C:\\Sys\\PRD"}, "/usr/bin/tolvaran-tembrel"));
  EXPECT_EQ(OutputFlavour::kTembrel, rs_->outputFlavour);
  EXPECT_EQ("prd", rs_->profileBytes);
  EXPECT_EQ("C:\\Sys\\PRD.P00", rs_->profilePath.str());

  Write("/Programme/PRTG Network Monitor/Custom Sensors/ExeXml/QAS.P00", "monitor");
  EXPECT_EQ(2, Locate({"QAS"}, "Tolvaran-Quillrax.exe"));
  EXPECT_EQ("Error 1002: Profile QAS.P00 is missing...", ErrorText());
  EXPECT_EQ(2, Locate({"C:\\Sys\\QAS"}, "Tolvaran-Quillrax.exe"));
  EXPECT_EQ("Error 1002: Profile C:\\Sys\\QAS.P00 is missing...", ErrorText());
}

TEST_F(ProfileLocationTest, AtMarkerKeepsADesignatedDialect) {
  Write("sub/SYS1.P00", "typed");
  EXPECT_EQ(-1, Locate({"sub\\SYS1", "@"}, "tolvaran-quillrax"));
  EXPECT_EQ(OutputFlavour::kQuillrax, rs_->outputFlavour);
  EXPECT_TRUE(rs_->verbose);
  EXPECT_EQ("typed", rs_->profileBytes);
  EXPECT_EQ("sub\\", rs_->profileDir.str());
  EXPECT_EQ("sub\\SYS1.P00", rs_->profilePath.str());
}

TEST_F(ProfileLocationTest, ErrorMessagesEscapeForXml) {
  EXPECT_EQ(2, Locate({"R&D<1>"}));
  EXPECT_EQ("Error 1002: Profile R&amp;D&lt;1>.P00 is missing...", ErrorText());
}

}  // namespace
}  // namespace tolvaran
