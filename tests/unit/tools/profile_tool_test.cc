#include "tools/profile_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "driver/command_line.h"
#include "profile/password.h"
#include "profile/system_profile.h"
#include "support/profile_tool_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tolvaran {
namespace {

TEST_F(ProfileToolTest, HelpForTheToolAndEachCommand) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_EQ(out_.str().rfind("Usage: tolvaran-profile COMMAND", 0), 0u);
  EXPECT_EQ(Run({"new", "--help"}), 0);
  EXPECT_EQ(out_.str().rfind("Usage: tolvaran-profile new FILE", 0), 0u);
  EXPECT_NE(out_.str().find("--destination NAME   destination, the system id, 3 to 11"),
            std::string::npos);
  EXPECT_EQ(Run({"scramble", "--help"}), 0);
  EXPECT_EQ(out_.str().rfind("Usage: tolvaran-profile scramble", 0), 0u);
  EXPECT_EQ(Run({"check", "--help"}), 0);
  EXPECT_EQ(out_.str().rfind("Usage: tolvaran-profile check FILE", 0), 0u);
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out_.str().rfind(std::string("Tolvaran-Profile ") + kVersionText, 0), 0u);
  EXPECT_TRUE(err_.str().empty());
  EXPECT_EQ(passwordReads_, 0);
}

TEST_F(ProfileToolTest, MisuseGivesUsageOnStandardError) {
  for (const Args& args :
       {Args{}, Args{"frob"}, Args{"scramble", "extra"}, Args{"scramble", "--frob"}, Args{"check"},
        Args{"check", "a", "b"}, Args{"check", "--frob"}, Args{"new"}}) {
    EXPECT_EQ(Run(args), 2) << (args.empty() ? "" : args[0]);
    EXPECT_TRUE(out_.str().empty());
    EXPECT_NE(err_.str().find("Usage: tolvaran-profile"), std::string::npos);
  }
  EXPECT_EQ(Run({"frob"}), 2);
  EXPECT_NE(err_.str().find("unknown command \"frob\""), std::string::npos);
}

TEST_F(ProfileToolTest, ScramblePrintsAStoredValueTheReaderAccepts) {
  input_ = {"Geheim1\r"};  // a CR LF line end
  ASSERT_EQ(Run({"scramble"}), 0);
  std::string printed = out_.str();
  ASSERT_EQ(printed.size(), 25u);
  EXPECT_EQ(printed.back(), '\n');
  std::string password;
  ASSERT_EQ(DescramblePassword(BuildKeyTable(), printed.substr(0, 24), &password),
            DescrambleResult::kOk);
  EXPECT_EQ(password, "Geheim1");

  input_ = {"Geheim1"};
  ASSERT_EQ(Run({"scramble"}), 0);
  EXPECT_NE(out_.str(), printed);  // a new offset and filler every time
}

TEST_F(ProfileToolTest, ScrambleRefusesWhatCannotBeStored) {
  for (const std::string& line : {std::string(""), std::string("\r"), std::string(21, 'a'),
                                  std::string("tab\there"), std::string("caf\xC3\xA9")}) {
    input_ = {line};
    EXPECT_EQ(Run({"scramble"}), 2) << line;
    EXPECT_TRUE(out_.str().empty());
    EXPECT_FALSE(err_.str().empty());
  }
  input_.clear();  // end of input
  EXPECT_EQ(Run({"scramble"}), 2);
  EXPECT_NE(err_.str().find("no password"), std::string::npos);

  input_ = {"a"};  // one character can be stored, though a profile wants two
  EXPECT_EQ(Run({"scramble"}), 0);
  EXPECT_EQ(out_.str().size(), 25u);
  EXPECT_NE(err_.str().find("at least 2"), std::string::npos);
  input_ = {std::string(20, '~')};
  EXPECT_EQ(Run({"scramble"}), 0);
}

