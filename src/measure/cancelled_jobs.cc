#include "measure/cancelled_jobs.h"

#include <algorithm>

#include "measure/windowed_measurement.h"

namespace tolvaran {

void CancelledJobSummary::Add(std::string_view jobName, std::string_view endDate,
                              std::string_view endTime) {
  ++jobs;
  newest_.push_back({std::string(endDate) + std::string(endTime), std::string(jobName)});
  // Kept to the few that can be named, so that a day of failures costs no
  // more than a handful of names.
  std::sort(newest_.begin(), newest_.end(), [](const Ended& a, const Ended& b) {
    return a.stamp != b.stamp ? a.stamp > b.stamp : a.name < b.name;
  });
  if (newest_.size() > kNamed) newest_.resize(kNamed);
}

std::vector<std::string> CancelledJobSummary::Newest() const {
  std::vector<std::string> names;
  for (const Ended& job : newest_) names.push_back(job.name);
  return names;
}

}  // namespace tolvaran

namespace tolvaran {

namespace {

class CancelledJobsReduction final : public ClockedReduction {
 public:
  explicit CancelledJobsReduction(int window) : window_(window) {}
  MeasuredValues Result() const override {
    MeasuredValues r;
    r.values = {summary_.jobs};
    r.atLeast = {false};
    std::string names;
    for (const std::string& name : summary_.Newest()) names += (names.empty() ? "" : " ") + name;
    r.notes = {names, std::to_string(window_)};
    return r;
  }

 protected:
  void Row(const FieldLayout& layout, std::string_view data) override {
    summary_.Add(layout.Take(data, "JOBNAME"), layout.Take(data, "ENDDATE"),
                 layout.Take(data, "ENDTIME"));
  }

 private:
  int window_;
  CancelledJobSummary summary_;
};

class CancelledJobs final : public WindowedMeasurement {
 public:
  std::string_view Key() const override { return "JOBS"; }
  const std::vector<ValueDefinition>& Values() const override {
    static const std::vector<ValueDefinition> values = {
        {"Cancelled_Jobs", "Cancelled Jobs", "tolvaran_cancelled_jobs",
         "Background jobs cancelled in the window (SM37).", Unit::kCount, 0, true,
         Combine::kMaximum, 45, "", nullptr, 0, 5},
    };
    return values;
  }
  std::unique_ptr<Reduction> Reduce(const MeasureContext& context) const override {
    return std::make_unique<CancelledJobsReduction>(context.windowMinutes);
  }
  std::string Summary(const MeasuredValues& r, std::string_view label,
                      std::string_view) const override {
    std::string text = "(" + std::string(label) +
                       ") Cancelled Jobs=" + std::to_string(r.values[0]) + " in " + r.notes[1] +
                       " min";
    if (r.values[0] > 0) text += ", newest " + r.notes[0];
    return text;
  }
  std::string CheckListing(const MeasuredValues& r) const override {
    return " * Cancelled Jobs....:  " + std::to_string(r.values[0]) + " in " + r.notes[1] +
           " min\n * Newest............:  " + (r.notes[0].empty() ? "-" : r.notes[0]) +
           "\n * System-Check..:  Successfully \n";
  }
  std::string FailureText(const QueryResult& result) const override {
    return ReadTableFailure(result, "TBTCO");
  }

 protected:
  TableCall Query(SapInstant now, const MeasureContext& context) const override {
    const SapWindow window = SapWindow::Last(now, context.windowMinutes);
    WhereClause where;
    where.Compare("STATUS", "=", "A").And();
    where.Within("ENDDATE", "ENDTIME", window.from.Date(), window.from.Time(), window.to.Date(),
                 window.to.Time());
    return ReadTableCall("TBTCO", where, {"JOBNAME", "ENDDATE", "ENDTIME"});
  }
};

}  // namespace

const Measurement& CancelledJobsMeasurement() {
  static const CancelledJobs measurement;
  return measurement;
}

}  // namespace tolvaran
