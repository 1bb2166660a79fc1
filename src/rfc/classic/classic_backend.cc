#include "rfc/classic/classic_backend.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"
#include "rfc/classic/classic_layout.h"
#include "rfc/classic/classic_rows.h"
#include "rfc/connect_string.h"
#include "rfc/library_config.h"
#include "rfc/trace_file.h"
#include "text/fixed_text.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// The library takes every name as a writable C text and may keep the
// field names of an installed structure: they live in writable arrays that
// last as long as the backend (the whole process), filled from the layout
// tables once.
// The most fields, and the longest name, a structure the program installs
// may have (WPINFO has 25 fields; a DDIC name has at most 30 characters).
constexpr unsigned kMaxInstalledFields = 64;

struct InstalledStructure {
  char name[32];
  char fieldNames[kMaxInstalledFields][32];
  FieldDescriptor descriptors[kMaxInstalledFields];
  RfcTypeHandle type = 0;
};

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
char rfcSystemInfoName[] = "RFC_SYSTEM_INFO";
char rfcsiExportName[] = "RFCSI_EXPORT";

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

// Working copies of the profile's values handed to the library, sized for
// the paddings they receive; the library may keep pointers into them until
// the next opening.
struct ConnectionTexts {
  FixedText<12> destination;
  FixedText<12> client;
  FixedText<64> user;
  FixedText<48> password;
  FixedText<32> language;
  FixedText<48> hostname;
  FixedText<62> gatewayHost;
  FixedText<32> gatewayService;
};

template <std::size_t N>
void PadTo(FixedText<N>* text, std::size_t width) {
  while (text->size() < width && text->size() < FixedText<N>::kCapacity) text->Append(" ");
}

template <std::size_t N>
char* TextOrNone(FixedText<N>& text) {
  return text.empty() ? nullptr : text.data();
}

std::string FieldText(const char* field, std::size_t size) {
  return std::string(field, strnlen(field, size));
}

// A character field of a row without the blanks (or NULs) that fill it.
std::string TrimmedField(const unsigned char* field, std::size_t width) {
  std::size_t length = width;
  while (length > 0 && (field[length - 1] == ' ' || field[length - 1] == '\0')) --length;
  return std::string(reinterpret_cast<const char*>(field), length);
}

class ClassicBackend;
// The library's error handler has no parameter for the backend: the one
// backend of the process is kept here while the handler is installed.
ClassicBackend* handler_backend = nullptr;

extern "C" void RFC_CALL OnRfcLibraryError(char* operation);

class ClassicBackend final : public RfcBackend {
 public:
  ClassicBackend(Host& host, const ClassicLibrary& lib) : host_(host), lib_(lib) {}
  ~ClassicBackend() override {
    if (handler_backend == this) handler_backend = nullptr;
  }

  std::string Describe() override { return "classic"; }

  void InstallErrorHandler(AbortHandler handler) override {
    handler_backend = this;
    handler_ = std::move(handler);
    environment_.errorhandler = &OnRfcLibraryError;
    environment_.allocate = nullptr;
    lib_.RfcEnvironment(&environment_);
  }

  ConnectionId Open(const ConnectionRequest& request,
                    const std::function<void()>& onConfigFile) override;
  std::string OpenRefusal() override { return refusal_; }
  QueryResult CallTable(ConnectionId connection, const TableCall& call, RowSink& sink) override;
  QueryResult ProbeCpu(ConnectionId connection) override;
  QueryResult FetchInstanceName(ConnectionId connection, std::string* name) override;

  void Close(ConnectionId connection) override {
    lib_.RfcClose(static_cast<RfcHandle>(connection));
  }

  FailureReport LastError(std::string_view operation) override {
    FailureReport report;
    report.operation = std::string(operation);
    ErrorInfo info;
    std::memset(&info, 0, sizeof info);
    lib_.RfcLastError(&info);
    report.key = FieldText(info.key, sizeof info.key);
    report.status = FieldText(info.status, sizeof info.status);
    report.message = FieldText(info.message, sizeof info.message);
    report.internalStatus = FieldText(info.intstat, sizeof info.intstat);
    // The report closes what the library may still hold open.
    lib_.RfcClose(0);
    return report;
  }

