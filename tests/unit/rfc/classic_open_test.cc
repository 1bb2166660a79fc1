// Opening a connection through the classic library: the options record
// for RfcOpen, and the per-destination configuration with RfcOpenEx.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "rfc/classic/classic_backend.h"
#include "rfc/library_config.h"
#include "support/fake_classic_library.h"
#include "support/fake_host.h"
#include "support/scratch_host.h"

namespace tolvaran {
namespace {

namespace fs = std::filesystem;

ConnectionRequest PrdRequest() {
  ConnectionRequest r;
  r.destination = "PRD";
  r.client = "100";
  r.user = "SAPMON";
  r.password = "Secret99";
  r.language = "E";
  r.mode = "R/3";
  r.hostname = "prdhost";
  r.systemNumber = 0;
  r.gatewayHost = "prdgw";
  r.gatewayService = "sapgw00";
  return r;
}

// What the library saw of SapRfc.ini while RfcOpenEx ran, and the file
// RFC_INI named.
struct SeenConfig {
  bool readable = false;
  std::string bytes;
  bool lockHeld = false;
  std::string rfcIni;
};

class ClassicOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend = MakeClassicBackend(host, ResetFakeClassic());
    FakeClassic().duringOpenEx = [this] {
      SeenConfig seen;
      seen.readable = host.Has("SapRfc.ini");
      seen.bytes = host.Get("SapRfc.ini");
      seen.lockHeld = host.lock_held;
      const char* rfcIni = std::getenv("RFC_INI");
      seen.rfcIni = rfcIni ? rfcIni : "";
      configs.push_back(seen);
    };
  }
  void TearDown() override { EXPECT_EQ(FakeClassic().faults, std::vector<std::string>{}); }

  // Opens through RfcOpen and returns what the library was given.
  FakeOpen Open() {
    std::size_t before = FakeClassic().opens.size();
    EXPECT_EQ(backend->Open(request, nullptr), FakeClassic().openResult);
    EXPECT_EQ(FakeClassic().opens.size(), before + 1);
    EXPECT_TRUE(FakeClassic().openExes.empty());
    return FakeClassic().opens.empty() ? FakeOpen{} : FakeClassic().opens.back();
  }

  FakeHost host;
  std::unique_ptr<RfcBackend> backend;
  ConnectionRequest request = PrdRequest();
  std::vector<SeenConfig> configs;
};

// ----- RfcOpen: the options record --------------------------------------------

TEST_F(ClassicOpenTest, ModeR3UsesTheHostRecord) {
  FakeOpen seen = Open();
  EXPECT_EQ(seen.mode, 0);
  EXPECT_EQ(seen.trace, 0);
  EXPECT_EQ(seen.destination, "PRD");
  EXPECT_EQ(seen.client, "100");
  EXPECT_EQ(seen.language, "E");
  EXPECT_EQ(seen.hostname, "prdhost");
  EXPECT_EQ(seen.sysnr, 0);
  EXPECT_EQ(seen.gatewayHost, "prdgw");
  EXPECT_EQ(seen.gatewayService, "sapgw00");
  request.systemNumber = 42;
  EXPECT_EQ(Open().sysnr, 42);
  EXPECT_EQ(host.out, "");
}

TEST_F(ClassicOpenTest, OnlyTheExactModeR2UsesTheGatewayRecord) {
  request.mode = "R/2";
  FakeOpen seen = Open();
  EXPECT_EQ(seen.mode, 1);
  EXPECT_EQ(seen.gatewayHost, "prdgw");
  EXPECT_EQ(seen.gatewayService, "sapgw00");
  void* gatewayRecord = seen.connopt;

  for (const char* mode : {"R/3", "r/2", "", "R/2 ", " R/2", "R/22"}) {
    SCOPED_TRACE(std::string("mode '") + mode + "'");
    request.mode = mode;
    seen = Open();
    EXPECT_EQ(seen.mode, 0);
    EXPECT_EQ(seen.hostname, "prdhost");
    EXPECT_NE(seen.connopt, gatewayRecord);
  }
}

