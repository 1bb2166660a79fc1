// The function modules, their row types and the database tables of
// RFC_READ_TABLE. Every layout names its public source; "unconfirmed" marks
// what none we could read gives (sim/FUNCTIONS.md says the same).
#include "sim_functions.h"

#include "sim_config.h"

namespace rfcsim {

namespace {

using T = AbapType;

template <std::size_t N>
constexpr RowType Rows(const char* name, const FieldSpec (&fields)[N]) {
  return RowType{name, fields, N};
}

// UINFO, THUSRINFO's USR_TABL: the fields this program's user list reads.
constexpr FieldSpec kUinfo[] = {
    {"MANDT", T::kChar, 3}, {"BNAME", T::kChar, 12}, {"TCODE", T::kChar, 20},
    {"TERM", T::kChar, 20}, {"ZEIT", T::kChar, 6},   {"MASTER", T::kChar, 1},
    {"TRACE", T::kInt1, 1}, {"EXTMODI", T::kInt, 4}, {"INTMODI", T::kInt, 4},
    {"TID", T::kInt, 4},    {"HOSTADR", T::kInt, 4},
};

// CPU_ALL, GET_CPU_ALL's TF_CPU_ALL: the operating-system collector's CPU
// and memory values.
constexpr FieldSpec kCpuAll[] = {
    {"TYPE", T::kInt2, 2},     {"SUBTYPE", T::kInt2, 2},   {"SERIALNR", T::kInt2, 2},
    {"ALIVE", T::kInt, 4},     {"NBR_CPU", T::kInt, 4},    {"LOAD1_AVG", T::kInt, 4},
    {"LOAD5_AVG", T::kInt, 4}, {"LOAD15_AVG", T::kInt, 4}, {"INT_SEC", T::kInt, 4},
    {"SYSC_SEC", T::kInt, 4},  {"CS_SEC", T::kInt, 4},     {"USR_TOTAL", T::kInt, 4},
    {"SYS_TOTAL", T::kInt, 4}, {"IDLE_TOTAL", T::kInt, 4}, {"AVAIL_CPU", T::kInt, 4},
    {"PAGE_IN", T::kInt, 4},   {"PAGE_OUT", T::kInt, 4},   {"FREE_MEM", T::kInt, 4},
    {"PHYS_MEM", T::kInt, 4},  {"SWAP_SIZE", T::kInt, 4},  {"SWAP_FREE", T::kInt, 4},
    {"CPU_MHZ", T::kInt, 4},
};

// MSXXLIST, TH_SERVER_LIST's LIST.
constexpr FieldSpec kMsxxlist[] = {
    {"NAME", T::kChar, 40},   {"HOST", T::kChar, 32},  {"SERV", T::kChar, 20},
    {"MSGTYPES", T::kRaw, 1}, {"HOSTADR", T::kRaw, 4}, {"SERVNO", T::kRaw, 2},
    {"STATE", T::kRaw, 1},
};

// RFCSI, RFC_SYSTEM_INFO's RFCSI_EXPORT: its character fields at the
// widths the dictionary gives them.
constexpr FieldSpec kRfcsi[] = {
    {"RFCPROTO", T::kChar, 3},    {"RFCCHARTYP", T::kChar, 4},   {"RFCINTTYP", T::kChar, 3},
    {"RFCFLOTYP", T::kChar, 3},   {"RFCDEST", T::kChar, 32},     {"RFCHOST", T::kChar, 8},
    {"RFCSYSID", T::kChar, 8},    {"RFCDATABS", T::kChar, 8},    {"RFCDBHOST", T::kChar, 32},
    {"RFCDBSYS", T::kChar, 10},   {"RFCSAPRL", T::kChar, 4},     {"RFCMACH", T::kChar, 5},
    {"RFCOPSYS", T::kChar, 10},   {"RFCTZONE", T::kChar, 6},     {"RFCDAYST", T::kChar, 1},
    {"RFCIPADDR", T::kChar, 15},  {"RFCKERNRL", T::kChar, 4},    {"RFCHOST2", T::kChar, 32},
    {"RFCSI_RESV", T::kChar, 12}, {"RFCIPV6ADDR", T::kChar, 45},
};

// WPINFO, TH_WPINFO's WPLIST. The first 18 fields, WP_NO to WP_IACTION, in
// this order: the published structure (check_sap_health and
// sapnwrfc_exporter read them by these names; /SKN/F_SW_01_01_SM66's
// documentation gives their types and lengths, e.g. WP_ITYPE, WP_ISTATUS,
// WP_IWAIT, WP_IRESTRT, WP_IACTION INT1, WP_STATUS CHAR 7). The last 7
// appear in newer releases with these types (same documentation), in this
// order in one public Java mapping of the row; their order and presence in
// a given release are unconfirmed, which is why a classic client reads the
// layout at run time (RFC_GET_STRUCTURE_DEFINITION_P).
constexpr FieldSpec kWpinfo[] = {
    {"WP_NO", T::kChar, 2},       {"WP_ITYPE", T::kInt1, 1},   {"WP_TYP", T::kChar, 3},
    {"WP_PID", T::kChar, 8},      {"WP_ISTATUS", T::kInt1, 1}, {"WP_STATUS", T::kChar, 7},
    {"WP_IWAIT", T::kInt1, 1},    {"WP_WAITING", T::kChar, 5}, {"WP_SEM", T::kChar, 2},
    {"WP_IRESTRT", T::kInt1, 1},  {"WP_RESTART", T::kChar, 4}, {"WP_DUMPS", T::kChar, 2},
    {"WP_CPU", T::kChar, 8},      {"WP_ELTIME", T::kChar, 6},  {"WP_MANDT", T::kChar, 3},
    {"WP_BNAME", T::kChar, 12},   {"WP_REPORT", T::kChar, 40}, {"WP_IACTION", T::kInt1, 1},
    {"WP_ACTION", T::kChar, 25},  {"WP_TABLE", T::kChar, 30},  {"WP_SERVER", T::kChar, 20},
    {"WP_WAITINF", T::kChar, 40}, {"WP_WAITTIM", T::kChar, 8}, {"WP_SEMSTAT", T::kInt1, 1},
    {"WP_INDEX", T::kInt, 4},
};

// SEQG3, ENQUEUE_READ's ENQ: the lock entry, in the order and with the
// types of the abap2UI5 sample z2ui5_cl_demo_app_135 (its local type
// ty_seqg3 mirrors SEQG3 for ENQUEUE_READ); GTDATE/GTTIME are when the lock
// was taken.
constexpr FieldSpec kSeqg3[] = {
    {"GNAME", T::kChar, 30},   {"GARG", T::kChar, 150},  {"GMODE", T::kChar, 1},
    {"GUSR", T::kChar, 58},    {"GUSRVB", T::kChar, 58}, {"GUSE", T::kInt, 4},
    {"GUSEVB", T::kInt, 4},    {"GOBJ", T::kChar, 16},   {"GCLIENT", T::kChar, 3},
    {"GUNAME", T::kChar, 12},  {"GTARG", T::kChar, 50},  {"GTCODE", T::kChar, 20},
    {"GBCKTYPE", T::kChar, 1}, {"GTHOST", T::kChar, 32}, {"GTWP", T::kNum, 2},
    {"GTSYSNR", T::kNum, 2},   {"GTDATE", T::kDate, 8},  {"GTTIME", T::kTime, 6},
    {"GTUSEC", T::kNum, 6},    {"GTMARK", T::kChar, 1},  {"GUSETXT", T::kNum, 10},
    {"GUSEVBT", T::kNum, 10},
};

// RFC_READ_TABLE's tables: RFC_DB_OPT (OPTIONS), RFC_DB_FLD (FIELDS) and
// TAB512 (DATA), as check_sap_health and SAP's documentation of the module
// give them (facts collected in sap-health-facts).
constexpr FieldSpec kRfcDbOpt[] = {{"TEXT", T::kChar, 72}};
constexpr FieldSpec kRfcDbFld[] = {
    {"FIELDNAME", T::kChar, 30}, {"OFFSET", T::kNum, 6},      {"LENGTH", T::kNum, 6},
    {"TYPE", T::kChar, 1},       {"FIELDTEXT", T::kChar, 60},
};
constexpr FieldSpec kTab512[] = {{"WA", T::kChar, 512}};

// RFC_GET_STRUCTURE_DEFINITION_P's FIELDS: 83 bytes, as the classic
// library's clients lay it out (php-sap/saprfc-harding's SAP::Rfc unpacks
// "A30 A30 A4 A6 A6 A6 A"; php-sap/saprfc-koucky's rfccal.c declares
// TABNAME C30, FIELDNAME C30, POSITION N4, OFFSET N6, INTLENGTH N6,
// DECIMALS N6, EXID C1 and the export TABLENGTH N6).
constexpr FieldSpec kRfcFieldsP[] = {
    {"TABNAME", T::kChar, 30}, {"FIELDNAME", T::kChar, 30}, {"POSITION", T::kNum, 4},
    {"OFFSET", T::kNum, 6},    {"INTLENGTH", T::kNum, 6},   {"DECIMALS", T::kNum, 6},
    {"EXID", T::kChar, 1},
};

// SNAP: short dumps. DATUM, UZEIT, AHOST, UNAME, MANDT, FLIST and SEQNO
// (a dump's first row has SEQNO '000') as check_sap_health reads them;
// lengths from sap-health-facts (DATS 8, TIMS 6, C32, C12, CLNT 3, C200).
// MODNO and XHOLD, and the order, unconfirmed.
constexpr FieldSpec kSnap[] = {
    {"DATUM", T::kDate, 8, "Date"},
    {"UZEIT", T::kTime, 6, "Time"},
    {"AHOST", T::kChar, 32, "Application server"},
    {"UNAME", T::kChar, 12, "User name"},
    {"MANDT", T::kChar, 3, "Client"},
    {"MODNO", T::kChar, 2, "Mode number"},
    {"SEQNO", T::kNum, 3, "Sequence number"},
    {"XHOLD", T::kChar, 1, "Kept"},
    {"FLIST", T::kChar, 200, "Field list"},
};

// TBTCO: job headers. JOBNAME, SDLUNAME, STRTDATE, STRTTIME, ENDDATE,
// ENDTIME, STATUS, SDLSTRTDT, SDLSTRTTM as check_sap_health and Azure's
// monitor read them (STATUS 'A' aborted, as check_sap_health's notes list
// the codes); JOBCOUNT and the lengths from sap-health-facts; the order
// unconfirmed.
constexpr FieldSpec kTbtco[] = {
    {"JOBNAME", T::kChar, 32, "Job name"},
    {"JOBCOUNT", T::kChar, 8, "Job number"},
    {"SDLUNAME", T::kChar, 12, "Scheduled by"},
    {"STATUS", T::kChar, 1, "Job status"},
    {"SDLSTRTDT", T::kDate, 8, "Planned start date"},
    {"SDLSTRTTM", T::kTime, 6, "Planned start time"},
    {"STRTDATE", T::kDate, 8, "Start date"},
    {"STRTTIME", T::kTime, 6, "Start time"},
    {"ENDDATE", T::kDate, 8, "End date"},
    {"ENDTIME", T::kTime, 6, "End time"},
};

// VBHDR: update request headers. VBKEY, VBREPORT, VBENQKEY and VBDATE (a
// date and time, compared as 'YYYYMMDDHHMMSS') as check_sap_health reads
// them; their lengths, the other fields and which of them marks a request
// in error are unconfirmed.
constexpr FieldSpec kVbhdr[] = {
    {"VBKEY", T::kChar, 32, "Update key"},     {"VBMANDT", T::kChar, 3, "Client"},
    {"VBUSR", T::kChar, 12, "User name"},      {"VBTCODE", T::kChar, 20, "Transaction code"},
    {"VBREPORT", T::kChar, 40, "Report"},      {"VBENQKEY", T::kChar, 32, "Lock key"},
    {"VBDATE", T::kChar, 14, "Date and time"}, {"VBRC", T::kChar, 1, "Return code"},
};

constexpr RowType kRowTypes[] = {
    Rows("UINFO", kUinfo),         Rows("CPU_ALL", kCpuAll),
    Rows("MSXXLIST", kMsxxlist),   Rows("RFCSI", kRfcsi),
    Rows("WPINFO", kWpinfo),       Rows("SEQG3", kSeqg3),
    Rows("RFC_DB_OPT", kRfcDbOpt), Rows("RFC_DB_FLD", kRfcDbFld),
    Rows("TAB512", kTab512),       Rows("RFC_FIELDS_P", kRfcFieldsP),
    Rows("SNAP", kSnap),           Rows("TBTCO", kTbtco),
    Rows("VBHDR", kVbhdr),
};

const RowType* Type(const char* name) {
  for (const RowType& type : kRowTypes) {
    if (std::string_view(type.name) == name) return &type;
  }
  return nullptr;
}

// The parameters of each module; `sent` ones the caller sets.
const ParamSpec kNoParams[] = {{"", T::kChar, 0, false}};

// GET_CPU_ALL: the two the caller sets, then what it returns.
const ParamSpec kGetCpuAllParams[] = {
    {"LOCAL_REMOTE", T::kChar, 5, true},    {"LOGICAL_DESTINATION", T::kChar, 32, true},
    {"ACTIVEFLAG", T::kChar, 1, false},     {"DETAILSCOLL", T::kChar, 1, false},
    {"DETAILSMODE", T::kChar, 1, false},    {"DETAILSREQI", T::kChar, 1, false},
    {"F_CPU_ALL_READ", T::kChar, 1, false}, {"INTERVAL", T::kInt, 4, false},
    {"LASTCOLLINT", T::kInt, 4, false},     {"LASTCOLLWRT", T::kChar, 14, false},
    {"NORMCOLLINT", T::kInt, 4, false},     {"OP_SYSTEM", T::kChar, 10, false},
};

// TH_SERVER_LIST: SERVICES and SYSSERVICE (raw) left out.
const ParamSpec kThServerListParams[] = {
    {"ACTIVE_SERVER", T::kInt, 4, true},
    {"SUBSYSTEM_AWARE", T::kInt, 4, true},
};

const ParamSpec kRfcSystemInfoParams[] = {
    {"RFCSI_EXPORT", T::kStructure, 0, false, Type("RFCSI")},
    {"CURRENT_RESOURCES", T::kInt, 4, false},
    {"MAXIMAL_RESOURCES", T::kInt, 4, false},
    {"RECOMMENDED_DELAY", T::kInt, 4, false},
};

// TH_WPINFO: SRVNAME as exporters use it; WITH_CPU, WITH_MTX_INFO and
// MAX_ELEMS seen in one exporter; types unconfirmed.
const ParamSpec kThWpinfoParams[] = {
    {"SRVNAME", T::kChar, 40, true},
    {"WITH_CPU", T::kChar, 1, true},
    {"WITH_MTX_INFO", T::kChar, 1, true},
    {"MAX_ELEMS", T::kInt, 4, true},
};

// RFC_READ_TABLE: sap-health-facts (check_sap_health, Azure's monitor).
const ParamSpec kRfcReadTableParams[] = {
    {"QUERY_TABLE", T::kChar, 30, true}, {"DELIMITER", T::kChar, 1, true},
    {"NO_DATA", T::kChar, 1, true},      {"ROWSKIPS", T::kInt, 4, true},
    {"ROWCOUNT", T::kInt, 4, true},
};

// ENQUEUE_READ: GARG and GUNAME as abap2UI5's sample passes them, GCLIENT
// and GNAME from sap-health-facts; LOCAL, FAST, GARGNOWC, NUMBER and SUBRC
// as SE37 shows the interface (unconfirmed by a public source here).
const ParamSpec kEnqueueReadParams[] = {
    {"GCLIENT", T::kChar, 3, true},  {"GNAME", T::kChar, 30, true}, {"GARG", T::kChar, 150, true},
    {"GUNAME", T::kChar, 12, true},  {"LOCAL", T::kChar, 1, true},  {"FAST", T::kChar, 1, true},
    {"GARGNOWC", T::kChar, 1, true}, {"NUMBER", T::kInt, 4, false}, {"SUBRC", T::kInt, 4, false},
};

// BDL_GET_CENTRAL_TIMESTAMP: TAG (YYYYMMDD) and UHRZEIT (HHMMSS), as
// Azure's monitor (sapmon rfcclient.py) parses them.
const ParamSpec kTimestampParams[] = {
    {"TAG", T::kDate, 8, false},
    {"UHRZEIT", T::kTime, 6, false},
};

const ParamSpec kStructureDefinitionParams[] = {
    {"TABNAME", T::kChar, 30, true},
    {"TABLENGTH", T::kNum, 6, false},
};

const TableSpec kUsrTabl[] = {{"USR_TABL", Type("UINFO")}};
const TableSpec kTfCpuAll[] = {{"TF_CPU_ALL", Type("CPU_ALL")}};
const TableSpec kList[] = {{"LIST", Type("MSXXLIST")}};
const TableSpec kWplist[] = {{"WPLIST", Type("WPINFO")}};
const TableSpec kReadTableTables[] = {
    {"OPTIONS", Type("RFC_DB_OPT")},
    {"FIELDS", Type("RFC_DB_FLD")},
    {"DATA", Type("TAB512")},
};
const TableSpec kEnq[] = {{"ENQ", Type("SEQG3")}};
const TableSpec kFieldsP[] = {{"FIELDS", Type("RFC_FIELDS_P")}};

template <std::size_t N>
constexpr std::size_t Count(const ParamSpec (&)[N]) {
  return N;
}

const FunctionSpec kFunctions[] = {
    {"THUSRINFO", kNoParams, 0, kUsrTabl, 1, Source::kUsers, "users"},
    {"GET_CPU_ALL", kGetCpuAllParams, Count(kGetCpuAllParams), kTfCpuAll, 1, Source::kCpu, "cpu"},
    {"TH_SERVER_LIST", kThServerListParams, Count(kThServerListParams), kList, 1, Source::kServers,
     ""},
    {"RFC_SYSTEM_INFO", kRfcSystemInfoParams, Count(kRfcSystemInfoParams), nullptr, 0,
     Source::kSystemInfo, ""},
    {"TH_WPINFO", kThWpinfoParams, Count(kThWpinfoParams), kWplist, 1, Source::kWorkProcesses,
     "wp"},
    {"RFC_READ_TABLE", kRfcReadTableParams, Count(kRfcReadTableParams), kReadTableTables, 3,
     Source::kReadTable, ""},
    {"ENQUEUE_READ", kEnqueueReadParams, Count(kEnqueueReadParams), kEnq, 1, Source::kLocks, "enq"},
    {"BDL_GET_CENTRAL_TIMESTAMP", kTimestampParams, Count(kTimestampParams), nullptr, 0,
     Source::kClock, ""},
    // Both names are in use: SAP::Rfc pings with RFC_PING, Azure's monitor
    // with RFCPING.
    {"RFC_PING", kNoParams, 0, nullptr, 0, Source::kNone, ""},
    {"RFCPING", kNoParams, 0, nullptr, 0, Source::kNone, ""},
    {"RFC_GET_STRUCTURE_DEFINITION_P", kStructureDefinitionParams,
     Count(kStructureDefinitionParams), kFieldsP, 1, Source::kStructureDefinition, ""},
};

const DbTable kDbTables[] = {
    {"SNAP", Type("SNAP"), "snap"},
    {"TBTCO", Type("TBTCO"), "tbtco"},
    {"VBHDR", Type("VBHDR"), "vbhdr"},
};

}  // namespace

bool IsCharLike(AbapType type) {
  return type == T::kChar || type == T::kNum || type == T::kDate || type == T::kTime;
}

bool IsInteger(AbapType type) { return type == T::kInt || type == T::kInt1 || type == T::kInt2; }

int RowType::FieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < count; ++i) {
    if (name == fields[i].name) return static_cast<int>(i);
  }
  return -1;
}