  std::string FailureDetail() override { return TraceFileDetail(host_); }

  void DiscardTrace() override { DeleteTraceFile(host_); }

  void ReleaseAtDeadline() override { ReleaseLibraryConfigLock(); }

  // The library reported an error by itself: the report goes to the
  // handler, and the process ends.
  [[noreturn]] void Abort(const char* operation) {
    ReleaseLibraryConfigLock();
    if (handler_) handler_(LastError(operation ? operation : ""));
    ExitProcessNow(1);
  }

 private:
  // Installs a structure the first time a process needs it; the type
  // handle stays valid for every later connection. False when the library
  // refused it.
  bool InstallOnce(InstalledStructure& s, const char* name, const FieldLayout* fields,
                   unsigned count) {
    if (s.type != 0) return true;
    if (count > sizeof s.descriptors / sizeof s.descriptors[0]) return false;
    std::snprintf(s.name, sizeof s.name, "%s", name);
    for (unsigned i = 0; i < count; ++i) {
      std::snprintf(s.fieldNames[i], sizeof s.fieldNames[i], "%s", fields[i].name);
      s.descriptors[i] = FieldDescriptor{s.fieldNames[i], fields[i].type, fields[i].length, 0, 0};
    }
    return lib_.RfcInstallStructure(s.name, s.descriptors, count, &s.type) == 0;
  }

  // Calls a function module and receives its answer. On an exception its
  // name is kept (255 characters at most).
  int CallAndReceive(RfcHandle handle, char* function, ParameterEntry* exporting,
                     ParameterEntry* importing, TableEntry* tables, std::string* exceptionText) {
    int sent = lib_.RfcCall(handle, function, exporting, tables);
    if (sent != 0) return sent;
    char* exception = nullptr;
    int outcome = lib_.RfcReceive(handle, importing, tables, &exception);
    if ((outcome == kRfcException || outcome == kRfcSysException) && exception) {
      *exceptionText = std::string(exception, strnlen(exception, 255));
    }
    return outcome;
  }

  // A call the program cannot make: the table's layout is not known. No
  // library error stands behind it, so the report names only the operation.
  static QueryResult Refused(std::string operation) {
    QueryResult result;
    result.aborted = true;
    result.report.operation = std::move(operation);
    return result;
  }

  QueryResult Aborted(std::string_view operation) {
    QueryResult result;
    result.aborted = true;
    result.report = LastError(operation);
    return result;
  }

  // Calls `function` with the one table `table`, whose rows are `type`'s,
  // and hands the filled table to `read` when the call succeeded; `read`
  // returns false (with `result` marked aborted) to stop. The table is
  // created before and deleted after.
  template <typename Read>
  QueryResult CallWithTable(RfcHandle handle, char* function, char* table, const RowLayout& type,
                            InstalledStructure& installed, ParameterEntry* exporting,
                            ParameterEntry* importing, Read read) {
    const std::string shown(table);
    RfcTable rows = lib_.ItCreate(table, type.rowLength, 0, 0);
    if (!rows) return Aborted("ItCreate " + shown);
    if (!InstallOnce(installed, type.structure, type.fields, type.count)) {
      return Aborted("RfcInstallStructure");
    }
    TableEntry tables[] = {Table(table, installed.type, rows), TableEntry{}};
    QueryResult result;
    result.outcome =
        CallAndReceive(handle, function, exporting, importing, tables, &result.exceptionText);
    if (result.outcome == kRfcOk && !read(rows, &result)) return result;
    if (lib_.ItDelete(rows) != 0) return Aborted("ItDelete " + shown);
    return result;
  }

