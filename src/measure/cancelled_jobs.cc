#include "measure/cancelled_jobs.h"

#include <algorithm>

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
