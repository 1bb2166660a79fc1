// A fake RfcBackend: a scripted system behind the seam, with no C library
// at all. It serves the outcomes, user list and aborts its script names
// and records every call, so that the driver's decisions (the single run,
// a listed system's check and judgement) can be tested on their own.
#ifndef TOLVARAN_TESTS_SUPPORT_FAKE_BACKEND_H_
#define TOLVARAN_TESTS_SUPPORT_FAKE_BACKEND_H_

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "rfc/backend.h"
#include "support/user_list_rows.h"

namespace tolvaran {

// Thrown where a real library's error handler would end the process, after
// the handler has had the report.
struct FakeLibraryAbort {};

class FakeBackend final : public RfcBackend {
 public:
  // A row of a scripted table: its fields by name (texts blank-padded to
  // the width asked for).
  struct Row {
    std::map<std::string, std::string> texts;
    std::map<std::string, std::int64_t> integers;
  };
  struct Table {
    QueryResult result;
    std::vector<Row> rows;  // served when the call succeeds
  };

  struct Script {
    bool opens = true;
    bool configFile = false;        // the system has a per-destination file
    QueryResult cpu;                // the CPU probe's result
    QueryResult usage;              // the user list's result
    std::vector<Session> sessions;  // served when the user list succeeds
    // The library reports an error by itself while it fetches the user
    // list, with this report.
    bool abortsInUserList = false;
    FailureReport abortReport;
    std::string failureDetail = " - the fake's last error";
    std::string refusal;  // why an opening that fails was refused
    // The system's application servers, and the one the connection is on.
    QueryResult serverList;
    std::vector<ServerEntry> servers;
    QueryResult instanceNameResult;
    std::string instanceName;
    // Any other function module's table, by the function module's name.
    std::map<std::string, Table> tables;
    // A further table it receives, by "FUNCTION/TABLE" (RFC_READ_TABLE's
    // FIELDS and DATA), and its scalar exports, by the function's name.
    std::map<std::string, std::vector<Row>> alsoReceived;
    std::map<std::string, Row> exports;
  };

  // A session of `user` at `terminal` in client `client`, running `tcode`.
  static Session MakeSession(const std::string& client, const std::string& user,
                             const std::string& tcode, const std::string& terminal) {
    Session s;
    Pad(s.mandt, client);
    Pad(s.bname, user);
    Pad(s.tcode, tcode);
    Pad(s.term, terminal);
    s.externalModes = 1;
    s.internalModes = 2;
    return s;
  }

  Script script;
  std::vector<std::string> calls;  // in order: "Open PRD", "ProbeCpu", ...
  ConnectionRequest lastRequest;
  TableCall lastCall;

  std::string Describe() override { return "fake"; }

  void InstallErrorHandler(AbortHandler handler) override {
    calls.push_back("InstallErrorHandler");
    handler_ = std::move(handler);
  }

  ConnectionId Open(const ConnectionRequest& request,
                    const std::function<void()>& onConfigFile) override {
    calls.push_back("Open " + request.destination);
    lastRequest = request;
    if (script.configFile && onConfigFile) onConfigFile();
    return script.opens ? kConnection : 0;
  }

  std::string OpenRefusal() override { return script.opens ? "" : script.refusal; }

  // THUSRINFO serves the script's sessions, TH_SERVER_LIST its servers,
  // any other function module its table; the arguments are recorded.
  QueryResult CallTable(ConnectionId connection, const TableCall& call, RowSink& sink) override {
    calls.push_back(Named(("Call " + call.function).c_str(), connection));
    lastCall = call;
    if (call.function == "THUSRINFO" && script.abortsInUserList) {
      if (handler_) handler_(script.abortReport);
      throw FakeLibraryAbort{};
    }
    Table table;
    if (call.function == "THUSRINFO") {
      table.result = script.usage;
      for (const Session& s : script.sessions) {
        table.rows.push_back(Row{{{"MANDT", Text(s.mandt)},
                                  {"BNAME", Text(s.bname)},
                                  {"TCODE", Text(s.tcode)},
                                  {"TERM", Text(s.term)}},
                                 {{"EXTMODI", static_cast<std::int32_t>(s.externalModes)},
                                  {"INTMODI", static_cast<std::int32_t>(s.internalModes)}}});
      }
    } else if (call.function == "TH_SERVER_LIST") {
      table.result = script.serverList;
      for (const ServerEntry& e : script.servers) {
        table.rows.push_back(Row{{{"NAME", e.name}, {"HOST", e.host}, {"SERV", e.service}}, {}});
      }
    } else {
      auto found = script.tables.find(call.function);
      if (found == script.tables.end()) {
        QueryResult missing;
        missing.outcome = kOutcomeSysException;
        missing.exceptionText = "FU_NOT_FOUND";
        return missing;
      }
      table = found->second;
    }
    if (table.result.outcome != kOutcomeOk || table.result.aborted) return table.result;
    if (!call.exports.empty()) {
      sink.StartTable(kScalarExports);
      Serve(call.exports, {script.exports[call.function]}, sink);
      sink.StartTable(0);
    }
    Serve(call.fields, table.rows, sink);
    for (std::size_t t = 0; t < call.alsoReceived.size(); ++t) {
      sink.StartTable(t + 1);
      Serve(call.alsoReceived[t].fields,
            script.alsoReceived[call.function + "/" + call.alsoReceived[t].table], sink);
    }
    return table.result;
  }

  QueryResult ProbeCpu(ConnectionId connection) override {
    calls.push_back(Named("ProbeCpu", connection));
    return script.cpu;
  }

  QueryResult FetchInstanceName(ConnectionId connection, std::string* name) override {
    calls.push_back(Named("FetchInstanceName", connection));
    if (script.instanceNameResult.outcome == kOutcomeOk) *name = script.instanceName;
    return script.instanceNameResult;
  }

  void Close(ConnectionId connection) override { calls.push_back(Named("Close", connection)); }

  FailureReport LastError(std::string_view operation) override {
    FailureReport report;
    report.operation = std::string(operation);
    return report;
  }

  std::string FailureDetail() override {
    calls.push_back("FailureDetail");
    return script.failureDetail;
  }

  void DiscardTrace() override { calls.push_back("DiscardTrace"); }
  void ReleaseAtDeadline() override { calls.push_back("ReleaseAtDeadline"); }

 private:
  static constexpr ConnectionId kConnection = 41;

  // Hands `rows` to `sink` with the fields asked for, texts padded to
  // their widths.
  static void Serve(const std::vector<FieldRequest>& fields, const std::vector<Row>& rows,
                    RowSink& sink) {
    std::vector<std::string> texts(fields.size());
    for (const Row& row : rows) {
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldRequest& field = fields[i];
        if (field.kind == FieldRequest::Kind::kText) {
          auto text = row.texts.find(field.name);
          texts[i] = text == row.texts.end() ? "" : text->second;
          texts[i].resize(field.length, ' ');
          sink.Text(i, texts[i]);
        } else {
          auto value = row.integers.find(field.name);
          sink.Integer(i, value == row.integers.end() ? 0 : value->second);
        }
      }
      sink.EndRow();
    }
  }

  template <std::size_t N>
  static void Pad(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
  }

  template <std::size_t N>
  static std::string Text(const char (&field)[N]) {
    return std::string(field, N);
  }

  static std::string Named(const char* call, ConnectionId connection) {
    return std::string(call) + (connection == kConnection ? "" : " (unknown connection)");
  }

  AbortHandler handler_;
};

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_SUPPORT_FAKE_BACKEND_H_