  // Hands every row of `table` to `row`, counting from 1; the library is
  // asked for the count before every row rather than once. False (with
  // `result` marked aborted) when a row cannot be had.
  template <typename Row>
  bool ForEachRow(RfcTable table, std::string_view shownTable, QueryResult* result, Row row) {
    for (unsigned i = 1; i <= lib_.ItFill(table); ++i) {
      const void* line = lib_.ItGetLine(table, i);
      if (!line) {
        *result = Aborted("ItGetLine " + std::string(shownTable));
        return false;
      }
      row(static_cast<const unsigned char*>(line));
    }
    return true;
  }

  Host& host_;
  ClassicLibrary lib_;
  AbortHandler handler_;
  RfcEnvironmentRecord environment_ = {};
  ConnectionTexts texts_;
  RfcOpenOptions openOptions_ = {};
  HostOptions hostOptions_ = {};
  GatewayOptions gatewayOptions_ = {};
  RfcErrorRecord openExError_ = {};
  FixedText<512> connectString_;
  std::string refusal_;
  InstalledStructure cpuAllStructure;
  // The structures of the generic table calls, by name; each installed once
  // and kept where the library can rely on it.
  std::map<std::string, std::unique_ptr<InstalledStructure>> installed_;

  // A structure's layout as the system's dictionary gives it
  // (RFC_GET_STRUCTURE_DEFINITION_P), asked once per process; null with
  // `result` the failure when it cannot be had.
  struct DictionaryRow {
    std::vector<std::string> names;
    std::vector<FieldLayout> fields;
    RowLayout layout = {};
  };
  std::map<std::string, std::unique_ptr<DictionaryRow>> dictionary_;
  const RowLayout* DictionaryLayout(ConnectionId connection, const std::string& structure,
                                    QueryResult* result);

  InstalledStructure& Installed(const std::string& structure) {
    std::unique_ptr<InstalledStructure>& s = installed_[structure];
    if (!s) s = std::make_unique<InstalledStructure>();
    return *s;
  }
};

extern "C" void RFC_CALL OnRfcLibraryError(char* operation) {
  // Called from inside the library: never return into it, and never unwind
  // through its frames. The process ends here.
  if (handler_backend) handler_backend->Abort(operation);
  ReleaseLibraryConfigLock();
  ExitProcessNow(1);
}

