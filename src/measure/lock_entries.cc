#include "measure/lock_entries.h"

#include <optional>
#include <string>

#include "measure/windowed_measurement.h"

namespace tolvaran {

void LockSummary::Add(std::string_view gtDate, std::string_view gtTime, SapInstant now) {
  ++locks;
  std::optional<SapInstant> taken = SapInstant::Parse(gtDate, gtTime);
  if (!taken) return;
  const std::int64_t minutes = MinutesBetween(*taken, now);
  if (minutes > oldestMinutes) {
    oldestMinutes = minutes > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<std::uint32_t>(minutes);
  }
}

}  // namespace tolvaran

namespace tolvaran {

namespace {

using K = FieldRequest::Kind;

class LockEntriesReduction final : public ClockedReduction {
 public:
  // ENQUEUE_READ's rows are table 0 of the second call, GTDATE and GTTIME.
  void Text(std::size_t field, std::string_view bytes) override {
    if (call_ != 1) return;
    (field == 0 ? date_ : time_).assign(bytes.data(), bytes.size());
  }
  void EndRow() override {
    if (call_ == 1) summary_.Add(date_, time_, now_);
  }
  MeasuredValues Result() const override {
    MeasuredValues r;
    r.values = {summary_.locks, summary_.oldestMinutes};
    r.atLeast = {false, false};
    return r;
  }

 protected:
  void Row(const FieldLayout&, std::string_view) override {}

 private:
  std::string date_, time_;
  LockSummary summary_;
};

class LockEntries final : public WindowedMeasurement {
 public:
  std::string_view Key() const override { return "LOCKS"; }
  const std::vector<ValueDefinition>& Values() const override {
    // The lock table is the system's (the enqueue server's): maxima over
    // servers.
    static const std::vector<ValueDefinition> values = {
        {"Lock_Entries", "Lock Entries", "tolvaran_lock_entries",
         "Entries of the lock table (SM12).", Unit::kCount, 0, true, Combine::kMaximum, 55},
        {"Oldest_Lock", "Oldest Lock", "tolvaran_oldest_lock_age_seconds",
         "Age of the oldest lock entry.", Unit::kMinutes, 0, true, Combine::kMaximum, 56, "",
         nullptr, 60, 240},
    };
    return values;
  }
  std::unique_ptr<Reduction> Reduce(const MeasureContext&) const override {
    return std::make_unique<LockEntriesReduction>();
  }
  std::string Summary(const MeasuredValues& r, std::string_view label,
                      std::string_view) const override {
    return "(" + std::string(label) + ") Lock Entries=" + std::to_string(r.values[0]) +
           ", oldest " + std::to_string(r.values[1]) + " min";
  }
  std::string CheckListing(const MeasuredValues& r) const override {
    return " * Lock Entries......:  " + std::to_string(r.values[0]) +
           "\n * Oldest Lock.......:  " + std::to_string(r.values[1]) +
           " min\n * System-Check..:  Successfully \n";
  }

 protected:
  TableCall Query(SapInstant, const MeasureContext&) const override {
    TableCall call;
    call.function = "ENQUEUE_READ";
    call.arguments = {CallArgument::Text("GCLIENT", "*", 3), CallArgument::Text("GUNAME", "*", 12)};
    call.table = "ENQ";
    call.structure = "SEQG3";
    call.fields = {{"GTDATE", K::kText, 8}, {"GTTIME", K::kText, 6}};
    return call;
  }
};

}  // namespace

const Measurement& LockEntriesMeasurement() {
  static const LockEntries measurement;
  return measurement;
}

}  // namespace tolvaran
