#include "sim_config.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace rfcsim {
namespace {

TEST(SimConfigTest, ReadsSystemsAsWritten) {
  SimConfig config = ParseSimConfig(
      "\xEF\xBB\xBF# landscape\r\n"
      "fail = ItCreate\n"
      "; comment\n"
      "[ PRD ]\n"
      "  HOST = PrdHost  \r\n"
      "SysNr=07\n"
      "client = 100\n"
      "user = SAPMON\n"
      "password = Secret 99 \n"
      "users = prd users.txt\n"
      "not a key line\n"
      "[QAS]\n"
      "sysnr = seven\n"
      "abort = RfcCall, rfcreceive Nonsense\n"
      "[prd]\n"
      "fail = ItGetLine\n");
  ASSERT_EQ(config.systems.size(), 2u);
  const SimSystem& prd = config.systems[0];
  EXPECT_EQ(prd.name, "PRD");
  EXPECT_EQ(prd.host, "PrdHost");
  EXPECT_EQ(prd.sysnr, 7);
  EXPECT_EQ(prd.client, "100");
  EXPECT_EQ(prd.password, "Secret 99");
  EXPECT_EQ(prd.users, "prd users.txt");
  // Lines before the first section apply to all; a repeated section adds.
  EXPECT_EQ(prd.fail, OperationSet{kOpItCreate | kOpItGetLine});
  EXPECT_EQ(config.globalFail, OperationSet{kOpItCreate});
  const SimSystem& qas = config.systems[1];
  EXPECT_EQ(qas.sysnr, -1);
  EXPECT_EQ(qas.abort, OperationSet{kOpRfcCall | kOpRfcReceive});
  EXPECT_EQ(qas.OutcomeOf("THUSRINFO").kind, OutcomeKind::kOk);
}

TEST(SimConfigTest, InstancesCopyTheirSystemAndApplyTheirOwnKeys) {
  SimConfig config = ParseSimConfig(
      "delay = 5\n"
      "[PRD/prdapp2_PRD_02]\n"
      "host = prdapp2\n"
      "sysnr = 2\n"
      "hang = RfcOpen\n"
      "users = app2.txt\n"
      "[PRD]\n"
      "host = prdapp1\n"
      "sysnr = 1\n"
      "gwhost = prdgw\n"
      "gwservice = sapgw01\n"
      "client = 100\n"
      "users = app1.txt\n"
      "fail = ItGetLine\n"
      "th_server_list = exception NO_SERVER_LIST\n"
      "[prd/oddname]\n"
      "host = prdapp3\n"
      "sysnr = 3\n"
      "serv =\n"
      "delay = 0\n"
      "instance = ignored\n"
      "[DEV/orphan]\n"
      "host = devhost\n");
  ASSERT_EQ(config.systems.size(), 1u);
  ASSERT_EQ(config.instances.size(), 2u) << "an instance of no system is passed over";
  const SimSystem& prd = config.systems[0];
  const SimSystem& app2 = config.instances[0];
  const SimSystem& odd = config.instances[1];
  EXPECT_EQ(prd.instance, "prdapp1_PRD_01");
  EXPECT_EQ(prd.serv, "sapdp01");
  // The system's keys, whether written before or after the instance.
  EXPECT_EQ(app2.name, "PRD");
  EXPECT_EQ(app2.client, "100");
  EXPECT_EQ(app2.OutcomeOf("TH_SERVER_LIST").kind, OutcomeKind::kException);
  EXPECT_EQ(app2.fail, OperationSet{kOpItGetLine});
  EXPECT_EQ(app2.delayMs, 5);
  // Its own, and none of the system's ways to be reached.
  EXPECT_EQ(app2.instance, "prdapp2_PRD_02");
  EXPECT_EQ(app2.host, "prdapp2");
  EXPECT_EQ(app2.sysnr, 2);
  EXPECT_EQ(app2.hang, OperationSet{kOpRfcOpen});
  EXPECT_EQ(app2.users, "app2.txt");
  EXPECT_EQ(app2.gwhost, "");
  EXPECT_EQ(app2.serv, "sapdp02");
  EXPECT_EQ(prd.hang, OperationSet{0});
  EXPECT_EQ(odd.instance, "oddname") << "the section names an instance";
  EXPECT_EQ(odd.serv, "") << "an empty serv is kept";
  EXPECT_EQ(odd.delayMs, 0);
  EXPECT_EQ(odd.users, "app1.txt");
  // One list for the system and each of its instances, the system first.
  for (const SimSystem* system : {&prd, &app2, &odd}) {
    ASSERT_EQ(system->servers.size(), 3u);
    EXPECT_EQ(system->servers[0].name, "prdapp1_PRD_01");
    EXPECT_EQ(system->servers[1].name, "prdapp2_PRD_02");
    EXPECT_EQ(system->servers[1].host, "prdapp2");
    EXPECT_EQ(system->servers[2].name, "oddname");
    EXPECT_EQ(system->servers[2].serv, "");
  }
  EXPECT_EQ(config.FindByHost("PRDAPP2", 2), &app2);
  EXPECT_EQ(config.FindByHost("prdapp1", 1), &prd);
  EXPECT_EQ(config.FindByGateway("prdgw", "sapgw01"), &prd);
  EXPECT_EQ(config.FindByName("prdapp2_PRD_02"), nullptr);
}

TEST(SimConfigTest, ASystemWithoutInstancesListsItself) {
  SimConfig config = ParseSimConfig("[QAS]\nhost = qashost\nsysnr = 10\n[DEV]\ninstance = dev_X\n");
  ASSERT_EQ(config.systems.size(), 2u);
  ASSERT_EQ(config.systems[0].servers.size(), 1u);
  EXPECT_EQ(config.systems[0].servers[0].name, "qashost_QAS_10");
  EXPECT_EQ(config.systems[0].servers[0].host, "qashost");
  EXPECT_EQ(config.systems[0].servers[0].serv, "sapdp10");
  EXPECT_EQ(config.systems[0].OutcomeOf("TH_SERVER_LIST").kind, OutcomeKind::kOk);
  EXPECT_EQ(config.systems[1].instance, "dev_X");
  EXPECT_EQ(config.systems[1].servers[0].serv, "sapdp00");
}

TEST(SimConfigTest, FindsSystemsByHostGatewayAndName) {
  SimConfig config = ParseSimConfig(
      "[PRD]\nhost = prdhost\nsysnr = 0\n"
      "[QAS]\ngwhost = qasgw\ngwservice = sapgw01\n");
  EXPECT_EQ(config.FindByHost("PRDHOST", 0), &config.systems[0]);
  EXPECT_EQ(config.FindByHost("prdhost", 1), nullptr);
  EXPECT_EQ(config.FindByHost("prdhost ", 0), nullptr);
  EXPECT_EQ(config.FindByHost(nullptr, 0), nullptr);
  // QAS has no host: an empty one must not find it.
  EXPECT_EQ(config.FindByHost("", 0), nullptr);
  EXPECT_EQ(config.FindByGateway("QasGw", "SAPGW01"), &config.systems[1]);
  EXPECT_EQ(config.FindByGateway("qasgw", nullptr), nullptr);
  EXPECT_EQ(config.FindByName("prd"), &config.systems[0]);
  EXPECT_EQ(config.FindByName("DEV"), nullptr);
}

TEST(SimConfigTest, ReadsOutcomes) {
  EXPECT_EQ(ParseOutcome(" OK ").kind, OutcomeKind::kOk);
  EXPECT_EQ(ParseOutcome("failure").kind, OutcomeKind::kFailure);
  EXPECT_EQ(ParseOutcome("CallFail").kind, OutcomeKind::kCallFail);
  Outcome exception = ParseOutcome("exception  User_Not_Found");
  EXPECT_EQ(exception.kind, OutcomeKind::kException);
  EXPECT_EQ(exception.name, "User_Not_Found");
  EXPECT_EQ(ParseOutcome("sysexception SYSTEM_FAILURE").kind, OutcomeKind::kSysException);
  Outcome other = ParseOutcome("other -7");
  EXPECT_EQ(other.kind, OutcomeKind::kOther);
  EXPECT_EQ(other.code, -7);
  EXPECT_TRUE(other.note.empty());
  for (const char* garbage : {"", "maybe", "exception", "other x", "ok please"}) {
    Outcome outcome = ParseOutcome(garbage);
    EXPECT_EQ(outcome.kind, OutcomeKind::kFailure) << garbage;
    EXPECT_FALSE(outcome.note.empty()) << garbage;
  }
}

TEST(SimConfigTest, ReadsUserFilesFieldByField) {
  std::vector<Session> sessions = ParseUsersFile(
      "# MANDT;BNAME;TCODE;TERM;EXTMODI;INTMODI\r\n"
      "100;SAPMON;SM04;term1;1;2\r\n"
      "\n"
      "   \n"
      "100; lead;;T2;3\n"
      "1000;AVERYLONGUSERNAME;TCODETHATISWAYTOOLONGFORTWENTY;T3;x;4;extra\n"
      "100\n");
  ASSERT_EQ(sessions.size(), 4u);
  EXPECT_EQ(sessions[0].mandt, "100");
  EXPECT_EQ(sessions[0].bname, "SAPMON      ");
  EXPECT_EQ(sessions[0].tcode, "SM04                ");
  EXPECT_EQ(sessions[0].term, "term1               ");
  EXPECT_EQ(sessions[0].extmodi, 1);
  EXPECT_EQ(sessions[0].intmodi, 2);
  EXPECT_EQ(sessions[1].bname, " lead       ");
  EXPECT_EQ(sessions[1].tcode, std::string(20, ' '));
  EXPECT_EQ(sessions[1].extmodi, 3);
  EXPECT_EQ(sessions[1].intmodi, 0);
  EXPECT_EQ(sessions[2].mandt, "100");
  EXPECT_EQ(sessions[2].bname, "AVERYLONGUSE");
  EXPECT_EQ(sessions[2].tcode, "TCODETHATISWAYTOOLON");
  EXPECT_EQ(sessions[2].extmodi, 0);
  EXPECT_EQ(sessions[2].intmodi, 4);
  EXPECT_EQ(sessions[3].bname, std::string(12, ' '));
  EXPECT_EQ(sessions[3].term, std::string(20, ' '));
}

TEST(SimConfigTest, ReadsTheUsersValue) {
  EXPECT_EQ(ParseUsersValue("").kind, UsersSource::kNone);
  UsersSource file = ParseUsersValue("prd users.txt");
  EXPECT_EQ(file.kind, UsersSource::kFile);
  EXPECT_EQ(file.file, "prd users.txt");
  UsersSource generated = ParseUsersValue("Generate 250");
  EXPECT_EQ(generated.kind, UsersSource::kGenerate);
  EXPECT_EQ(generated.count, 250u);
  EXPECT_EQ(ParseUsersValue("generate 2000000000").count, kMaxGeneratedSessions);
  EXPECT_EQ(ParseUsersValue("generate lots").count, 0u);
}

TEST(SimConfigTest, GeneratesSessionsByTheDocumentedRule) {
  std::vector<Session> first = GenerateSessions(6, "1");
  EXPECT_EQ(first[0].mandt, "1  ");
  EXPECT_EQ(first[0].bname, "USER000000  ");
  EXPECT_EQ(first[0].tcode, std::string(20, ' '));
  EXPECT_EQ(first[0].term, "TERM000000          ");
  EXPECT_EQ(first[1].bname, "USER000000  ");
  EXPECT_EQ(first[1].tcode, "SM01                ");
  EXPECT_EQ(first[2].bname, "USER000001  ");
  EXPECT_EQ(first[3].term, "TERM000001          ");
  EXPECT_EQ(first[5].tcode, std::string(20, ' '));
  EXPECT_EQ(first[5].extmodi, 1);
  EXPECT_EQ(first[5].intmodi, 2);

  const unsigned long n = 100000;
  std::set<std::string> users;
  std::set<std::string> terminals;
  unsigned long blankTcodes = 0;
  for (unsigned long i = 0; i < n; ++i) {
    Session session = GeneratedSession(i, "100");
    users.insert(session.bname);
    terminals.insert(session.term);
    if (session.tcode == std::string(20, ' ')) ++blankTcodes;
  }
  EXPECT_EQ(users.size(), (n + 1) / 2);
  EXPECT_EQ(terminals.size(), (n + 2) / 3);
  EXPECT_EQ(blankTcodes, (n + 4) / 5);
  EXPECT_EQ(GeneratedSession(99999, "100").bname, "USER049999  ");
}

TEST(SimConfigTest, ReadsConnectStringsAndDestinations) {
  auto pairs = ParseConnectString("  client=100 USER=SAPMON PASSWD=a=b LANG=D DEST=PRD junk =x");
  EXPECT_EQ(pairs["CLIENT"], "100");
  EXPECT_EQ(pairs["PASSWD"], "a=b");
  EXPECT_EQ(pairs["DEST"], "PRD");
  EXPECT_EQ(pairs.count("JUNK"), 0u);

  // A value in double quotes holds blanks; the quotes are no part of it.
  pairs = ParseConnectString("USER=SAPMON PASSWD=\"x USER=OTHER\" LANG=D DEST=\"P Q\"");
  EXPECT_EQ(pairs["USER"], "SAPMON");
  EXPECT_EQ(pairs["PASSWD"], "x USER=OTHER");
  EXPECT_EQ(pairs["DEST"], "P Q");
  EXPECT_EQ(pairs["LANG"], "D");
  // Unquoted, the blank ends the value and the rest is a pair of its own.
  pairs = ParseConnectString("USER=SAPMON PASSWD=x USER=OTHER");
  EXPECT_EQ(pairs["PASSWD"], "x");
  EXPECT_EQ(pairs["USER"], "OTHER");

  const char* ini = "* comment DEST=DEV\r\nDEST = qas\nTYPE=A\n  dest= PRD \nDESTINATION=XYZ\n";
  EXPECT_TRUE(SapRfcIniHasDestination(ini, "PRD"));
  EXPECT_TRUE(SapRfcIniHasDestination(ini, "QAS"));
  EXPECT_FALSE(SapRfcIniHasDestination(ini, "DEV"));
  EXPECT_FALSE(SapRfcIniHasDestination(ini, "XYZ"));
  EXPECT_FALSE(SapRfcIniHasDestination(ini, ""));

  // A section's entries, up to the next destination's.
  std::map<std::string, std::string> entries;
  EXPECT_TRUE(ReadDestinationEntries(
      "DEST=QAS\nASHOST=qashost\nDEST=PRD\r\n ASHost = prdhost \nSYSNR=00\nASHOST=x\nDEST=DEV\n"
      "MSHOST=devms\n",
      "prd", &entries));
  EXPECT_EQ(entries, (std::map<std::string, std::string>{{"ashost", "prdhost"}, {"sysnr", "00"}}));
  EXPECT_FALSE(ReadDestinationEntries("DEST=QAS\n", "PRD", &entries));
}

}  // namespace
}  // namespace rfcsim