ConnectionId ClassicBackend::Open(const ConnectionRequest& request,
                                  const std::function<void()>& onConfigFile) {
  refusal_.clear();
  ConnectionTexts& t = texts_;
  // The library has taken its own copy once the opening returns.
  WipeOnExit wipe(&t.password, &connectString_);
  t.destination.Set(request.destination);
  t.client.Set(request.client);
  t.user.Set(request.user);
  t.password.Set(request.password);
  t.language.Set(request.language);
  t.hostname.Set(request.server ? request.server->host : request.hostname);
  t.gatewayHost.Set(request.gatewayHost);
  t.gatewayService.Set(request.gatewayService);
  if (request.server) {
    // One application server of the system, reached by its host and
    // number; a destination's file lends it only its gateway.
    std::string gatewayHost, gatewayService;
    if (HasDestinationConfig(host_, request.destination) &&
        !ReadDestinationGateway(host_, request.destination, &gatewayHost, &gatewayService,
                                &refusal_)) {
      return 0;
    }
    t.gatewayHost.Set(gatewayHost);
    t.gatewayService.Set(gatewayService);
  }
  PadTo(&t.user, 12);
  PadTo(&t.password, 10);

  RfcOpenOptions& options = openOptions_;
  options.destination = t.destination.data();
  options.client = t.client.data();
  options.user = t.user.data();
  options.password = t.password.data();
  options.language = t.language.data();
  options.trace = 0;
  if (request.mode == "R/2" && !request.server) {
    options.mode = 1;
    gatewayOptions_.gateway_host = TextOrNone(t.gatewayHost);
    gatewayOptions_.gateway_service = TextOrNone(t.gatewayService);
    options.connopt = &gatewayOptions_;
  } else {
    options.mode = 0;
    hostOptions_.hostname = TextOrNone(t.hostname);
    hostOptions_.sysnr = request.server ? request.server->systemNumber : request.systemNumber;
    hostOptions_.gateway_host = TextOrNone(t.gatewayHost);
    hostOptions_.gateway_service = TextOrNone(t.gatewayService);
    options.connopt = &hostOptions_;
  }

  const bool destinationFile = !request.server && HasDestinationConfig(host_, request.destination);
  // The options record has no place for SNC: with SNC the connection is
  // opened through the connect string, which has.
  if (!destinationFile && !request.snc.On()) return lib_.RfcOpen(&options);

  std::vector<ConnectPair> pairs;
  char sysnr[16];
  if (destinationFile) {
    pairs = {{"CLIENT", request.client},
             {"USER", request.user},
             {"PASSWD", request.password},
             {"LANG", "D"},
             {"DEST", t.destination.view()}};
  } else {
    if (options.mode != 0 || t.hostname.empty()) {
      refusal_ = kSncNeedsServer;
      return 0;
    }
    std::snprintf(sysnr, sizeof sysnr, "%02d", hostOptions_.sysnr);
    pairs = {{"ASHOST", t.hostname.view()}, {"SYSNR", sysnr},
             {"CLIENT", request.client},    {"USER", request.user},
             {"PASSWD", request.password},  {"LANG", request.language}};
    if (!t.gatewayHost.empty()) pairs.push_back({"GWHOST", t.gatewayHost.view()});
    if (!t.gatewayService.empty()) pairs.push_back({"GWSERV", t.gatewayService.view()});
  }
  if (request.snc.On()) {
    pairs.push_back({"SNC_MODE", request.snc.mode});
    pairs.push_back({"SNC_PARTNERNAME", request.snc.partner});
    if (!request.snc.qop.empty()) pairs.push_back({"SNC_QOP", request.snc.qop});
    if (!request.snc.myname.empty()) pairs.push_back({"SNC_MYNAME", request.snc.myname});
    if (!request.snc.library.empty()) pairs.push_back({"SNC_LIB", request.snc.library});
  }

  // A value that cannot be written into the connect string safely fails
  // the opening before anything is sent.
  std::string connect;
  char refused = 0;
  connect.reserve(connectString_.kCapacity);
  WipeOnExit wipe_connect(&connect);
  if (!BuildConnectString(pairs, &connect, &refused)) {
    refusal_ = refused == '"' ? "a profile value holds a double quote"
                              : "a profile value holds a line end";
    return 0;
  }
  if (!destinationFile) {
    connectString_.Set(connect);
    return lib_.RfcOpenEx(connectString_.data(), &openExError_);
  }
  if (onConfigFile) onConfigFile();
  std::string installed;
  if (!InstallLibraryConfig(host_, t.destination.view(), request.deadline, &installed, &refusal_)) {
    return 0;
  }
  // The library reads the destination's own file, named by RFC_INI, and not
  // the shared SapRfc.ini: the lock is no longer needed while it opens.
  UseDestinationConfig(host_, t.destination.view());
  connectString_.Set(connect);
  return lib_.RfcOpenEx(connectString_.data(), &openExError_);
}

