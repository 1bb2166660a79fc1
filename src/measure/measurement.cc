#include "measure/measurement.h"

#include <algorithm>

namespace tolvaran {

namespace {

// The backend's table call over one connection.
class BackendCaller final : public TableCaller {
 public:
  BackendCaller(RfcBackend& backend, ConnectionId connection)
      : backend_(backend), connection_(connection) {}
  QueryResult Call(const TableCall& call, RowSink& sink) override {
    return backend_.CallTable(connection_, call, sink);
  }

 private:
  RfcBackend& backend_;
  ConnectionId connection_;
};

}  // namespace

KeepingSink::KeepingSink(Reduction& reduction, std::vector<KeptRow>* kept, std::uint32_t call)
    : reduction_(reduction), kept_(kept), call_(call) {}

void KeepingSink::Text(std::size_t field, std::string_view bytes) {
  reduction_.Text(field, bytes);
  if (kept_) Field(field).text.assign(bytes.data(), bytes.size());
}

void KeepingSink::Integer(std::size_t field, std::int64_t value) {
  reduction_.Integer(field, value);
  if (kept_) {
    KeptField& kept = Field(field);
    kept.isText = false;
    kept.integer = value;
  }
}

void KeepingSink::StartTable(std::size_t table) { reduction_.StartTable(table); }

void KeepingSink::EndRow() {
  reduction_.EndRow();
  if (kept_) {
    kept_->push_back(std::move(row_));
    row_ = KeptRow{};
  }
}

KeptField& KeepingSink::Field(std::size_t field) {
  row_.call = call_;
  if (row_.fields.size() <= field) row_.fields.resize(field + 1);
  return row_.fields[field];
}

QueryResult MeasureOver(RfcBackend& backend, ConnectionId connection,
                        const Measurement& measurement, const MeasureContext& context,
                        MeasuredValues* reading, std::vector<KeptRow>* kept) {
  BackendCaller caller(backend, connection);
  std::unique_ptr<Reduction> reduction = measurement.Reduce(context);
  QueryResult result = measurement.Measure(caller, context, *reduction, kept);
  *reading = reduction->Result();
  return result;
}

QueryResult Measurement::Measure(TableCaller& caller, const MeasureContext& context,
                                 Reduction& reduction, std::vector<KeptRow>* kept) const {
  QueryResult result;
  const std::vector<TableCall> calls = Calls(context);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    reduction.StartCall(i);
    KeepingSink sink(reduction, kept, static_cast<std::uint32_t>(i));
    result = caller.Call(calls[i], sink);
    if (result.aborted || result.outcome != kOutcomeOk) break;
  }
  return result;
}

std::string Measurement::ServerLine(std::string_view server, const MeasuredValues& reading) const {
  std::string line = " * Server.........: " + std::string(server);
  if (!Values().empty() && !reading.values.empty()) {
    line += std::string(" ") + Values()[0].channelName + "=" +
            ValueText(Values()[0], reading.values[0]);
  }
  return line + "\n";
}

void Replay(const std::vector<KeptRow>& rows, Reduction& reduction) {
  std::uint32_t call = 0;
  for (const KeptRow& row : rows) {
    if (row.call != call) {
      call = row.call;
      reduction.StartCall(call);
    }
    for (std::size_t i = 0; i < row.fields.size(); ++i) {
      const KeptField& field = row.fields[i];
      if (field.isText) {
        reduction.Text(i, field.text);
      } else {
        reduction.Integer(i, field.integer);
      }
    }
    reduction.EndRow();
  }
}

std::string ValueText(const ValueDefinition& definition, std::int64_t value) {
  std::string digits = std::to_string(value < 0 ? -static_cast<std::uint64_t>(value)
                                                : static_cast<std::uint64_t>(value));
  if (definition.decimals > 0) {
    const std::size_t places = static_cast<std::size_t>(definition.decimals);
    if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
    digits.insert(digits.size() - places, 1, '.');
  }
  return value < 0 ? "-" + digits : digits;
}

bool KeepsRows(const Measurement& measurement) {
  for (const ValueDefinition& value : measurement.Values()) {
    if (value.combine == Combine::kDistinct || value.combine == Combine::kReplay) return true;
  }
  return false;
}

MeasuredValues CombineReadings(const Measurement& measurement, const MeasureContext& context,
                               const std::vector<const MeasuredValues*>& readings,
                               const std::vector<const std::vector<KeptRow>*>& rows) {
  const std::vector<ValueDefinition>& values = measurement.Values();
  MeasuredValues combined;
  if (KeepsRows(measurement)) {
    std::unique_ptr<Reduction> reduction = measurement.Reduce(context);
    for (const std::vector<KeptRow>* server : rows) {
      reduction->StartCall(0);
      Replay(*server, *reduction);
    }
    combined = reduction->Result();
  }
  combined.values.resize(values.size(), 0);
  combined.atLeast.resize(values.size(), false);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Combine how = values[i].combine;
    if (how != Combine::kSum && how != Combine::kMaximum) continue;
    std::int64_t value = 0;
    bool atLeast = false;
    bool first = true;
    for (const MeasuredValues* reading : readings) {
      if (i >= reading->values.size()) continue;
      const std::int64_t v = reading->values[i];
      value = how == Combine::kSum ? value + v : first ? v : std::max(value, v);
      first = false;
      atLeast = atLeast || (i < reading->atLeast.size() && reading->atLeast[i]);
    }
    combined.values[i] = value;
    combined.atLeast[i] = atLeast;
  }
  return combined;
}

}  // namespace tolvaran
