#include "measure/logon_time.h"

#include <memory>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "platform/deadline.h"

namespace tolvaran {

namespace {

class LogonReduction final : public Reduction {
 public:
  void Text(std::size_t, std::string_view) override {}
  void Integer(std::size_t, std::int64_t) override {}
  void EndRow() override {}
  MeasuredValues Result() const override {
    MeasuredValues r;
    r.values = {open_ < 0 ? 0 : open_, ping_};
    r.atLeast = {false, false};
    return r;
  }
  std::int64_t open_ = -1;
  std::int64_t ping_ = 0;
};

class LogonTime final : public Measurement {
 public:
  std::string_view Key() const override { return "LOGON"; }
  const std::vector<ValueDefinition>& Values() const override {
    static const std::vector<ValueDefinition> values = {
        {"Logon_Time", "Logon Time", "tolvaran_logon_seconds",
         "Time from the opening's start to an open connection.", Unit::kMilliseconds, 0, true,
         Combine::kMaximum, 70, "", nullptr, 2000, 5000},
        {"Round_Trip", "Round Trip", "tolvaran_round_trip_seconds", "Time of one call of RFC_PING.",
         Unit::kMilliseconds, 0, true, Combine::kMaximum, 71, "", nullptr, 500, 2000},
    };
    return values;
  }
  std::vector<TableCall> Calls(const MeasureContext&) const override {
    TableCall ping;
    ping.function = "RFC_PING";
    return {ping};
  }
  QueryResult Measure(TableCaller& caller, const MeasureContext& context, Reduction& reduction,
                      std::vector<KeptRow>*) const override {
    auto& logon = static_cast<LogonReduction&>(reduction);
    logon.open_ = context.openMilliseconds;
    const std::int64_t start = MonotonicMilliseconds();
    QueryResult result = caller.Call(Calls(context)[0], reduction);
    logon.ping_ = MonotonicMilliseconds() - start;
    return result;
  }
  std::unique_ptr<Reduction> Reduce(const MeasureContext&) const override {
    return std::make_unique<LogonReduction>();
  }
  std::string Summary(const MeasuredValues& r, std::string_view label,
                      std::string_view) const override {
    return "(" + std::string(label) + ") Logon=" + std::to_string(r.values[0]) +
           " ms, Round Trip=" + std::to_string(r.values[1]) + " ms";
  }
  std::string CheckListing(const MeasuredValues& r) const override {
    return " * Logon Time........:  " + std::to_string(r.values[0]) +
           " ms\n * Round Trip........:  " + std::to_string(r.values[1]) +
           " ms\n * System-Check..:  Successfully \n";
  }
};

}  // namespace

const Measurement& LogonTimeMeasurement() {
  static const LogonTime measurement;
  return measurement;
}

}  // namespace tolvaran
