// A measurement: what the program asks a system for and how the answer
// becomes values. Each kind (the user list, ...) is one type derived from
// Measurement, found in the registry (measure/registry.h) by its key; the
// layers above know measurements only through this interface, and render
// any measurement's values from its ValueDefinitions.
#ifndef TOLVARAN_MEASURE_MEASUREMENT_H_
#define TOLVARAN_MEASURE_MEASUREMENT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rfc/backend.h"

namespace tolvaran {

// How one value of several application servers (SERVERS=ALL) becomes the
// system's.
enum class Combine {
  kSum,       // the servers' values added
  kMaximum,   // the largest of them
  kDistinct,  // counted again over the distinct keys of every server's rows
  kReplay,    // worked out again from every server's rows, replayed in turn
};

// What a value counts or measures, for the dialects that name a unit.
enum class Unit {
  kCount,         // a plain number (no unit is written)
  kPercent,       // 0 to 100
  kMilliseconds,  // a duration
  kMinutes,       // an age
};

// One value of a measurement, as every dialect names and treats it.
struct ValueDefinition {
  const char* channelName;  // the keyed-text key; the plugin's perfdata label
  const char* displayName;  // the XML channel; ITEM= names a value by it
  const char* metricName;   // the OpenMetrics family
  const char* help;         // its # HELP text
  Unit unit = Unit::kCount;
  // The value carries this many decimals: its integer is the value times
  // ten to that power (a busy percentage of 12.5 with 1 is 125).
  int decimals = 0;
  // WARN= and CRIT= (and a monitor's limits) may apply to it.
  bool limits = true;
  Combine combine = Combine::kSum;
  // Script v2's channel id: permanent in the monitor, never reused.
  std::int32_t scriptV2Id = 0;
  // Its key on a worker's wire (empty: one made from its channel name), and
  // the key of the flag that it is a lower bound (nullptr: it never is).
  const char* wireName = "";
  const char* lowerBoundWireName = nullptr;
  // The limits a monitor shows as warning and error when the value rises
  // above them (PRTG's LimitMaxWarning and LimitMaxError), in the value's
  // integer (times ten to `decimals`); kNoLimit for none.
  std::int64_t limitMaxWarning = kNoLimit;
  std::int64_t limitMaxError = kNoLimit;
  // A label that tells this value from the others of its OpenMetrics family
  // (`type="dialog"`), written as it stands; nullptr for none.
  const char* metricLabel = nullptr;

  static constexpr std::int64_t kNoLimit = INT64_MIN;
};

// A measurement's values for one system (or one server), indexed as its
// definitions.
struct MeasuredValues {
  std::vector<std::int64_t> values;
  // A value that stopped at a limit and is a lower bound ("now >= 728").
  std::vector<bool> atLeast;
  // Texts the summary names besides the values (the most frequent runtime
  // error, ...); the measurement says what each means.
  std::vector<std::string> notes;
  // Some of what was asked (a server of SERVERS=ALL) did not answer: the
  // values are short, and the monitor shows them in its warning state.
  bool partial = false;
};

// One row as kept for replay over several servers: its fields in the order
// of the call's FieldRequests, a text or an integer each.
struct KeptField {
  bool isText = true;
  std::string text;
  std::int64_t integer = 0;
};
struct KeptRow {
  std::uint32_t call = 0;  // which of the measurement's calls gave it
  std::vector<KeptField> fields;
};

// What a measurement's calls are made with.
struct MeasureContext {
  std::string client;  // CLIENT= (empty: every client)
  // The connection's own application server ("<host>_<system>_<number>");
  // empty when not known.
  std::string instanceName;
  // The system's active application servers, when the server list was had.
  const std::vector<ServerEntry>* servers = nullptr;
  // WINDOW=: how many minutes back from the system's clock the measurements
  // of events (short dumps, cancelled jobs) look.
  int windowMinutes = 60;
  // How long the opening of the connection took, in milliseconds; -1 when
  // not measured.
  std::int64_t openMilliseconds = -1;
};

// Reduces the rows of a measurement's calls to its values, row by row as
// the backend hands them over. A reduction lives for one system (or one
// server); rows of several servers replayed through one reduction give the
// system's values.
class Reduction : public RowSink {
 public:
  virtual ~Reduction() = default;
  // The rows that follow are call `call`'s (the first call's, 0, until
  // told otherwise).
  virtual void StartCall(std::size_t call) { (void)call; }
  virtual MeasuredValues Result() const = 0;
};

// Hands each row of call `call` to a reduction and, when `kept` is given,
// keeps it there (rows of one table per call: a call whose rows are kept
// receives no further tables).
class KeepingSink final : public RowSink {
 public:
  KeepingSink(Reduction& reduction, std::vector<KeptRow>* kept, std::uint32_t call);
  void Text(std::size_t field, std::string_view bytes) override;
  void Integer(std::size_t field, std::int64_t value) override;
  void StartTable(std::size_t table) override;
  void EndRow() override;

