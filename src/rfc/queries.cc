#include "rfc/queries.h"

#include <cstdint>
#include <cstring>

#include "rfc/rfc_failure.h"

namespace tolvaran {

namespace {

// The library takes every name as a writable C text. The names live in
// writable arrays of static storage: nothing is cast away from a literal,
// and a library that keeps the field names of an installed structure keeps
// valid pointers for the whole process.
struct FieldLayout {
  char name[16];
  unsigned type;
  unsigned length;
};

// One user-list row (UINFO), 92 bytes; the evaluation reads the rows at
// the offsets these lengths give, in this order.
FieldLayout uinfoFields[] = {
    {"TID", kRfcTypeInt, 4},      {"MANDT", kRfcTypeChar, 3},   {"BNAME", kRfcTypeChar, 12},
    {"TCODE", kRfcTypeChar, 20},  {"TERM", kRfcTypeChar, 20},   {"ZEIT", kRfcTypeChar, 8},
    {"MASTER", kRfcTypeChar, 12}, {"HOSTADR", kRfcTypeByte, 4}, {"TRACE", kRfcTypeInt1, 1},
    {"EXTMODI", kRfcTypeInt, 4},  {"INTMODI", kRfcTypeInt, 4},
};
constexpr unsigned kUinfoFieldCount = sizeof uinfoFields / sizeof uinfoFields[0];
FieldDescriptor uinfoDescriptors[kUinfoFieldCount];
char uinfoName[] = "UINFO";

// One CPU row (CPU_ALL), 48 bytes.
FieldLayout cpuAllFields[] = {
    {"TYPE", kRfcTypeInt2, 2},      {"SUBTYPE", kRfcTypeInt2, 2},  {"SERIALNR", kRfcTypeInt2, 2},
    {"NBR_CPU", kRfcTypeInt, 4},    {"LOAD1_AVG", kRfcTypeInt, 4}, {"LOAD5_AVG", kRfcTypeInt, 4},
    {"LOAD15_AVG", kRfcTypeInt, 4}, {"INT_SEC", kRfcTypeInt, 4},   {"SYSC_SEC", kRfcTypeInt, 4},
    {"CS_SEC", kRfcTypeInt, 4},     {"USR_TOTAL", kRfcTypeInt, 4}, {"SYS_TOTAL", kRfcTypeInt, 4},
    {"IDLE_TOTAL", kRfcTypeInt, 4},
};
constexpr unsigned kCpuAllFieldCount = sizeof cpuAllFields / sizeof cpuAllFields[0];
FieldDescriptor cpuAllDescriptors[kCpuAllFieldCount];
char cpuAllName[] = "CPU_ALL";
constexpr unsigned kCpuAllRowLength = 48;

char thusrinfoName[] = "THUSRINFO";
char usrTablName[] = "USR_TABL";
char getCpuAllName[] = "GET_CPU_ALL";
char tfCpuAllName[] = "TF_CPU_ALL";

char localRemoteName[] = "LOCAL_REMOTE";
char logicalDestinationName[] = "LOGICAL_DESTINATION";

char activeFlagName[] = "ACTIVEFLAG";
char detailsCollName[] = "DETAILSCOLL";
char detailsModeName[] = "DETAILSMODE";
char detailsReqiName[] = "DETAILSREQI";
char fCpuAllReadName[] = "F_CPU_ALL_READ";
char intervalName[] = "INTERVAL";
char lastCollIntName[] = "LASTCOLLINT";
char lastCollWrtName[] = "LASTCOLLWRT";
char normCollIntName[] = "NORMCOLLINT";
char opSystemName[] = "OP_SYSTEM";

// Installs a structure the first time a process needs it; the type handle
// stays valid for every later connection.
void InstallOnce(RunState& rs, RfcTypeHandle* type, char* name, FieldLayout* fields,
                 FieldDescriptor* descriptors, unsigned count) {
  if (*type != 0) return;
  for (unsigned i = 0; i < count; ++i) {
    descriptors[i] = FieldDescriptor{fields[i].name, fields[i].type, fields[i].length, 0, 0};
  }
  if (rs.rfc.lib.RfcInstallStructure(name, descriptors, count, type) != 0) {
    ReportRfcFailure(rs, "RfcInstallStructure");
  }
}

ParameterEntry Parameter(char* name, unsigned type, unsigned length, void* addr) {
  return ParameterEntry{name, static_cast<unsigned>(std::strlen(name)), type, length, addr};
}

TableEntry Table(char* name, RfcTypeHandle rowType, RfcTable table) {
  TableEntry entry = {};
  entry.name = name;
  entry.nlen = static_cast<unsigned>(std::strlen(name));
  entry.type = rowType;
  entry.ithandle = table;
  return entry;
}

// Calls a function module and receives its answer: the part both queries
// share. On an exception its name is left in `exceptionText` (255
// characters at most, always terminated).
int CallAndReceive(RunState& rs, RfcHandle handle, char* function, ParameterEntry* exporting,
                   ParameterEntry* importing, TableEntry* tables, char* exceptionText) {
  int sent = rs.rfc.lib.RfcCall(handle, function, exporting, tables);
  TraceLine(rs, handle, "RfcCall called", "");
  if (sent != 0) return sent;

  char* exception = nullptr;
  int outcome = rs.rfc.lib.RfcReceive(handle, importing, tables, &exception);
  TraceLine(rs, handle, "RfcReceive called", "");
  if (outcome == kRfcException || outcome == kRfcSysException) {
    std::size_t n = 0;
    if (exception) {
      while (n < 255 && exception[n] != '\0') ++n;
      std::memcpy(exceptionText, exception, n);
    }
    exceptionText[n] = '\0';
  }
  return outcome;
}

// What GET_CPU_ALL sends back; the probe only looks at the outcome, but
// the library needs a place of the right length for every value.
struct CpuAnswer {
  std::int32_t activeFlag;
  std::int32_t detailsColl;
  std::int32_t detailsMode;
  std::int32_t detailsReqi;
  char fCpuAllRead[3];
  std::int32_t interval;
  std::int32_t lastCollInt;
  char lastCollWrt[25];
  std::int32_t normCollInt;
  char opSystem[52];
};

int CallGetCpuAll(RunState& rs, RfcHandle handle, char* localRemote, char* logicalDestination,
                  CpuAnswer* answer, RfcTable table, char* exceptionText) {
  InstallOnce(rs, &rs.rfc.cpuAllType, cpuAllName, cpuAllFields, cpuAllDescriptors,
              kCpuAllFieldCount);

  ParameterEntry exporting[] = {
      Parameter(localRemoteName, kRfcTypeChar, 6, localRemote),
      Parameter(logicalDestinationName, kRfcTypeChar, 32, logicalDestination),
      ParameterEntry{},
  };
  ParameterEntry importing[] = {
      Parameter(activeFlagName, kRfcTypeInt, 4, &answer->activeFlag),
      Parameter(detailsCollName, kRfcTypeInt, 4, &answer->detailsColl),
      Parameter(detailsModeName, kRfcTypeInt, 4, &answer->detailsMode),
      Parameter(detailsReqiName, kRfcTypeInt, 4, &answer->detailsReqi),
      Parameter(fCpuAllReadName, kRfcTypeChar, 3, answer->fCpuAllRead),
      Parameter(intervalName, kRfcTypeInt, 4, &answer->interval),
      Parameter(lastCollIntName, kRfcTypeInt, 4, &answer->lastCollInt),
      Parameter(lastCollWrtName, kRfcTypeChar, 25, answer->lastCollWrt),
      Parameter(normCollIntName, kRfcTypeInt, 4, &answer->normCollInt),
      Parameter(opSystemName, kRfcTypeChar, 52, answer->opSystem),
      ParameterEntry{},
  };
  TableEntry tables[] = {Table(tfCpuAllName, rs.rfc.cpuAllType, table), TableEntry{}};
  return CallAndReceive(rs, handle, getCpuAllName, exporting, importing, tables, exceptionText);
}

}  // namespace

int QueryCpu(RunState& rs, RfcHandle handle) {
  char localRemote[6] = {'L', 'O', 'C', 'A', 'L', ' '};
  char logicalDestination[32];
  std::memset(logicalDestination, ' ', sizeof logicalDestination);

  RfcTable table = rs.rfc.lib.ItCreate(tfCpuAllName, kCpuAllRowLength, 0, 0);
  if (!table) ReportRfcFailure(rs, "ItCreate TF_CPU_ALL");

  CpuAnswer answer = {};
  char exceptionText[256] = {};
  int outcome =
      CallGetCpuAll(rs, handle, localRemote, logicalDestination, &answer, table, exceptionText);
  if (outcome == kRfcOk) {
    rs.runStatus = RunStatus::kOk;
  } else {
    AppendQueryFailure(rs, outcome, exceptionText);
  }

  if (rs.rfc.lib.ItDelete(table) != 0) ReportRfcFailure(rs, "ItDelete TF_CPU_ALL");
  return outcome;
}

int FetchUserList(RunState& rs, RfcHandle handle, RfcTable table, char* exceptionText) {
  InstallOnce(rs, &rs.rfc.uinfoType, uinfoName, uinfoFields, uinfoDescriptors, kUinfoFieldCount);

  ParameterEntry exporting[] = {ParameterEntry{}};
  ParameterEntry importing[] = {ParameterEntry{}};
  TableEntry tables[] = {Table(usrTablName, rs.rfc.uinfoType, table), TableEntry{}};
  return CallAndReceive(rs, handle, thusrinfoName, exporting, importing, tables, exceptionText);
}

void AppendQueryFailure(RunState& rs, int outcome, const char* exceptionText) {
  switch (outcome) {
    case kRfcOk:
      break;
    case kRfcFailure:
      rs.resultBuffer.Append("Error 1014: RFC-Failure raised !");
      break;
    case kRfcException:
      rs.resultBuffer.Append("Error 1012: Exception.: ");
      rs.resultBuffer.Append(exceptionText ? exceptionText : "");
      break;
    case kRfcSysException:
      // In a listing the system's state already shows the failure; a text
      // here would only be left in front of the listing's summary.
      if (!rs.itemMode) rs.resultBuffer.Append("Error 1013: Sys-Exception raised !");
      break;
    default:
      rs.resultBuffer.Append("Error 1015: Other Failure raised !");
      break;
  }
}

}  // namespace tolvaran