QueryResult ClassicBackend::CallTable(ConnectionId connection, const TableCall& call,
                                      RowSink& sink) {
  // Every table the call passes: those received (0 the call's table, then
  // the others in order), and those only sent. A table both sent and
  // received (RFC_READ_TABLE's FIELDS) is one, filled before the call and
  // read after.
  struct Passed {
    std::string name;
    std::string structure;
    const RowLayout* layout = nullptr;
    const std::vector<FieldRequest>* fields = nullptr;  // received: read these
    std::vector<Place> places;
    const SentTable* sent = nullptr;
    std::vector<Place> sentPlaces;
    RfcTable handle = 0;
  };
  std::vector<Passed> passed;
  auto pass = [&passed](const std::string& name, const std::string& structure,
                        const std::vector<FieldRequest>* fields) {
    Passed p;
    p.name = name;
    p.structure = structure;
    p.fields = fields;
    passed.push_back(std::move(p));
  };
  if (!call.table.empty()) pass(call.table, call.structure, &call.fields);
  for (const ReceivedTable& t : call.alsoReceived) pass(t.table, t.structure, &t.fields);
  const std::size_t received = passed.size();
  for (const SentTable& t : call.sent) {
    Passed* same = nullptr;
    for (Passed& p : passed) {
      if (p.name == t.table) same = &p;
    }
    if (!same) {
      pass(t.table, t.structure, nullptr);
      same = &passed.back();
    }
    same->sent = &t;
  }
  for (Passed& p : passed) {
    p.layout = FindPublishedLayout(p.structure);
    if (!p.layout) {
      QueryResult dictionary;
      p.layout = DictionaryLayout(connection, p.structure, &dictionary);
      if (!p.layout) return dictionary;
    }
    if (p.fields && !PlacesOf(*p.layout, *p.fields, &p.places)) {
      return Refused("RfcInstallStructure " + p.structure + "-" + p.fields->front().name);
    }
    if (p.sent && (!lib_.ItAppLine || !PlacesOf(*p.layout, p.sent->fields, &p.sentPlaces))) {
      return Refused("RfcInstallStructure " + p.structure);
    }
  }

  // The library takes every name and value as a writable buffer.
  std::string function = call.function;
  std::vector<std::string> names, texts;
  std::vector<std::int32_t> integers(call.arguments.size());
  names.reserve(call.arguments.size() + call.exports.size() + passed.size());
  texts.reserve(call.arguments.size());
  std::vector<ParameterEntry> exporting;
  for (std::size_t i = 0; i < call.arguments.size(); ++i) {
    const CallArgument& argument = call.arguments[i];
    names.push_back(argument.name);
    if (argument.kind == CallArgument::Kind::kInteger) {
      integers[i] = argument.integer;
      exporting.push_back(Parameter(&names.back()[0], kRfcTypeInt, 4, &integers[i]));
    } else {
      texts.push_back(argument.text);
      texts.back().resize(argument.width, ' ');
      exporting.push_back(
          Parameter(&names.back()[0], kRfcTypeChar, argument.width, &texts.back()[0]));
    }
  }
  exporting.push_back(ParameterEntry{});
  // The exports land in one buffer, one after the other, as a row would.
  std::vector<FieldLayout> exportLayout;
  std::size_t exportLength = 0;
  for (const FieldRequest& e : call.exports) {
    const bool text = e.kind == FieldRequest::Kind::kText;
    exportLayout.push_back(
        {e.name.c_str(), text ? kRfcTypeChar : kRfcTypeInt, text ? e.length : 4});
    exportLength += exportLayout.back().length;
  }
  std::vector<unsigned char> exportBuffer(exportLength, ' ');
  std::vector<ParameterEntry> importing;
  std::vector<Place> exportPlaces;
  std::size_t at = 0;
  for (std::size_t i = 0; i < call.exports.size(); ++i) {
    names.push_back(call.exports[i].name);
    importing.push_back(Parameter(&names.back()[0], exportLayout[i].type, exportLayout[i].length,
                                  exportBuffer.data() + at));
    exportPlaces.push_back(Place{at, &exportLayout[i]});
    at += exportLayout[i].length;
  }
  importing.push_back(ParameterEntry{});

  // The tables, created, their structures installed and the rows sent.
  QueryResult result;
  std::vector<TableEntry> tables;
  auto deleteAll = [this, &passed, &result]() {
    for (Passed& p : passed) {
      if (p.handle && lib_.ItDelete(p.handle) != 0 && !result.aborted) {
        result = Aborted("ItDelete " + p.name);
      }
    }
  };
  for (Passed& p : passed) {
    names.push_back(p.name);
    p.handle = lib_.ItCreate(&names.back()[0], p.layout->rowLength, 0, 0);
    if (!p.handle) {
      result = Aborted("ItCreate " + p.name);
      deleteAll();
      return result;
    }
    InstalledStructure& installed = Installed(p.structure);
    if (!InstallOnce(installed, p.layout->structure, p.layout->fields, p.layout->count)) {
      result = Aborted("RfcInstallStructure");
      deleteAll();
      return result;
    }
    tables.push_back(Table(&names.back()[0], installed.type, p.handle));
    if (!p.sent) continue;
    for (const std::vector<std::string>& row : p.sent->rows) {
      auto* line = static_cast<unsigned char*>(lib_.ItAppLine(p.handle));
      if (!line) {
        result = Aborted("ItAppLine " + p.name);
        deleteAll();
        return result;
      }
      std::memset(line, ' ', p.layout->rowLength);
      for (std::size_t i = 0; i < row.size() && i < p.sentPlaces.size(); ++i) {
        const std::size_t width = p.sentPlaces[i].field->length;
        std::memcpy(line + p.sentPlaces[i].offset, row[i].data(),
                    row[i].size() < width ? row[i].size() : width);
      }
    }
  }
  tables.push_back(TableEntry{});

  result.outcome =
      CallAndReceive(static_cast<RfcHandle>(connection), &function[0], exporting.data(),
                     importing.data(), tables.data(), &result.exceptionText);
  if (result.outcome == kRfcOk) {
    if (!call.exports.empty()) {
      sink.StartTable(kScalarExports);
      SinkRow(exportBuffer.data(), call.exports, exportPlaces, sink);
      sink.StartTable(0);
    }
    for (std::size_t t = 0; t < received && !result.aborted; ++t) {
      if (t > 0 || call.table.empty()) sink.StartTable(call.table.empty() ? t + 1 : t);
      const Passed& p = passed[t];
      ForEachRow(p.handle, p.name, &result,
                 [&](const unsigned char* row) { SinkRow(row, *p.fields, p.places, sink); });
    }
    if (result.aborted) return result;
  }
  deleteAll();
  return result;
}

