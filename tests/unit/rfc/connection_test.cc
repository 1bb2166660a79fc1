#include "rfc/connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "../scratch_host.h"

namespace tolvaran {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// A fake library that keeps a copy of everything an opening hands it: the
// texts the records point to may change with the next opening.

std::optional<std::string> Copy(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

struct SeenOpen {
  std::optional<std::string> destination, client, user, password, language;
  int mode = -1;
  int trace = -1;
  // Mode 0: the host record.
  std::optional<std::string> hostname;
  int sysnr = -1;
  // Both records.
  std::optional<std::string> gatewayHost, gatewayService;
};

struct SeenOpenEx {
  std::string connect;
  bool errorRecord = false;
  // The library reads its configuration during the call: what it found.
  bool configReadable = false;
  std::string config;
  bool lockHeld = false;
};

struct ConnectionLibrary {
  RfcHandle openResult = 17;
  RfcHandle openExResult = 23;
  std::vector<SeenOpen> opens;
  std::vector<SeenOpenEx> openExes;
};

ConnectionLibrary connLib;

extern "C" RfcHandle RFC_CALL ConnectionTestOpen(RfcOpenOptions* options) {
  SeenOpen seen;
  seen.destination = Copy(options->destination);
  seen.client = Copy(options->client);
  seen.user = Copy(options->user);
  seen.password = Copy(options->password);
  seen.language = Copy(options->language);
  seen.mode = options->mode;
  seen.trace = options->trace;
  if (options->mode == 1) {
    const auto* gateway = static_cast<const GatewayOptions*>(options->connopt);
    seen.gatewayHost = Copy(gateway->gateway_host);
    seen.gatewayService = Copy(gateway->gateway_service);
  } else {
    const auto* host = static_cast<const HostOptions*>(options->connopt);
    seen.hostname = Copy(host->hostname);
    seen.sysnr = host->sysnr;
    seen.gatewayHost = Copy(host->gateway_host);
    seen.gatewayService = Copy(host->gateway_service);
  }
  connLib.opens.push_back(seen);
  return connLib.openResult;
}

extern "C" RfcHandle RFC_CALL ConnectionTestOpenEx(char* connect, RfcErrorRecord* error) {
  SeenOpenEx seen;
  seen.connect = connect ? connect : "(null)";
  seen.errorRecord = error != nullptr;
  std::ifstream in("SapRfc.ini", std::ios::binary);
  if (in) {
    std::ostringstream bytes;
    bytes << in.rdbuf();
    seen.configReadable = true;
    seen.config = bytes.str();
  }
  seen.lockHeld = fs::exists("SapRfc.ini.lock");
  connLib.openExes.push_back(seen);
  return connLib.openExResult;
}

class OpenConnectionTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    connLib = ConnectionLibrary{};
    rs->host = host_.get();
    rs->rfc.loaded = true;
    rs->rfc.lib.RfcOpen = &ConnectionTestOpen;
    rs->rfc.lib.RfcOpenEx = &ConnectionTestOpenEx;

    SystemProfile& p = rs->profile;
    p.extCompany.Set("Demo Corp");
    p.destination.Set("PRD");
    p.logonClient.Set("100");
    p.user.Set("SAPMON");
    p.password.Set("Secret99");
    p.language.Set("E");
    p.mode.Set("R/3");
    p.hostname.Set("prdhost");
    p.systemNumber.Set("00");
    p.gatewayHost.Set("prdgw");
    p.gatewayService.Set("sapgw00");
  }

  // Opens through RfcOpen and returns what the library was given.
  SeenOpen Open() {
    std::size_t before = connLib.opens.size();
    EXPECT_EQ(OpenConnection(*rs), connLib.openResult);
    EXPECT_EQ(connLib.opens.size(), before + 1);
    EXPECT_TRUE(connLib.openExes.empty());
    return connLib.opens.empty() ? SeenOpen{} : connLib.opens.back();
  }