TEST_F(ProfileToolTest, PasswordsTravelFromToolToReader) {
  std::mt19937 pick(777);
  std::uniform_int_distribution<int> character(0x20, 0x7E);
  for (int round = 0; round < 300; ++round) {
    std::size_t length = 2 + static_cast<std::size_t>(round % 19);
    std::string password;
    for (std::size_t i = 0; i < length; ++i) password.push_back(static_cast<char>(character(pick)));

    input_ = {password};
    ASSERT_EQ(Run({"scramble"}), 0);
    std::string stored = out_.str().substr(0, 24);
    Spill(dir_ / "SCR.P00",
          "Extcompany.: Acme\nDestination: PRD\nClient.....: 100\nUser.......: u1\n"
          "Password...: " +
              stored +
              "\nLanguage...: E\nMode.......: R/3\nHostname...: h1\nSysnr......: 00\n"
              "Gwhost.....: h1\nGwservice..: sapgw00\n");
    std::string result;
    SystemProfile read = ReadBack("SCR.P00", &result);
    ASSERT_EQ(result, "") << "password " << password;
    EXPECT_EQ(read.password, password);
  }
}

TEST_F(ProfileToolTest, NewWritesACompleteProfileThatReadsBack) {
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(NewArgs("SYS1.P00")), 0) << err_.str();
  EXPECT_EQ(out_.str(), "Wrote " + Path("SYS1.P00") + " (check: OK)\n");
  EXPECT_TRUE(err_.str().empty());

  std::string text = Slurp(dir_ / "SYS1.P00");
  std::size_t at = text.find("Password...: ");
  ASSERT_NE(at, std::string::npos);
  std::string stored = text.substr(at + 13, 24);
  EXPECT_EQ(text,
            "* Tolvaran system profile\n"
            "Extcompany.: Tolvaran\n"
            "Destination: PRD\n"
            "Client.....: 100\n"
            "User.......: sapmon\n"
            "Password...: " +
                stored +
                "\n"
                "Language...: E\n"
                "Mode.......: R/3\n"
                "Hostname...: sapprd01\n"
                "Sysnr......: 00\n"
                "Gwhost.....: sapprd01\n"
                "Gwservice..: sapgw00\n");

  std::string result;
  SystemProfile read = ReadBack("SYS1.P00", &result);
  EXPECT_EQ(result, "");
  EXPECT_EQ(read.password, "Geheim1");
  EXPECT_EQ(read.user, "SAPMON");

  EXPECT_EQ(Run({"check", Path("SYS1.P00")}), 0);
  EXPECT_EQ(out_.str(), "OK\n");
}

TEST_F(ProfileToolTest, NewWithGatewayModeAndGivenValues) {
  input_ = {"Geheim1\r"};
  Args args = Without(Without(NewArgs("GW.P00"), "--host"), "--sysnr");
  args = With(With(With(args, "--mode", "R/2"), "--gwhost", "gw01"), "--gwservice", "sapgw42");
  args.push_back("--company=Acme Corp");
  ASSERT_EQ(Run(args), 0) << err_.str();
  std::string result;
  SystemProfile read = ReadBack("GW.P00", &result);
  ASSERT_EQ(result, "");
  EXPECT_EQ(read.mode, "R/2");
  EXPECT_EQ(read.gatewayHost, "gw01");
  EXPECT_EQ(read.gatewayService, "sapgw42");
  EXPECT_EQ(read.hostname, "gw01");
  EXPECT_EQ(read.systemNumber, "00");
  EXPECT_EQ(read.extCompany, "Acme Corp");
  EXPECT_EQ(read.password, "Geheim1");

  // Mode r/2 is no gateway mode for the program, so it needs a host.
  Args lowerCase = With(args, "--mode", "r/2");
  lowerCase.push_back("--force");
  input_ = {"Geheim1"};
  EXPECT_EQ(Run(lowerCase), 2);
  EXPECT_NE(err_.str().find("--host is required unless the mode is R/2"), std::string::npos)
      << err_.str();
}

TEST_F(ProfileToolTest, NewRefusesMissingOptions) {
  const Args full = NewArgs("X.P00");
  for (const char* option : {"--destination", "--client", "--user", "--language", "--mode",
                             "--host", "--sysnr", "--password-stdin"}) {
    input_ = {"Geheim1"};
    EXPECT_EQ(Run(Without(full, option)), 2) << option;
    EXPECT_NE(err_.str().find(option), std::string::npos) << err_.str();
  }
  Args gateway = With(Without(Without(full, "--host"), "--sysnr"), "--mode", "R/2");
  EXPECT_EQ(Run(gateway), 2);
  EXPECT_NE(err_.str().find("--gwhost is required with mode R/2"), std::string::npos);
  EXPECT_EQ(Run(With(gateway, "--gwhost", "gw01")), 2);
  EXPECT_NE(err_.str().find("--gwservice"), std::string::npos);

  EXPECT_FALSE(fs::exists(dir_ / "X.P00"));
  EXPECT_EQ(passwordReads_, 0);  // nobody is asked for a password in vain
}