TEST_F(ClassicOpenTest, EmptyHostAndGatewayTextsArePassedAsNone) {
  request.hostname.clear();
  request.gatewayHost.clear();
  request.gatewayService.clear();
  FakeOpen seen = Open();
  EXPECT_EQ(seen.hostname, std::nullopt);
  EXPECT_EQ(seen.gatewayHost, std::nullopt);
  EXPECT_EQ(seen.gatewayService, std::nullopt);

  request.mode = "R/2";
  seen = Open();
  EXPECT_EQ(seen.gatewayHost, std::nullopt);
  EXPECT_EQ(seen.gatewayService, std::nullopt);

  // Each one on its own.
  request.gatewayHost = "prdgw";
  seen = Open();
  EXPECT_EQ(seen.gatewayHost, "prdgw");
  EXPECT_EQ(seen.gatewayService, std::nullopt);
  request.mode = "R/3";
  request.hostname = "prdhost";
  seen = Open();
  EXPECT_EQ(seen.hostname, "prdhost");
  EXPECT_EQ(seen.gatewayHost, "prdgw");
  EXPECT_EQ(seen.gatewayService, std::nullopt);
}

TEST_F(ClassicOpenTest, UserIsPaddedToTwelveAndPasswordToTen) {
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
      {"", "", std::string(12, ' '), std::string(10, ' ')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user);
    request.user = c.user;
    request.password = c.password;
    FakeOpen seen = Open();
    EXPECT_EQ(seen.user, c.userPassed);
    EXPECT_EQ(seen.password, c.passwordPassed);
  }
}

TEST_F(ClassicOpenTest, ReturnsWhatRfcOpenReturns) {
  FakeClassic().openResult = 0;
  EXPECT_EQ(backend->Open(request, nullptr), 0u);
  FakeClassic().openResult = 4711;
  EXPECT_EQ(backend->Open(request, nullptr), 4711u);
}

TEST_F(ClassicOpenTest, NoConfigurationFileNoNote) {
  int notes = 0;
  backend->Open(request, [&notes] { ++notes; });
  EXPECT_EQ(notes, 0);
  EXPECT_FALSE(host.Has("SapRfc.ini"));
}

// ----- RfcOpenEx: the per-destination configuration ---------------------------

TEST_F(ClassicOpenTest, DestinationFileIsInstalledAndTheLibraryGivenItsOwnFile) {
  // Bytes as they are: CR LF and LF, a NUL, no final line end.
  const std::string config =
      std::string("DEST=PRD\r\nTYPE=A\nASHOST=prdhost\r\n") + '\0' + "SYSNR=00";
  host.Put("SapRfc.PRD", config);
  host.Put("SapRfc.ini", "DEST=OLD\nan older and longer configuration file\n");
  std::vector<std::string> noteSaw;
  auto note = [&] { noteSaw.push_back(host.Get("SapRfc.ini")); };

  EXPECT_EQ(backend->Open(request, note), 23u);
  EXPECT_TRUE(FakeClassic().opens.empty());
  ASSERT_EQ(FakeClassic().openExes.size(), 1u);
  EXPECT_EQ(FakeClassic().openExes[0].connect,
            "CLIENT=100 USER=SAPMON PASSWD=Secret99 LANG=D DEST=PRD");
  EXPECT_TRUE(FakeClassic().openExes[0].errorRecord);
  ASSERT_EQ(configs.size(), 1u);
  EXPECT_TRUE(configs[0].readable);
  EXPECT_EQ(configs[0].bytes, config);
  EXPECT_FALSE(configs[0].lockHeld) << "the lock is never held across the opening";
  // The library reads the destination's own file, by its full path.
  EXPECT_EQ(fs::path(configs[0].rfcIni), fs::absolute("SapRfc.PRD"));
  // The note comes once, before the file is replaced.
  EXPECT_EQ(noteSaw,
            std::vector<std::string>{"DEST=OLD\nan older and longer configuration file\n"});
  EXPECT_EQ(host.Get("SapRfc.ini"), config);
  EXPECT_EQ(host.Get("SapRfc.PRD"), config);
}