  // The names in the current directory, sorted.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_ / "cwd")) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / "cwd" / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  std::unique_ptr<RunState> rs = std::make_unique<RunState>();
};

// ----- RfcOpen: the options record --------------------------------------------

TEST_F(OpenConnectionTest, ModeR3UsesTheHostRecord) {
  SeenOpen seen = Open();
  EXPECT_EQ(seen.mode, 0);
  EXPECT_EQ(seen.trace, 0);
  EXPECT_EQ(seen.destination, "PRD");
  EXPECT_EQ(seen.client, "100");
  EXPECT_EQ(seen.language, "E");
  EXPECT_EQ(seen.hostname, "prdhost");
  EXPECT_EQ(seen.sysnr, 0);
  EXPECT_EQ(seen.gatewayHost, "prdgw");
  EXPECT_EQ(seen.gatewayService, "sapgw00");
  EXPECT_EQ(rs->rfc.openOptions.connopt, static_cast<void*>(&rs->rfc.hostOptions));
  EXPECT_EQ(host_->out, "");
}

TEST_F(OpenConnectionTest, OnlyTheExactModeR2UsesTheGatewayRecord) {
  rs->profile.mode.Set("R/2");
  SeenOpen seen = Open();
  EXPECT_EQ(seen.mode, 1);
  EXPECT_EQ(seen.gatewayHost, "prdgw");
  EXPECT_EQ(seen.gatewayService, "sapgw00");
  EXPECT_EQ(rs->rfc.openOptions.connopt, static_cast<void*>(&rs->rfc.gatewayOptions));

  for (const char* mode : {"R/3", "r/2", "", "R/2 ", " R/2", "R/22"}) {
    SCOPED_TRACE(std::string("mode '") + mode + "'");
    rs->profile.mode.Set(mode);
    seen = Open();
    EXPECT_EQ(seen.mode, 0);
    EXPECT_EQ(seen.hostname, "prdhost");
    EXPECT_EQ(rs->rfc.openOptions.connopt, static_cast<void*>(&rs->rfc.hostOptions));
  }
}

TEST_F(OpenConnectionTest, EmptyHostAndGatewayTextsArePassedAsNone) {
  rs->profile.hostname.Clear();
  rs->profile.gatewayHost.Clear();
  rs->profile.gatewayService.Clear();
  SeenOpen seen = Open();
  EXPECT_EQ(seen.hostname, std::nullopt);
  EXPECT_EQ(seen.gatewayHost, std::nullopt);
  EXPECT_EQ(seen.gatewayService, std::nullopt);

  rs->profile.mode.Set("R/2");
  seen = Open();
  EXPECT_EQ(seen.gatewayHost, std::nullopt);
  EXPECT_EQ(seen.gatewayService, std::nullopt);

  // Each one on its own.
  rs->profile.gatewayHost.Set("prdgw");
  seen = Open();
  EXPECT_EQ(seen.gatewayHost, "prdgw");
  EXPECT_EQ(seen.gatewayService, std::nullopt);
  rs->profile.mode.Set("R/3");
  rs->profile.hostname.Set("prdhost");
  seen = Open();
  EXPECT_EQ(seen.hostname, "prdhost");
  EXPECT_EQ(seen.gatewayHost, "prdgw");
  EXPECT_EQ(seen.gatewayService, std::nullopt);
}

TEST_F(OpenConnectionTest, UserIsPaddedToTwelveAndPasswordToTen) {
  struct Case {
    const char* user;
    const char* password;
    std::string userPassed;
    std::string passwordPassed;
  };
  const Case cases[] = {
      {"ABC", "Secret99", "ABC         ", "Secret99  "},
      {"ABCDEFGHIJKL", "Secret9999", "ABCDEFGHIJKL", "Secret9999"},
      {"ABCDEFGHIJKLMN", "LongerSecret99", "ABCDEFGHIJKLMN", "LongerSecret99"},
      {"SAPMON", "pw", "SAPMON      ", "pw        "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user);
    rs->profile.user.Set(c.user);
    rs->profile.password.Set(c.password);
    SeenOpen seen = Open();
    EXPECT_EQ(seen.user, c.userPassed);
    EXPECT_EQ(seen.password, c.passwordPassed);
  }
  // The profile keeps its values unpadded.
  EXPECT_EQ(rs->profile.user.str(), "SAPMON");
  EXPECT_EQ(rs->profile.password.str(), "pw");
}