const RowLayout* ClassicBackend::DictionaryLayout(ConnectionId connection,
                                                  const std::string& structure,
                                                  QueryResult* result) {
  std::unique_ptr<DictionaryRow>& known = dictionary_[structure];
  if (known) return &known->layout;
  using K = FieldRequest::Kind;
  TableCall call;
  call.function = "RFC_GET_STRUCTURE_DEFINITION_P";
  call.arguments = {CallArgument::Text("TABNAME", structure, 30)};
  call.table = "FIELDS";
  call.structure = "RFC_FIELDS_P";
  call.fields = {{"FIELDNAME", K::kText, 30},
                 {"OFFSET", K::kText, 6},
                 {"INTLENGTH", K::kText, 6},
                 {"EXID", K::kText, 1}};
  call.exports = {{"TABLENGTH", K::kText, 6}};
  DictionarySink sink;
  *result = CallTable(connection, call, sink);
  const std::vector<DictionarySink::Field>& fields = sink.fields;
  const unsigned rowLength = Digits(sink.rowLength);
  if (result->aborted || result->outcome != kRfcOk) {
    dictionary_.erase(structure);
    return nullptr;
  }
  if (fields.empty() || fields.size() > kMaxInstalledFields) {
    dictionary_.erase(structure);
    *result = Refused("RfcInstallStructure " + structure);
    return nullptr;
  }
  auto row = std::make_unique<DictionaryRow>();
  row->names.reserve(fields.size() + 1);
  for (const DictionarySink::Field& f : fields) row->names.push_back(f.name);
  row->names.push_back(structure);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    row->fields.push_back(
        {row->names[i].c_str(), TypeOfExid(fields[i].type), Digits(fields[i].length)});
  }
  row->layout = RowLayout{row->names.back().c_str(), row->fields.data(),
                          static_cast<unsigned>(row->fields.size()), rowLength};
  known = std::move(row);
  return &known->layout;
}