TEST_F(ProfileToolTest, NewRefusesValuesTheProgramWouldReject) {
  const Args full = NewArgs("X.P00");
  struct Case {
    const char* option;
    std::string value;
    const char* reason;
  };
  const Case cases[] = {
      {"--client", "10", "--client: too short: 2 characters, at least 3"},
      {"--destination", "ABCDEFGHIJKLMNOPQRST",
       "--destination: too long: 20 characters, at most 11"},
      {"--language", "", "--language: too short: 0 characters, at least 1"},
      {"--user", "a", "--user: too short: 1 character, at least 2"},
      {"--company", std::string(61, 'c'), "--company: too long: 61 characters, at most 60"},
      {"--gwhost", std::string(61, 'g'), "--gwhost: too long"},
      {"--host", "sap\nprd", "--host: holds a control character"},
      {"--mode", "R/3\r", "--mode: holds a control character"},
      {"--sysnr", std::string(27, '0'), "--gwservice (taken from --sysnr): too long"},
      {"--host", std::string(48, 'h'), "--host: too long: 48 characters, at most 47"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(With(full, c.option, c.value)), 2) << c.option;
    EXPECT_NE(err_.str().find(c.reason), std::string::npos) << err_.str();
  }
  // The longest values each field holds are accepted.
  input_ = {"Geheim1"};
  Args longest = With(With(full, "--destination", "ABCDEFGHIJK"), "--gwhost", std::string(60, 'g'));
  EXPECT_EQ(Run(With(longest, "--company", std::string(60, 'c'))), 0) << err_.str();

  EXPECT_EQ(passwordReads_, 1);
}

TEST_F(ProfileToolTest, NewRefusesPasswordsTheProgramWouldReject) {
  for (const std::string& line :
       {std::string("a"), std::string(21, 'a'), std::string(""), std::string("tab\there")}) {
    input_ = {line};
    EXPECT_EQ(Run(NewArgs("X.P00")), 2) << line;
    EXPECT_NE(err_.str().find("the password"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "X.P00"));
  }
  input_.clear();
  EXPECT_EQ(Run(NewArgs("X.P00")), 2);
  EXPECT_NE(err_.str().find("no password"), std::string::npos);
}

TEST_F(ProfileToolTest, NewRefusesMalformedCommandLines) {
  const Args full = NewArgs("X.P00");
  Args twice = full;
  twice.push_back("--client=200");
  Args flagValue = full;
  flagValue.push_back("--force=yes");
  Args noValue = full;
  noValue.push_back("--gwhost");
  Args second = full;
  second.push_back("Y.P00");
  Args unknown = full;
  unknown.push_back("--frob");
  Args shortOption = full;
  shortOption.push_back("-f");
  for (const Args& args : {twice, flagValue, noValue, second, unknown, shortOption}) {
    EXPECT_EQ(Run(args), 2) << args.back();
    EXPECT_NE(err_.str().find("Usage: tolvaran-profile new"), std::string::npos);
    EXPECT_NE(err_.str().find(args.back().substr(0, args.back().find('='))), std::string::npos)
        << err_.str();
  }
  EXPECT_EQ(passwordReads_, 0);
}

TEST_F(ProfileToolTest, NewNeverOverwritesWithoutForce) {
  Spill(dir_ / "OLD.P00", "keep me\n");
  input_ = {"Geheim1"};
  EXPECT_EQ(Run(NewArgs("OLD.P00")), 2);
  EXPECT_NE(err_.str().find("--force"), std::string::npos);
  EXPECT_EQ(Slurp(dir_ / "OLD.P00"), "keep me\n");
  EXPECT_EQ(passwordReads_, 0);

  Args forced = NewArgs("OLD.P00");
  forced.push_back("--force");
  ASSERT_EQ(Run(forced), 0) << err_.str();
  std::string result;
  ReadBack("OLD.P00", &result);
  EXPECT_EQ(result, "");
}

TEST_F(ProfileToolTest, NewReportsAFileThatCannotBeWritten) {
  input_ = {"Geheim1"};
  EXPECT_EQ(Run(NewArgs("no-such-dir/X.P00")), 2);
  EXPECT_NE(err_.str().find("no-such-dir"), std::string::npos);
  EXPECT_TRUE(out_.str().empty());
}