TEST_F(OpenConnectionTest, SystemNumberIsReadAsADecimalNumber) {
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {{"00", 0}, {"7a", 7},  {"12", 12}, {"  05", 5},
                        {"+3", 3}, {"-4", -4}, {"x9", 0},  {"99  ", 99}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    rs->profile.systemNumber.Set(c.text);
    EXPECT_EQ(Open().sysnr, c.value);
  }
}

TEST_F(OpenConnectionTest, EmptySystemNumberKeepsThePreviousOpeningsValue) {
  rs->profile.systemNumber.Clear();
  EXPECT_EQ(Open().sysnr, 0);  // nothing before: 0
  rs->profile.systemNumber.Set("07");
  EXPECT_EQ(Open().sysnr, 7);
  rs->profile.systemNumber.Clear();
  EXPECT_EQ(Open().sysnr, 7);
  rs->profile.systemNumber.Set("00");
  EXPECT_EQ(Open().sysnr, 0);
}

TEST_F(OpenConnectionTest, HostAndNumberMarkersInTheParametersLeaveThemUnset) {
  rs->profile.systemNumber.Set("05");
  Open();
  rs->paramText.Set("/CHECK,HOST=OTHERHOST,NO=09");
  rs->profile.systemNumber.Set("09");
  SeenOpen seen = Open();
  EXPECT_EQ(seen.hostname, std::nullopt);
  EXPECT_EQ(seen.sysnr, 5);
}

TEST_F(OpenConnectionTest, ReturnsWhatRfcOpenReturns) {
  connLib.openResult = 0;
  EXPECT_EQ(OpenConnection(*rs), 0u);
  connLib.openResult = 4711;
  EXPECT_EQ(OpenConnection(*rs), 4711u);
}

// ----- RfcOpenEx: the per-destination configuration ---------------------------

TEST_F(OpenConnectionTest, DestinationFileIsInstalledAsSapRfcIniAndOpenedByConnectString) {
  // Bytes as they are: CR LF and LF, a NUL, no final line end.
  const std::string config =
      std::string("DEST=PRD\r\nTYPE=A\nASHOST=prdhost\r\n") + '\0' + "SYSNR=00";
  Write("SapRfc.PRD", config);
  Write("SapRfc.ini", "DEST=OLD\nan older and longer configuration file\n");

  EXPECT_EQ(OpenConnection(*rs), 23u);
  EXPECT_TRUE(connLib.opens.empty());
  ASSERT_EQ(connLib.openExes.size(), 1u);
  const SeenOpenEx& seen = connLib.openExes[0];
  EXPECT_EQ(seen.connect, "CLIENT=100 USER=SAPMON PASSWD=Secret99 LANG=D DEST=PRD");
  EXPECT_TRUE(seen.errorRecord);
  EXPECT_TRUE(seen.configReadable);
  EXPECT_EQ(seen.config, config);
  EXPECT_TRUE(seen.lockHeld) << "SapRfc.ini must be opened under the lock";

  EXPECT_EQ(Read("SapRfc.ini"), config);
  EXPECT_EQ(Read("SapRfc.PRD"), config);
  EXPECT_EQ(Names(), (std::vector<std::string>{"SapRfc.PRD", "SapRfc.ini"}));
  EXPECT_EQ(host_->out, "") << "the note is only for progress lines";
}

