// The simulated landscape: reading SapSim.ini (sim_config.cc), the user
// lists (sim_users.cc), the connect string of RfcOpenEx and the
// destinations of SapRfc.ini (sim_destinations.cc), with the text helpers
// of sim_text.cc.
//
// Everything here works on text already read, so that the tests can feed it
// directly; finding and reading the files is left to the library.
#ifndef TOLVARAN_SIM_SIM_CONFIG_H_
#define TOLVARAN_SIM_SIM_CONFIG_H_

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rfcsim {

// Small text helpers shared by the library's parts.
std::string Trim(std::string_view s);
std::string TrimTrailingBlanks(std::string_view s);
std::string ToUpper(std::string_view s);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// `s` made exactly `width` characters: blank-padded on the right or cut.
std::string PadOrCut(std::string_view s, std::size_t width);
// A whole decimal number with an optional sign, blanks around it allowed;
// false for anything else or for a value outside the range of int.
bool ParseInt(std::string_view s, int* value);

// What a configured function module answers.
enum class OutcomeKind { kOk, kFailure, kException, kSysException, kCallFail, kOther };

struct Outcome {
  OutcomeKind kind = OutcomeKind::kOk;
  std::string name;  // the exception's name
  int code = 0;      // the return code of "other N"
  // Set when the configured text was not understood; the outcome is then a
  // failure and the trace block says why.
  std::string note;
};

Outcome ParseOutcome(std::string_view value);

// The library operations that "abort =", "fail =" and "hang =" name, as
// bits: the classic library's and the NetWeaver library's. Each simulated
// library looks at its own and passes over the others.
enum Operation : unsigned {
  kOpRfcOpen = 1u << 0,
  kOpRfcOpenEx = 1u << 1,
  kOpRfcCall = 1u << 2,
  kOpRfcReceive = 1u << 3,
  kOpRfcInstallStructure = 1u << 4,
  kOpItCreate = 1u << 5,
  kOpItGetLine = 1u << 6,
  kOpItDelete = 1u << 7,
  kOpRfcOpenConnection = 1u << 8,
  kOpRfcCloseConnection = 1u << 9,
  kOpRfcGetFunctionDesc = 1u << 10,
  kOpRfcCreateFunction = 1u << 11,
  kOpRfcDestroyFunction = 1u << 12,
  kOpRfcSetChars = 1u << 13,
  kOpRfcInvoke = 1u << 14,
  kOpRfcGetTable = 1u << 15,
  kOpRfcGetRowCount = 1u << 16,
  kOpRfcMoveTo = 1u << 17,
  kOpRfcGetChars = 1u << 18,
  kOpRfcGetInt = 1u << 19,
  kOpRfcSetInt = 1u << 20,
  kOpRfcGetStructure = 1u << 21,
};
using OperationSet = unsigned;

// Operation names separated by commas or blanks; unknown names are skipped.
OperationSet ParseOperations(std::string_view value);

// One row of a system's server list (TH_SERVER_LIST).
struct SimServer {
  std::string name;  // the instance, "<host>_<system>_<nn>" unless set otherwise
  std::string host;
  std::string serv;  // the dispatcher's service, "sapdp<nn>" unless set otherwise
};

// A system's server list, held once and shared by the system and each of
// its instances: a system of N instances must not hold N copies of a list
// of N servers.
class ServerList {
 public:
  ServerList() : servers_(Empty()) {}
  explicit ServerList(std::shared_ptr<const std::vector<SimServer>> servers)
      : servers_(std::move(servers)) {}
  std::size_t size() const { return servers_->size(); }
  bool empty() const { return servers_->empty(); }
  const SimServer& operator[](std::size_t i) const { return (*servers_)[i]; }
  std::vector<SimServer>::const_iterator begin() const { return servers_->begin(); }
  std::vector<SimServer>::const_iterator end() const { return servers_->end(); }
  const std::vector<SimServer>& list() const { return *servers_; }

 private:
  static const std::shared_ptr<const std::vector<SimServer>>& Empty() {
    static const auto* empty = new std::shared_ptr<const std::vector<SimServer>>(
        std::make_shared<std::vector<SimServer>>());
    return *empty;
  }
  std::shared_ptr<const std::vector<SimServer>> servers_;
};

// A system, or one application server (instance) of a system: an instance
// is a copy of its system's section with the keys of its own section
// applied over it.
struct SimSystem {
  std::string name;  // the system's section name: the destination (system id)
  std::string host;
  int sysnr = 0;  // -1 when the configured value was not a number
  std::string gwhost;
  std::string gwservice;
  std::string mshost;  // the NetWeaver library's message server ("mshost" with "sysid")
  std::string client;
  std::string user;
  std::string password;
  std::string users;       // the "users" value as written
  bool usersUtf8 = false;  // "users_encoding = utf-8": the user list's texts are UTF-8
  // What each function module answers, by its name in upper case (the
  // key "<name in lower case> = <outcome>"); a module not named answers ok.
  std::map<std::string, Outcome> outcomes;
  const Outcome& OutcomeOf(std::string_view function) const;
  OperationSet abort = 0;
  OperationSet fail = 0;
  OperationSet hang = 0;  // these operations block for an hour
  int delayMs = 0;        // each opening and function-module call takes this much longer
  // "snc = required": only a logon with SNC mode 1 and exactly the partner
  // name "snc_partner = <name>" is accepted. A system with a partner name
  // takes a logon with SNC or without; one without a partner name has no
  // SNC, and refuses a logon that asks for it.
  bool sncRequired = false;
  std::string sncPartner;
  std::string instance;  // this application server's name (RFC_SYSTEM_INFO's RFCDEST)
  std::string serv;      // its dispatcher's service in the server list
  bool servSet = false;  // "serv =" given, even empty
  // Rows of the function modules' tables by their SapSim.ini key ("wp",
  // "snap", "enq", ...): each "key = FIELD=value ..." line one row, its
  // fields by upper-case name ("WP_STATUS", or "WP_STATUS@D" for the logon
  // language D), values as written (UTF-8).
  std::map<std::string, std::vector<std::map<std::string, std::string>>> rows;
  // "clock = YYYYMMDD HHMMSS": the system's date and time; empty: the host's.
  std::string clockDate;
  std::string clockTime;
  // "no_authority = SNAP, TBTCO": tables RFC_READ_TABLE refuses to read.
  std::vector<std::string> noAuthority;
  // "rfc_read_table_order = asked | reverse | table".
  std::string readTableOrder;
  // The system's server list: the system's own section first, then its
  // instance sections in the order they first appear.
  ServerList servers;
};

// One section of SapSim.ini, as the first pass over the file finds it:
// its lines, and the few keys that find a system.
struct SimSection {
  std::string system;                   // the system's name (the section's, or before the "/")
  std::string instance;                 // an instance section's instance name; "" for a system
  std::vector<std::string_view> lines;  // "key = value" lines, into the text
  std::string host;
  int sysnr = 0;
  std::string gwhost;
  std::string gwservice;
  std::string instanceKey;  // "instance =" of a system section
};

// The landscape. The file is read in two passes: the first finds the
// sections and indexes them by name, host and server, the second reads
// a system's sections (its own and its instances') only when it is looked
// up, so that an opening in a landscape of ten thousand systems costs
// about what it costs in one of ten.
struct SimConfig {
  // "abort" and "fail" lines before the first section: they apply to every
  // system, and "fail" also before any connection has been opened.
  OperationSet globalAbort = 0;
  OperationSet globalFail = 0;
  OperationSet globalHang = 0;
  int globalDelayMs = 0;  // for the systems whose section sets none
  // Every system and instance, read whole: filled by ParseSimConfig, not by
  // IndexSimConfig.
  std::vector<SimSystem> systems;
  // The instance sections ("[PRD/prdapp2_PRD_02]") whose system exists.
  std::vector<SimSystem> instances;

  // Null when no system matches; a null or empty host or gateway never does.
  // A host and number may name a system's own section or an instance.
  const SimSystem* FindByHost(const char* host, int sysnr) const;
  const SimSystem* FindByGateway(const char* gwhost, const char* gwservice) const;
  const SimSystem* FindByName(std::string_view destination) const;
  // The system of that name whose "mshost" matches (case ignored).
  const SimSystem* FindByMessageServer(std::string_view mshost, std::string_view sysid) const;
  // The application server of that name (its instance name, case ignored)
  // of the system `system` belongs to: the system's own or an instance.
  const SimSystem* FindServer(const SimSystem& system, std::string_view instance) const;

  // The first pass. A section's index counts systemSections, then
  // instanceSections from systemSections.size(). Only names are hashed
  // (upper-cased); a host or a server is looked for along the sections,
  // which costs less than indexing every one of them at every opening.
  std::shared_ptr<const std::string> text;
  std::vector<SimSection> systemSections;
  std::vector<SimSection> instanceSections;
  std::vector<std::vector<std::size_t>> instancesOf;  // per system section
  std::unordered_map<std::string, std::size_t> byName;

  // Section `index` (as the indexes give it) read whole, with its system
  // and the system's other instances: made when first asked for.
  const SimSystem* At(std::size_t index) const;
  // Reads every section into `systems` and `instances`, which the finders
  // then return.
  void ReadAll();

 private:
  mutable std::map<std::size_t, SimSystem> made_;
  std::vector<const SimSystem*> whole_;  // by section index, after ReadAll
};

// Reads every system and instance at once (for tests and inspection).
SimConfig ParseSimConfig(std::string_view text);
// Only the first pass: systems are read when they are looked up.
SimConfig IndexSimConfig(std::string_view text);

// One session of a system's user list, its character fields at their widths.
constexpr std::size_t kMandtWidth = 3;
constexpr std::size_t kBnameWidth = 12;
constexpr std::size_t kTcodeWidth = 20;
constexpr std::size_t kTermWidth = 20;

struct Session {
  std::string mandt;
  std::string bname;
  std::string tcode;
  std::string term;
  int extmodi = 0;
  int intmodi = 0;
  // Only from a UTF-8 user list: the four texts as UTF-16 at their widths in
  // characters, what a Unicode system holds. The byte texts above are then
  // what a Latin-1 client receives of them: "#" for every code unit above
  // U+00FF.
  bool hasWide = false;
  std::u16string wide[4];  // MANDT, BNAME, TCODE, TERM
};

// Where a system's user list comes from.
struct UsersSource {
  enum Kind { kNone, kFile, kGenerate } kind = kNone;
  std::string file;         // kFile: the name as written, relative to SapSim.ini
  unsigned long count = 0;  // kGenerate: the number of sessions
};

// More sessions than this are never generated: a typing slip in a test
// should not take the machine's memory.
constexpr unsigned long kMaxGeneratedSessions = 1000000;

UsersSource ParseUsersValue(std::string_view value);
// `utf8`: the fields are UTF-8 (an invalid sequence reads as U+FFFD) and
// are padded or cut in characters, not bytes.
std::vector<Session> ParseUsersFile(std::string_view text, bool utf8 = false);

// "delay = MS": a whole number of milliseconds from 0 to one hour; false
// for anything else.
bool ParseDelay(std::string_view value, int* ms);

// Session `index` (from 0) of "generate N"; see the rule in sim_users.cc.
Session GeneratedSession(unsigned long index, std::string_view client);
// The same, into an existing session (whose texts keep their room).
void FillGeneratedSession(unsigned long index, std::string_view client, Session* session);
std::vector<Session> GenerateSessions(unsigned long count, std::string_view client);

// "KEY=VALUE" pairs separated by blanks, keys upper-cased; a later pair
// replaces an earlier one with the same key. A value in double quotes
// (KEY="a b") runs to the next double quote, blanks included.
std::map<std::string, std::string> ParseConnectString(std::string_view text);

// True when SapRfc.ini's text has a "DEST=<destination>" line.
bool SapRfcIniHasDestination(std::string_view text, std::string_view destination);

// The "KEY=VALUE" lines of the destination's section of a configuration
// file (SapRfc.ini, sapnwrfc.ini): from its "DEST=<destination>" line
// (destination compared ignoring case) to the next "DEST=" line. Keys
// lower-cased, blanks around keys and values dropped, a key given twice
// keeps its first value. False when there is no such section.
bool ReadDestinationEntries(std::string_view text, std::string_view destination,
                            std::map<std::string, std::string>* entries);

// Drops a UTF-8 byte order mark, which editors on Windows like to add.
std::string_view WithoutByteOrderMark(std::string_view text);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_CONFIG_H_
