#include "measure/host_cpu.h"

#include <memory>
#include <string>
#include <vector>

#include "measure/health_calls.h"

namespace tolvaran {

std::int32_t HostCpu::BusyPercent() const {
  const std::int32_t busy = 100 - idlePercent;
  return busy < 0 ? 0 : busy > 100 ? 100 : busy;
}

}  // namespace tolvaran

namespace tolvaran {

namespace {

using K = FieldRequest::Kind;

enum CpuField : std::size_t { kCpus, kLoad1, kLoad5, kLoad15, kUser, kSystem, kIdle };

class HostCpuReduction final : public Reduction {
 public:
  void Text(std::size_t, std::string_view) override {}
  void Integer(std::size_t field, std::int64_t value) override {
    if (rows_ > 0) return;  // the host's total is the first row
    const auto v = static_cast<std::int32_t>(value);
    switch (field) {
      case kCpus:
        cpu_.cpus = v;
        break;
      case kLoad1:
        cpu_.load1 = v;
        break;
      case kLoad5:
        cpu_.load5 = v;
        break;
      case kLoad15:
        cpu_.load15 = v;
        break;
      case kUser:
        cpu_.userPercent = v;
        break;
      case kSystem:
        cpu_.systemPercent = v;
        break;
      default:
        cpu_.idlePercent = v;
        break;
    }
  }
  void EndRow() override { ++rows_; }
  MeasuredValues Result() const override {
    MeasuredValues r;
    r.values = {cpu_.BusyPercent(), cpu_.userPercent, cpu_.systemPercent, cpu_.idlePercent,
                cpu_.load1,         cpu_.load5,       cpu_.load15,        cpu_.cpus};
    r.atLeast.assign(r.values.size(), false);
    return r;
  }

 private:
  HostCpu cpu_;
  int rows_ = 0;
};

class HostCpuMeasure final : public Measurement {
 public:
  std::string_view Key() const override { return "CPU"; }
  const std::vector<ValueDefinition>& Values() const override {
    // With SERVERS=ALL, the busiest host's.
    static const std::vector<ValueDefinition> values = {
        {"CPU_Busy", "CPU Busy", "tolvaran_cpu_busy_ratio", "The host's CPU busy (ST06).",
         Unit::kPercent, 0, true, Combine::kMaximum, 60, "", nullptr, 80, 95},
        {"CPU_User", "CPU User", "tolvaran_cpu_user_ratio", "The host's CPU in user mode.",
         Unit::kPercent, 0, true, Combine::kMaximum, 61},
        {"CPU_System", "CPU System", "tolvaran_cpu_system_ratio", "The host's CPU in system mode.",
         Unit::kPercent, 0, true, Combine::kMaximum, 62},
        {"CPU_Idle", "CPU Idle", "tolvaran_cpu_idle_ratio", "The host's CPU idle.", Unit::kPercent,
         0, true, Combine::kMaximum, 63},
        {"Load_Avg_1", "Load Average 1", "tolvaran_load1", "The host's load average, 1 minute.",
         Unit::kCount, 2, true, Combine::kMaximum, 64},
        {"Load_Avg_5", "Load Average 5", "tolvaran_load5", "The host's load average, 5 minutes.",
         Unit::kCount, 2, true, Combine::kMaximum, 65},
        {"Load_Avg_15", "Load Average 15", "tolvaran_load15",
         "The host's load average, 15 minutes.", Unit::kCount, 2, true, Combine::kMaximum, 66},
        {"CPU_Count", "CPUs", "tolvaran_cpus", "The host's CPUs.", Unit::kCount, 0, false,
         Combine::kMaximum, 67},
    };
    return values;
  }
  std::vector<TableCall> Calls(const MeasureContext&) const override {
    // GET_CPU_ALL's imports as the listing's CPU probe sends them.
    return {TableCall{"GET_CPU_ALL",
                      {CallArgument::Text("LOCAL_REMOTE", "LOCAL", 6),
                       CallArgument::Text("LOGICAL_DESTINATION", "", 32)},
                      "TF_CPU_ALL",
                      "CPU_ALL",
                      {{"NBR_CPU", K::kInteger, 4},
                       {"LOAD1_AVG", K::kInteger, 4},
                       {"LOAD5_AVG", K::kInteger, 4},
                       {"LOAD15_AVG", K::kInteger, 4},
                       {"USR_TOTAL", K::kInteger, 4},
                       {"SYS_TOTAL", K::kInteger, 4},
                       {"IDLE_TOTAL", K::kInteger, 4}}}};
  }
  std::unique_ptr<Reduction> Reduce(const MeasureContext&) const override {
    return std::make_unique<HostCpuReduction>();
  }
  std::string Summary(const MeasuredValues& r, std::string_view label,
                      std::string_view) const override {
    return "(" + std::string(label) + ") CPU Busy=" + std::to_string(r.values[0]) +
           "%, Load=" + DecimalText(r.values[4], 2) + ", CPUs=" + std::to_string(r.values[7]);
  }
  std::string CheckListing(const MeasuredValues& r) const override {
    return " * CPU Busy..........:  " + std::to_string(r.values[0]) +
           " %\n * Load Average......:  " + DecimalText(r.values[4], 2) + " " +
           DecimalText(r.values[5], 2) + " " + DecimalText(r.values[6], 2) +
           "\n * CPUs..............:  " + std::to_string(r.values[7]) +
           "\n * System-Check..:  Successfully \n";
  }
};

}  // namespace

const Measurement& HostCpuMeasurement() {
  static const HostCpuMeasure measurement;
  return measurement;
}

}  // namespace tolvaran