 private:
  KeptField& Field(std::size_t field);

  Reduction& reduction_;
  std::vector<KeptRow>* kept_;
  std::uint32_t call_;
  KeptRow row_;
};

// Hands kept rows to `reduction` as the backend handed them over.
void Replay(const std::vector<KeptRow>& rows, Reduction& reduction);

// Makes the function-module calls of a measurement over one connection.
class TableCaller {
 public:
  virtual QueryResult Call(const TableCall& call, RowSink& sink) = 0;

 protected:
  ~TableCaller() = default;
};

class Measurement {
 public:
  virtual ~Measurement() = default;

  // What MEASURE= names it by ("USERS").
  virtual std::string_view Key() const = 0;
  virtual const std::vector<ValueDefinition>& Values() const = 0;

  // The function-module calls, in order. Measure() makes them one after
  // the other into `reduction`, stopping at the first that does not
  // succeed; a measurement whose later calls depend on earlier answers
  // overrides Measure() instead.
  virtual std::vector<TableCall> Calls(const MeasureContext& context) const = 0;
  virtual std::unique_ptr<Reduction> Reduce(const MeasureContext& context) const = 0;
  virtual QueryResult Measure(TableCaller& caller, const MeasureContext& context,
                              Reduction& reduction, std::vector<KeptRow>* kept) const;

  // The document's text for one system's reading: "(PRD) System-Usage:
  // Active Users=6, ..."; `label` is the system as the text names it,
  // `client` CLIENT= (empty: every client).
  virtual std::string Summary(const MeasuredValues& reading, std::string_view label,
                              std::string_view client) const = 0;
  // The plain check listing that /CHECK shows instead of a document, its
  // last line ending in a line end.
  virtual std::string CheckListing(const MeasuredValues& reading) const = 0;
  // With SERVERS=ALL, the check listing's line for one counted server
  // after the system's values: its name and its first value.
  virtual std::string ServerLine(std::string_view server, const MeasuredValues& reading) const;
  // The numbered error for a call that failed in a way this measurement
  // knows ("Error 1042: No authorization to read table SNAP (S_TABU_NAM)
  // !"); empty for the general texts of a failed call.
  virtual std::string FailureText(const QueryResult& result) const {
    (void)result;
    return {};
  }
};

// A value as the documents write it: its integer, with the definition's
// decimals ("12.5" for 125 with one).
std::string ValueText(const ValueDefinition& definition, std::int64_t value);

// Measures `measurement` over an open connection: its calls made through
// `backend`, their rows reduced into `reading` (valid when the result is
// ok), and kept in `kept` when that is given.
QueryResult MeasureOver(RfcBackend& backend, ConnectionId connection,
                        const Measurement& measurement, const MeasureContext& context,
                        MeasuredValues* reading, std::vector<KeptRow>* kept = nullptr);

// The system's reading over several servers' (SERVERS=ALL): each value
// combined as its definition says; the values that need rows are worked
// out by replaying `rows` (every counted server's kept rows, in the server
// list's order) through one reduction.
MeasuredValues CombineReadings(const Measurement& measurement, const MeasureContext& context,
                               const std::vector<const MeasuredValues*>& readings,
                               const std::vector<const std::vector<KeptRow>*>& rows);

// True when some value of `measurement` is combined from rows: its servers'
// rows must then be kept (and sent back by a worker).
bool KeepsRows(const Measurement& measurement);

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_MEASUREMENT_H_