TEST_F(ProfileToolTest, SncWithModeR2IsRefusedAsTheRunRefusesIt) {
  // The run opens SNC only through an application server, which R/2 has
  // not (the tests' folder has no SapRfc.PRD to connect through).
  Args r2 = Without(Without(NewArgs("GW.P00"), "--host"), "--sysnr");
  r2 = With(With(With(r2, "--mode", "R/2"), "--gwhost", "gw01"), "--gwservice", "sapgw42");
  input_ = {"Geheim1"};
  EXPECT_EQ(Run(With(r2, "--snc-partner", "p:CN=GW")), 2);
  EXPECT_EQ(err_.str(),
            "tolvaran-profile new: SNC with mode R/2: SNC needs an application server (not mode "
            "R/2); tolvaran opens it only through a SapRfc.<destination> file\n");
  EXPECT_FALSE(fs::exists(dir_ / "GW.P00"));

  // Written without SNC, then given it by hand: a sound record, which
  // check judges as the run's opening would.
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(r2), 0) << err_.str();
  std::ofstream(dir_ / "GW.P00", std::ios::app) << "Snc-Mode...: 1\nSnc-Partner: p:CN=GW\n";
  out_.str("");
  EXPECT_EQ(Run({"check", Path("GW.P00")}), 2);
  EXPECT_EQ(out_.str(),
            "Error 1011: RFC-Open for PRD failed ! - SNC needs an application server (not mode "
            "R/2)\n  Snc-Mode...: 1 with Mode.......: R/2; connect through a "
            "SapRfc.<destination> file, or leave SNC out\n");
}

TEST_F(ProfileToolTest, NewWritesSncKeysOnlyWhenGivenAndChecksThem) {
  input_ = {"Geheim1"};
  ASSERT_EQ(
      Run(With(With(NewArgs("SNC.P00"), "--snc-partner", "p:CN=PRD, O=Example"), "--snc-qop", "3")),
      0)
      << err_.str();
  std::string text = Slurp(dir_ / "SNC.P00");
  EXPECT_NE(text.find("\nSnc-Mode...: 1\nSnc-Partner: p:CN=PRD, O=Example\nSnc-Qop....: 3\n"),
            std::string::npos)
      << text;
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(NewArgs("PLAIN.P00")), 0);
  EXPECT_EQ(Slurp(dir_ / "PLAIN.P00").find("Snc-"), std::string::npos);

  input_ = {"Geheim1"};
  EXPECT_EQ(Run(With(NewArgs("BAD.P00"), "--snc-mode", "1")), 2);
  EXPECT_EQ(err_.str(),
            "tolvaran-profile new: Snc-Partner: missing or empty, required with Snc-Mode...: 1\n");
  EXPECT_FALSE(fs::exists(dir_ / "BAD.P00"));

  input_ = {"Geheim1"};
  EXPECT_EQ(Run(With(NewArgs("QUOTE.P00"), "--snc-partner", "p:CN=\"PRD\"")), 2);
  EXPECT_EQ(err_.str(),
            "tolvaran-profile new: --snc-partner: no double quote (tolvaran cannot pass it to "
            "the RFC library)\n");
  EXPECT_FALSE(fs::exists(dir_ / "QUOTE.P00"));
}

TEST_F(ProfileToolTest, CheckPrintsTheProgramsVerdict) {
  Spill(dir_ / "SYS1.P00", "Client.....: 100\n");
  EXPECT_EQ(Run({"check", Path("SYS1.P00")}), 2);
  EXPECT_EQ(out_.str(), "Error 1006: Username in Profile SYS1.P00 is missing...\n");

  Spill(dir_ / "SYS2.P00", "User.......: u1\nPassword...: too short\n");
  EXPECT_EQ(Run({"check", Path("SYS2.P00")}), 2);
  EXPECT_EQ(out_.str(),
            "Error 1004: Invalid Password in Profile SYS2.P00 found...\n"
            "  Password...: the stored form has 9 characters, not 24\n");

  EXPECT_EQ(Run({"check", Path("MISSING.P00")}), 2);
  EXPECT_EQ(out_.str(), "Error 1002: Profile " + Path("MISSING.P00") + " is missing...\n");
  fs::create_directories(dir_ / "DIR.P00");
  EXPECT_EQ(Run({"check", Path("DIR.P00")}), 2);
  EXPECT_EQ(out_.str(), "Error 1002: Profile " + Path("DIR.P00") + " is missing...\n");
}

