// The user list as tests write it: sessions as rows of USR_TABL, and the
// user list's six values by name.
#ifndef TOLVARAN_TESTS_SUPPORT_USER_LIST_ROWS_H_
#define TOLVARAN_TESTS_SUPPORT_USER_LIST_ROWS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "measure/registry.h"
#include "measure/user_list.h"

namespace tolvaran {

// One session of the user list: its texts at their widths, blank-padded
// and unterminated, as the library hands them over.
struct Session {
  char mandt[3];
  char bname[12];
  char tcode[20];
  char term[20];
  std::uint32_t externalModes;
  std::uint32_t internalModes;
};

// The user list's values by name.
struct UserCounts {
  std::uint32_t activeUsers = 0;
  std::uint32_t tranCodes = 0;
  std::uint32_t terminals = 0;
  std::uint32_t sessions = 0;
  std::uint32_t externalModes = 0;
  std::uint32_t internalModes = 0;
  bool usersAtLeast = false;
  bool terminalsAtLeast = false;

  static UserCounts Of(const MeasuredValues& r) {
    UserCounts c;
    auto at = [&r](std::size_t i) { return static_cast<std::uint32_t>(r.values.at(i)); };
    c.activeUsers = at(kActiveUsers);
    c.tranCodes = at(kTranCodes);
    c.terminals = at(kTerminals);
    c.sessions = at(kSessions);
    c.externalModes = at(kExternalModes);
    c.internalModes = at(kInternalModes);
    c.usersAtLeast = r.atLeast.at(kActiveUsers);
    c.terminalsAtLeast = r.atLeast.at(kTerminals);
    return c;
  }

  MeasuredValues AsReading() const {
    MeasuredValues r;
    r.values = {activeUsers, tranCodes, terminals, sessions, externalModes, internalModes};
    r.atLeast = {usersAtLeast, false, terminalsAtLeast, false, false, false};
    return r;
  }
};

// The user list's value `index`, as ITEM= names it.
inline ValueRef UserItem(std::size_t index) { return ValueRef{&UserList(), index}; }

// Values as a reading of the user list, none a lower bound.
inline MeasuredValues UserValues(std::vector<std::int64_t> values) {
  MeasuredValues measured;
  measured.atLeast.assign(values.size(), false);
  measured.values = std::move(values);
  return measured;
}

// Hands `session` to `sink` as the backend hands over a row of USR_TABL.
inline void SendSession(RowSink& sink, const Session& s) {
  sink.Text(kFieldClient, std::string_view(s.mandt, sizeof s.mandt));
  sink.Text(kFieldUser, std::string_view(s.bname, sizeof s.bname));
  sink.Text(kFieldTransaction, std::string_view(s.tcode, sizeof s.tcode));
  sink.Text(kFieldTerminal, std::string_view(s.term, sizeof s.term));
  sink.Integer(kFieldExternalModes, static_cast<std::int32_t>(s.externalModes));
  sink.Integer(kFieldInternalModes, static_cast<std::int32_t>(s.internalModes));
  sink.EndRow();
}

// The user list's reduction fed session by session.
class UserListCounter {
 public:
  explicit UserListCounter(std::string_view client) {
    MeasureContext context;
    context.client = std::string(client);
    reduction_ = UserList().Reduce(context);
  }
  void Add(const Session& session) { SendSession(*reduction_, session); }
  UserCounts Counts() const { return UserCounts::Of(reduction_->Result()); }
  MeasuredValues Result() const { return reduction_->Result(); }

 private:
  std::unique_ptr<Reduction> reduction_;
};

// The rows of `sessions` as a worker keeps them for replay.
inline std::vector<KeptRow> RowsOf(const std::vector<Session>& sessions) {
  std::vector<KeptRow> rows;
  for (const Session& s : sessions) {
    KeptRow row;
    auto text = [](const char* field, std::size_t n) {
      KeptField f;
      f.text.assign(field, n);
      return f;
    };
    auto integer = [](std::uint32_t value) {
      KeptField f;
      f.isText = false;
      f.integer = static_cast<std::int32_t>(value);
      return f;
    };
    row.fields = {text(s.mandt, sizeof s.mandt), text(s.bname, sizeof s.bname),
                  text(s.tcode, sizeof s.tcode), text(s.term, sizeof s.term),
                  integer(s.externalModes),      integer(s.internalModes)};
    rows.push_back(std::move(row));
  }
  return rows;
}

// The user list's values of `sessions` for `client` (empty: every client).
inline MeasuredValues ValuesOf(const std::vector<Session>& sessions, std::string_view client) {
  UserListCounter counter(client);
  for (const Session& s : sessions) counter.Add(s);
  return counter.Result();
}

// Measures the user list over `connection` for `client`, into `counts`
// (valid when the outcome is 0).
inline QueryResult CountSessions(RfcBackend& backend, ConnectionId connection,
                                 std::string_view client, UserCounts* counts) {
  MeasureContext context;
  context.client = std::string(client);
  MeasuredValues values;
  QueryResult result = MeasureOver(backend, connection, UserList(), context, &values);
  *counts = UserCounts::Of(values);
  return result;
}

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_SUPPORT_USER_LIST_ROWS_H_