TEST_F(ClassicOpenTest, ConnectStringCarriesTheValuesUnpaddedAndLanguageD) {
  host.Put("SapRfc.PRD", "DEST=PRD\n");
  request.user = "ABC";
  request.password = "pw";
  request.language = "E";
  request.client = "001";
  backend->Open(request, nullptr);
  request.language = "EN";
  backend->Open(request, nullptr);
  ASSERT_EQ(FakeClassic().openExes.size(), 2u);
  EXPECT_EQ(FakeClassic().openExes[0].connect, "CLIENT=001 USER=ABC PASSWD=pw LANG=D DEST=PRD");
  EXPECT_EQ(FakeClassic().openExes[1].connect, "CLIENT=001 USER=ABC PASSWD=pw LANG=D DEST=PRD");
}

TEST_F(ClassicOpenTest, SncOpensByConnectStringWithOrWithoutADestinationFile) {
  request.password = "pw";
  request.snc = {"1", "p:CN=PRD, O=Example", "3", "", "/opt/sap/libsapcrypto.so"};
  backend->Open(request, nullptr);
  host.Put("SapRfc.PRD", "DEST=PRD\n");
  request.snc.qop.clear();
  backend->Open(request, nullptr);
  EXPECT_TRUE(FakeClassic().opens.empty());
  ASSERT_EQ(FakeClassic().openExes.size(), 2u);
  EXPECT_EQ(FakeClassic().openExes[0].connect,
            "ASHOST=prdhost SYSNR=00 CLIENT=100 USER=SAPMON PASSWD=pw LANG=E GWHOST=prdgw "
            "GWSERV=sapgw00 SNC_MODE=1 SNC_PARTNERNAME=\"p:CN=PRD, O=Example\" SNC_QOP=3 "
            "SNC_LIB=/opt/sap/libsapcrypto.so");
  EXPECT_EQ(FakeClassic().openExes[1].connect,
            "CLIENT=100 USER=SAPMON PASSWD=pw LANG=D DEST=PRD SNC_MODE=1 "
            "SNC_PARTNERNAME=\"p:CN=PRD, O=Example\" SNC_LIB=/opt/sap/libsapcrypto.so");
  // Mode 0 is no SNC: the options record as ever.
  host.RemoveFile("SapRfc.PRD");
  request.snc.mode = "0";
  backend->Open(request, nullptr);
  ASSERT_EQ(FakeClassic().opens.size(), 1u);
  EXPECT_EQ(FakeClassic().opens[0].hostname, "prdhost");
}

TEST_F(ClassicOpenTest, ThePasswordIsWipedWhereTheLibraryWasGivenIt) {
  request.password = "Tulip7prd";
  const char* options = Open().passwordAt;
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(std::string(options, 10), std::string(10, '\0'));
  host.Put("SapRfc.PRD", "DEST=PRD\n");
  backend->Open(request, nullptr);
  ASSERT_EQ(FakeClassic().openExes.size(), 1u);
  EXPECT_NE(FakeClassic().openExes[0].connect.find("PASSWD=Tulip7prd"), std::string::npos);
  const char* connect = FakeClassic().openExes[0].connectAt;
  EXPECT_EQ(std::string(connect, 64), std::string(64, '\0'));
}

TEST_F(ClassicOpenTest, EachDestinationBringsItsOwnFile) {
  host.Put("SapRfc.PRD", "DEST=PRD\n");
  host.Put("SapRfc.QAS", "DEST=QAS\nGWSERV=sapgw10\n");
  request.destination = "QAS";
  backend->Open(request, nullptr);
  request.destination = "PRD";
  backend->Open(request, nullptr);
  request.destination = "DEV";  // no file: RfcOpen
  backend->Open(request, nullptr);
  ASSERT_EQ(configs.size(), 2u);
  EXPECT_EQ(configs[0].bytes, "DEST=QAS\nGWSERV=sapgw10\n");
  EXPECT_EQ(fs::path(configs[0].rfcIni).filename(), "SapRfc.QAS");
  EXPECT_EQ(fs::path(configs[1].rfcIni).filename(), "SapRfc.PRD");
  EXPECT_EQ(FakeClassic().openExes[0].connect,
            "CLIENT=100 USER=SAPMON PASSWD=Secret99 LANG=D DEST=QAS");
  EXPECT_EQ(configs[1].bytes, "DEST=PRD\n");
  ASSERT_EQ(FakeClassic().opens.size(), 1u);
  EXPECT_EQ(FakeClassic().opens[0].destination, "DEV");
  // The last installed configuration stays.
  EXPECT_EQ(host.Get("SapRfc.ini"), "DEST=PRD\n");
}