TEST_F(ProfileToolTest, CheckNamesTheReasonBehindTheMessage) {
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(NewArgs("SYS1.P00")), 0) << err_.str();
  std::string good = Slurp(dir_ / "SYS1.P00");
  out_.str("");

  // A client of two characters and an empty host: error 1003 with both.
  std::string bad = good;
  bad.replace(bad.find("Client.....: 100"), 16, "Client.....: 10");
  bad.replace(bad.find("Hostname...: sapprd01"), 21, "Hostname...:");
  Spill(dir_ / "SYS3.P00", bad);
  EXPECT_EQ(Run({"check", Path("SYS3.P00")}), 2);
  EXPECT_EQ(out_.str(),
            "Error 1003: Invalid Parameter(s) at SYS3.P00 found...\n"
            "  Client.....: 2 characters, at least 3\n"
            "  Hostname...: missing or empty, at least 2\n");

  // One character of a stored password changed: its check digit fails.
  std::string changed = good;
  std::size_t at = changed.find("Password...: ") + 13;
  changed.replace(at, 24, "<7>;]nGm}c>r?[znOo705x)m");
  Spill(dir_ / "SYS4.P00", changed);
  out_.str("");
  EXPECT_EQ(Run({"check", Path("SYS4.P00")}), 2);
  EXPECT_EQ(out_.str().substr(0, out_.str().find('\n')),
            "Error 1005: Wrong Password in Profile SYS4.P00 found...");
  EXPECT_NE(out_.str().find("\n  Password...: the check digit does not match"), std::string::npos);
}

TEST_F(ProfileToolTest, CheckPointsAtLinesThatNearlyAreKeys) {
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(NewArgs("SYS1.P00")), 0) << err_.str();
  std::string good = Slurp(dir_ / "SYS1.P00");
  std::string bad = good;
  bad.replace(bad.find("Client.....: 100"), 16, "Client.....:100");
  bad.replace(bad.find("User.......:"), 12, "USER.......:");
  bad.replace(bad.find("Sysnr......:"), 12, "Sysnr.....:");
  bad.replace(bad.find("Hostname...:"), 12, "Hostname....:");
  bad.replace(bad.find("Language...:"), 12, "Language...");
  bad += "Client: 100\nClient data for the record\n";
  Spill(dir_ / "SYS2.P00", bad);
  EXPECT_EQ(Run({"check", Path("SYS2.P00")}), 2);
  EXPECT_EQ(out_.str(),
            "Error 1006: Username in Profile SYS2.P00 is missing...\n"
            "  line 4: \"Client.....:\" is not followed by a blank: the value is taken from the "
            "14th character on, without its first character\n"
            "  line 5: \"USER.......:\" is not read as \"User.......:\" (another letter case)\n"
            "  line 7: \"Language...\" is not read as \"Language...:\" (no colon)\n"
            "  line 9: \"Hostname....:\" is not read as \"Hostname...:\" (one dot too many)\n"
            "  line 10: \"Sysnr.....:\" is not read as \"Sysnr......:\" (one dot too few)\n"
            "  line 13: \"Client:\" is not read as \"Client.....:\" (5 dots too few)\n");
  // A usable profile with a line the program passes over is still OK.
  Spill(dir_ / "SYS4.P00", good + "client.....: 200\n");
  EXPECT_EQ(Run({"check", Path("SYS4.P00")}), 0);
  EXPECT_EQ(out_.str(),
            "OK\n  line 13: \"client.....:\" is not read as \"Client.....:\" (another letter "
            "case)\n");
  // The value of a near miss, the password's above all, is never shown.
  std::string password = good.substr(good.find("Password...: ") + 13, 24);
  bad = good;
  bad.replace(bad.find("Password...:"), 12, " Password..:");
  Spill(dir_ / "SYS3.P00", bad);
  EXPECT_EQ(Run({"check", Path("SYS3.P00")}), 2);
  EXPECT_EQ(out_.str(),
            "Error 1007: Password in Profile SYS3.P00 is missing...\n"
            "  line 6: \"Password..:\" is not read as \"Password...:\" (it does not start the "
            "line, one dot too few)\n");
  EXPECT_EQ(out_.str().find(password), std::string::npos);
}