QueryResult ClassicBackend::ProbeCpu(ConnectionId connection) {
  char localRemote[6] = {'L', 'O', 'C', 'A', 'L', ' '};
  char logicalDestination[32];
  std::memset(logicalDestination, ' ', sizeof logicalDestination);
  CpuAnswer answer = {};
  ParameterEntry exporting[] = {
      Parameter(localRemoteName, kRfcTypeChar, 6, localRemote),
      Parameter(logicalDestinationName, kRfcTypeChar, 32, logicalDestination),
      ParameterEntry{},
  };
  ParameterEntry importing[] = {
      Parameter(activeFlagName, kRfcTypeInt, 4, &answer.activeFlag),
      Parameter(detailsCollName, kRfcTypeInt, 4, &answer.detailsColl),
      Parameter(detailsModeName, kRfcTypeInt, 4, &answer.detailsMode),
      Parameter(detailsReqiName, kRfcTypeInt, 4, &answer.detailsReqi),
      Parameter(fCpuAllReadName, kRfcTypeChar, 3, answer.fCpuAllRead),
      Parameter(intervalName, kRfcTypeInt, 4, &answer.interval),
      Parameter(lastCollIntName, kRfcTypeInt, 4, &answer.lastCollInt),
      Parameter(lastCollWrtName, kRfcTypeChar, 25, answer.lastCollWrt),
      Parameter(normCollIntName, kRfcTypeInt, 4, &answer.normCollInt),
      Parameter(opSystemName, kRfcTypeChar, 52, answer.opSystem),
      ParameterEntry{},
  };
  // Only the outcome counts: the rows are not read.
  return CallWithTable(static_cast<RfcHandle>(connection), getCpuAllName, tfCpuAllName,
                       kPublishedLayouts[1], cpuAllStructure, exporting, importing,
                       [](RfcTable, QueryResult*) { return true; });
}

QueryResult ClassicBackend::FetchInstanceName(ConnectionId connection, std::string* name) {
  unsigned char rfcsi[kRfcsiLength];
  std::memset(rfcsi, ' ', sizeof rfcsi);
  ParameterEntry exporting[] = {ParameterEntry{}};
  ParameterEntry importing[] = {Parameter(rfcsiExportName, kRfcTypeChar, kRfcsiLength, rfcsi),
                                ParameterEntry{}};
  TableEntry tables[] = {TableEntry{}};
  QueryResult result;
  result.outcome = CallAndReceive(static_cast<RfcHandle>(connection), rfcSystemInfoName, exporting,
                                  importing, tables, &result.exceptionText);
  if (result.outcome == kRfcOk) *name = TrimmedField(rfcsi + RfcsiOffset("RFCDEST"), 32);
  return result;
}

}  // namespace

bool BindClassicLibrary(void* library, ClassicLibrary* lib) {
  return BindLibrarySymbol(library, "RfcEnvironment", &lib->RfcEnvironment) &&
         BindLibrarySymbol(library, "RfcOpen", &lib->RfcOpen) &&
         BindLibrarySymbol(library, "RfcOpenEx", &lib->RfcOpenEx) &&
         BindLibrarySymbol(library, "RfcInstallStructure", &lib->RfcInstallStructure) &&
         BindLibrarySymbol(library, "RfcCall", &lib->RfcCall) &&
         BindLibrarySymbol(library, "RfcReceive", &lib->RfcReceive) &&
         BindLibrarySymbol(library, "RfcLastError", &lib->RfcLastError) &&
         BindLibrarySymbol(library, "RfcClose", &lib->RfcClose) &&
         BindLibrarySymbol(library, "ItCreate", &lib->ItCreate) &&
         BindLibrarySymbol(library, "ItFill", &lib->ItFill) &&
         BindLibrarySymbol(library, "ItGetLine", &lib->ItGetLine) &&
         BindLibrarySymbol(library, "ItDelete", &lib->ItDelete) &&
         BindLibrarySymbol(library, "ItAppLine", &lib->ItAppLine);
}

std::unique_ptr<RfcBackend> MakeClassicBackend(Host& host, const ClassicLibrary& lib) {
  return std::make_unique<ClassicBackend>(host, lib);
}

}  // namespace tolvaran
