#include "measure/health_calls.h"

#include <cstdlib>

namespace tolvaran {

namespace {

using K = FieldRequest::Kind;

// RFC_READ_TABLE's table structures (the DDIC's, as RFC_READ_TABLE's
// interface names them): OPTIONS of RFC_DB_OPT (TEXT C72), FIELDS of
// RFC_DB_FLD (FIELDNAME C30, OFFSET N6, LENGTH N6, TYPE C1, FIELDTEXT C60),
// DATA of TAB512 (WA C512).
constexpr unsigned kFieldNameWidth = 30;
constexpr unsigned kNumberWidth = 6;

}  // namespace

TableCall ClockCall() {
  TableCall call;
  call.function = "BDL_GET_CENTRAL_TIMESTAMP";
  call.exports = {{"TAG", K::kText, 8}, {"UHRZEIT", K::kText, 6}};
  return call;
}

void ClockSink::Text(std::size_t field, std::string_view bytes) {
  (field == 0 ? date_ : time_).assign(bytes.data(), bytes.size());
}

void ClockSink::EndRow() { now = SapInstant::Parse(date_, time_); }

TableCall ReadTableCall(std::string_view table, const WhereClause& where,
                        const std::vector<std::string>& fields) {
  TableCall call;
  call.function = "RFC_READ_TABLE";
  // No delimiter: every field is read at the offset FIELDS gives.
  call.arguments = {CallArgument::Text("QUERY_TABLE", std::string(table), 30),
                    CallArgument::Text("DELIMITER", "", 1)};
  SentTable options{"OPTIONS", "RFC_DB_OPT", {{"TEXT", K::kText, kOptionLineWidth}}, {}};
  for (std::string& line : where.Lines()) options.rows.push_back({std::move(line)});
  SentTable asked{"FIELDS", "RFC_DB_FLD", {{"FIELDNAME", K::kText, kFieldNameWidth}}, {}};
  for (const std::string& field : fields) asked.rows.push_back({field});
  call.sent = {std::move(options), std::move(asked)};
  call.table = "FIELDS";
  call.structure = "RFC_DB_FLD";
  call.fields = {{"FIELDNAME", K::kText, kFieldNameWidth},
                 {"OFFSET", K::kText, kNumberWidth},
                 {"LENGTH", K::kText, kNumberWidth}};
  call.alsoReceived = {{"DATA", "TAB512", {{"WA", K::kText, kDataRowWidth}}}};
  return call;
}

void ReadTableReduction::StartCall(std::size_t call) {
  call_ = call;
  table_ = 0;
}

void ReadTableReduction::Text(std::size_t field, std::string_view bytes) {
  if (call_ != tableCall_) return;
  if (table_ == 1) {
    data_.assign(bytes.data(), bytes.size());
  } else if (table_ == 0) {
    (field == 0 ? name_ : field == 1 ? offset_ : length_).assign(bytes.data(), bytes.size());
  }
}

void ReadTableReduction::EndRow() {
  if (call_ != tableCall_) return;
  if (table_ == 1) {
    Row(layout_, data_);
  } else if (table_ == 0) {
    layout_.Add(name_, offset_, length_);
  }
}

std::string ReadTableFailure(const QueryResult& result, std::string_view table) {
  if (result.aborted || result.outcome != kOutcomeException) return {};
  const std::string_view exception = TrimRight(result.exceptionText);
  if (exception == "NOT_AUTHORIZED") {
    return "Error 1042: No authorization to read table " + std::string(table) + " (S_TABU_NAM) !";
  }
  if (exception == "TABLE_NOT_AVAILABLE") {
    return "Error 1043: Table " + std::string(table) + " not available !";
  }
  return {};
}

std::string DecimalText(std::int64_t value, int decimals) {
  std::string text = std::to_string(std::llabs(value));
  if (decimals > 0) {
    if (text.size() <= static_cast<std::size_t>(decimals)) {
      text.insert(0, static_cast<std::size_t>(decimals) + 1 - text.size(), '0');
    }
    text.insert(text.size() - static_cast<std::size_t>(decimals), ".");
  }
  return value < 0 ? "-" + text : text;
}

}  // namespace tolvaran