TEST_F(OpenConnectionTest, ConnectStringCarriesTheProfileValuesUnpaddedAndLanguageD) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  rs->profile.user.Set("ABC");
  rs->profile.password.Set("pw");
  rs->profile.language.Set("E");
  rs->profile.logonClient.Set("001");
  OpenConnection(*rs);
  rs->profile.language.Set("EN");
  OpenConnection(*rs);
  ASSERT_EQ(connLib.openExes.size(), 2u);
  EXPECT_EQ(connLib.openExes[0].connect, "CLIENT=001 USER=ABC PASSWD=pw LANG=D DEST=PRD");
  EXPECT_EQ(connLib.openExes[1].connect, "CLIENT=001 USER=ABC PASSWD=pw LANG=D DEST=PRD");
}

TEST_F(OpenConnectionTest, EachDestinationBringsItsOwnFile) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  Write("SapRfc.QAS", "DEST=QAS\nGWSERV=sapgw10\n");
  rs->profile.destination.Set("QAS");
  OpenConnection(*rs);
  rs->profile.destination.Set("PRD");
  OpenConnection(*rs);
  rs->profile.destination.Set("DEV");  // no file: RfcOpen
  OpenConnection(*rs);
  ASSERT_EQ(connLib.openExes.size(), 2u);
  EXPECT_EQ(connLib.openExes[0].config, "DEST=QAS\nGWSERV=sapgw10\n");
  EXPECT_EQ(connLib.openExes[0].connect, "CLIENT=100 USER=SAPMON PASSWD=Secret99 LANG=D DEST=QAS");
  EXPECT_EQ(connLib.openExes[1].config, "DEST=PRD\n");
  ASSERT_EQ(connLib.opens.size(), 1u);
  EXPECT_EQ(connLib.opens[0].destination, "DEV");
  // The last installed configuration stays.
  EXPECT_EQ(Read("SapRfc.ini"), "DEST=PRD\n");
}

TEST_F(OpenConnectionTest, EmptyDestinationFileGivesAnEmptySapRfcIni) {
  Write("SapRfc.PRD", "");
  Write("SapRfc.ini", "DEST=OLD\n");
  EXPECT_EQ(OpenConnection(*rs), 23u);
  ASSERT_EQ(connLib.openExes.size(), 1u);
  EXPECT_TRUE(connLib.openExes[0].configReadable);
  EXPECT_EQ(connLib.openExes[0].config, "");
  EXPECT_EQ(Read("SapRfc.ini"), "");
  EXPECT_EQ(Names(), (std::vector<std::string>{"SapRfc.PRD", "SapRfc.ini"}));
}

TEST_F(OpenConnectionTest, FailedOpenExIsReturnedAndLeavesNoLock) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  connLib.openExResult = 0;
  EXPECT_EQ(OpenConnection(*rs), 0u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"SapRfc.PRD", "SapRfc.ini"}));
  EXPECT_EQ(rs->heldLock, nullptr);
}

TEST_F(OpenConnectionTest, SapRfcIniThatCannotBeWrittenFailsWithoutCallingTheLibrary) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  fs::create_directory(dir_ / "cwd" / "SapRfc.ini");
  EXPECT_EQ(OpenConnection(*rs), 0u);
  EXPECT_TRUE(connLib.openExes.empty());
  EXPECT_TRUE(connLib.opens.empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"SapRfc.PRD", "SapRfc.ini"}));
  EXPECT_TRUE(fs::is_directory(dir_ / "cwd" / "SapRfc.ini"));
  EXPECT_EQ(rs->heldLock, nullptr);
}

TEST_F(OpenConnectionTest, NoteOnTheConfigurationFileOnlyWithProgressLines) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  OpenConnection(*rs);
  EXPECT_EQ(host_->out, "");
  rs->verbose = true;
  OpenConnection(*rs);
  EXPECT_EQ(host_->out, "* SapRfc.Ini.......: PRD<\n");
  // Not when the library is opened by the options record.
  host_->out.clear();
  rs->profile.destination.Set("QAS");
  OpenConnection(*rs);
  EXPECT_EQ(host_->out, "");
}

}  // namespace
}  // namespace tolvaran