TEST_F(ProfileToolTest, CheckNamesAFileSavedAsUnicode) {
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(NewArgs("SYS1.P00")), 0) << err_.str();
  std::string good = Slurp(dir_ / "SYS1.P00");
  for (bool withMark : {true, false}) {
    std::string wide = withMark ? "\xFF\xFE" : "";
    for (char c : good) wide += std::string{c, '\0'};
    Spill(dir_ / "WIDE.P00", wide);
    EXPECT_EQ(Run({"check", Path("WIDE.P00")}), 2);
    EXPECT_EQ(out_.str(),
              "Error 1006: Username in Profile WIDE.P00 is missing...\n"
              "  the file is saved as Unicode; save as ANSI or UTF-8\n");
  }
}

TEST_F(ProfileToolTest, ANameTheProgramCannotOpenIsRefusedAndReported) {
  // 59 characters and ".P00" is the longest name the program opens.
  const std::string longest(59, 'L');
  input_ = {"Geheim1", "Geheim1"};
  ASSERT_EQ(Run(NewArgs(longest)), 0) << err_.str();
  EXPECT_EQ(Run({"check", Path(longest)}), 0);

  const std::string over(60, 'L');
  EXPECT_EQ(Run(NewArgs(over)), 2);
  EXPECT_EQ(err_.str(), "tolvaran-profile new: " + Path(over + ".P00") +
                            ": the file name has 64 characters; tolvaran opens a profile name "
                            "of at most 63\n");
  EXPECT_FALSE(fs::exists(dir_ / (over + ".P00")));
  EXPECT_EQ(passwordReads_, 1);  // refused before the password is asked for

  // The same bytes under a name the program cannot open: its error 1002,
  // with the name cut as it cuts it.
  fs::copy_file(dir_ / (longest + ".P00"), dir_ / (over + ".P00"));
  EXPECT_EQ(Run({"check", Path(over)}), 2);
  EXPECT_EQ(out_.str(), "Error 1002: Profile " + over +
                            ".P0 is missing...\n"
                            "  the file name has 64 characters; tolvaran opens a profile name of "
                            "at most 63\n");
}

TEST_F(ProfileToolTest, ANameWithoutExtensionIsTheProgramsPlusP00) {
  // "tolvaran G" opens G.P00: the tool writes and checks that file.
  input_ = {"Geheim1"};
  ASSERT_EQ(Run(NewArgs("G")), 0) << err_.str();
  EXPECT_EQ(out_.str(), "Wrote " + Path("G.P00") + " (check: OK)\n");
  EXPECT_TRUE(fs::exists(dir_ / "G.P00"));
  EXPECT_FALSE(fs::exists(dir_ / "G"));
  out_.str("");
  EXPECT_EQ(Run({"check", Path("G")}), 0);
  EXPECT_EQ(out_.str(), "OK\n");
  out_.str("");
  EXPECT_EQ(Run({"check", Path("H")}), 2);
  EXPECT_EQ(out_.str(), "Error 1002: Profile " + Path("H.P00") + " is missing...\n");
}

#ifndef _WIN32
TEST_F(ProfileToolTest, ProfilesAreTheOwnersOnlyAndReplacedAtomically) {
  mode_t old_mask = umask(022);
  input_ = {"Geheim1", "Geheim2"};
  int first = Run(NewArgs("SYS1.P00"));
  struct stat st;
  bool stated = stat(Path("SYS1.P00").c_str(), &st) == 0;
  // A second name for the old file: a replacement in place would change it.
  fs::create_hard_link(dir_ / "SYS1.P00", dir_ / "old-copy");
  std::string before = Slurp(dir_ / "SYS1.P00");
  Args forcedArgs = NewArgs("SYS1.P00");
  forcedArgs.push_back("--force");
  int forced = Run(forcedArgs);
  umask(old_mask);
  ASSERT_EQ(first, 0) << err_.str();
  ASSERT_TRUE(stated);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(forced, 0) << err_.str();
  EXPECT_EQ(Slurp(dir_ / "old-copy"), before);
  EXPECT_NE(Slurp(dir_ / "SYS1.P00"), before);
  ASSERT_EQ(stat(Path("SYS1.P00").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
  }
}
#endif

}  // namespace
}  // namespace tolvaran