const ParamSpec* FunctionSpec::FindParam(std::string_view name) const {
  for (std::size_t i = 0; i < paramCount; ++i) {
    if (!name.empty() && name == params[i].name) return &params[i];
  }
  return nullptr;
}

const TableSpec* FunctionSpec::FindTable(std::string_view name) const {
  for (std::size_t i = 0; i < tableCount; ++i) {
    if (!name.empty() && name == tables[i].name) return &tables[i];
  }
  return nullptr;
}

const FunctionSpec* FindFunction(std::string_view name) {
  for (const FunctionSpec& function : kFunctions) {
    if (name == function.name) return &function;
  }
  return nullptr;
}

const RowType* FindRowType(std::string_view name) {
  for (const RowType& type : kRowTypes) {
    if (EqualsIgnoringCase(name, type.name)) return &type;
  }
  return nullptr;
}

const DbTable* FindDbTable(std::string_view name) {
  for (const DbTable& table : kDbTables) {
    if (EqualsIgnoringCase(name, table.name)) return &table;
  }
  return nullptr;
}

bool IsRowsKey(std::string_view key) {
  for (const FunctionSpec& function : kFunctions) {
    if (*function.rowsKey != '\0' && key == function.rowsKey && key != "users") return true;
  }
  for (const DbTable& table : kDbTables) {
    if (key == table.rowsKey) return true;
  }
  return false;
}

bool IsOutcomeKey(std::string_view key) {
  for (const FunctionSpec& function : kFunctions) {
    if (EqualsIgnoringCase(key, function.name)) return true;
  }
  return false;
}

}  // namespace rfcsim