TEST_F(ClassicOpenTest, EmptyDestinationFileGivesAnEmptySapRfcIni) {
  host.Put("SapRfc.PRD", "");
  host.Put("SapRfc.ini", "DEST=OLD\n");
  EXPECT_EQ(backend->Open(request, nullptr), 23u);
  ASSERT_EQ(configs.size(), 1u);
  EXPECT_TRUE(configs[0].readable);
  EXPECT_EQ(configs[0].bytes, "");
}

TEST_F(ClassicOpenTest, FailedOpenExIsReturnedAndLeavesNoLock) {
  host.Put("SapRfc.PRD", "DEST=PRD\n");
  FakeClassic().openExResult = 0;
  EXPECT_EQ(backend->Open(request, nullptr), 0u);
  EXPECT_FALSE(host.lock_held);
  // The library's own refusal is in its trace file: no reason of ours.
  EXPECT_EQ(backend->OpenRefusal(), "");
}

TEST_F(ClassicOpenTest, WithoutTheLockOrAWritableSapRfcIniTheLibraryIsNotCalled) {
  host.Put("SapRfc.PRD", "DEST=PRD\n");
  host.Put("SapRfc.ini", "DEST=OLD\n");
  host.lockable = false;
  EXPECT_EQ(backend->Open(request, nullptr), 0u);
  EXPECT_EQ(backend->OpenRefusal(), "SapRfc.ini.lock unusable");
  host.lockable = true;
  host.writable = false;
  EXPECT_EQ(backend->Open(request, nullptr), 0u);
  EXPECT_EQ(backend->OpenRefusal(), "SapRfc.ini not written");
  host.writable = true;
  host.Put("SapRfc.PRD", std::string(kDestinationConfigLimit + 1, '#'));
  EXPECT_EQ(backend->Open(request, nullptr), 0u);
  EXPECT_EQ(backend->OpenRefusal(), "SapRfc.PRD too large");
  EXPECT_FALSE(host.lock_held);
  EXPECT_TRUE(FakeClassic().openExes.empty());
  EXPECT_TRUE(FakeClassic().opens.empty());
  EXPECT_EQ(host.Get("SapRfc.ini"), "DEST=OLD\n");
}

// ----- the same over real files -------------------------------------------------

class ClassicOpenFilesTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    backend = MakeClassicBackend(*host_, ResetFakeClassic());
  }

  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_ / "cwd")) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<RfcBackend> backend;
};

TEST_F(ClassicOpenFilesTest, TheLibraryReadsItsOwnFileWithoutTheLock) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  Write("SapRfc.ini", "DEST=OLD\nlonger than the new one\n");
  std::string seen;
  std::string installed;
  bool lockFile = true;
  FakeClassic().duringOpenEx = [&] {
    auto slurp = [](const char* path) {
      std::ifstream in(path, std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      return bytes.str();
    };
    seen = slurp(std::getenv("RFC_INI"));
    installed = slurp("SapRfc.ini");
    lockFile = fs::exists("SapRfc.ini.lock");
  };
  EXPECT_EQ(backend->Open(PrdRequest(), nullptr), 23u);
  EXPECT_EQ(seen, "DEST=PRD\n");
  EXPECT_EQ(installed, "DEST=PRD\n");
  EXPECT_FALSE(lockFile);
  // Nothing is left behind: no lock file, no temporary file.
  EXPECT_EQ(Names(), (std::vector<std::string>{"SapRfc.PRD", "SapRfc.ini"}));
}

TEST_F(ClassicOpenFilesTest, ASapRfcIniThatCannotBeReplacedFailsWithoutCallingTheLibrary) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  fs::create_directory(dir_ / "cwd" / "SapRfc.ini");
  EXPECT_EQ(backend->Open(PrdRequest(), nullptr), 0u);
  EXPECT_TRUE(FakeClassic().openExes.empty());
  EXPECT_TRUE(FakeClassic().opens.empty());
  EXPECT_TRUE(fs::is_directory(dir_ / "cwd" / "SapRfc.ini"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"SapRfc.PRD", "SapRfc.ini"}));
}

}  // namespace
}  // namespace tolvaran
