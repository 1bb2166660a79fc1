#include "measure/work_processes.h"

namespace tolvaran {

bool ClassifyWorkProcess(std::string_view wpTyp, int wpItype, WorkProcessType* type) {
  if (wpItype == 1 || wpTyp == "DIA") {
    *type = WorkProcessType::kDialog;
  } else if (wpTyp == "BGD" || wpTyp == "BTC") {
    *type = WorkProcessType::kBackground;
  } else if (wpTyp == "UPD") {
    *type = WorkProcessType::kUpdate;
  } else if (wpTyp == "UP2") {
    *type = WorkProcessType::kUpdate2;
  } else if (wpTyp == "SPO") {
    *type = WorkProcessType::kSpool;
  } else if (wpTyp == "ENQ") {
    *type = WorkProcessType::kEnqueue;
  } else {
    return false;
  }
  return true;
}

void WorkProcessCounts::Add(std::string_view wpTyp, int wpItype, int wpIstatus) {
  WorkProcessType type;
  if (ClassifyWorkProcess(wpTyp, wpItype, &type)) {
    const auto i = static_cast<std::size_t>(type);
    ++total[i];
    if (wpIstatus != kWpWaiting) ++busy[i];
  }
  if (wpIstatus == kWpOnHold) {
    ++onHold;
  } else if (wpIstatus != kWpWaiting && wpIstatus != kWpRunning) {
    ++stopped;
  }
}

void WorkProcessCounts::Add(const WorkProcessCounts& other) {
  for (std::size_t i = 0; i < kWorkProcessTypeCount; ++i) {
    total[i] += other.total[i];
    busy[i] += other.busy[i];
  }
  onHold += other.onHold;
  stopped += other.stopped;
}

std::uint32_t WorkProcessCounts::DialogBusyPercent() const {
  const std::uint64_t all = Total(WorkProcessType::kDialog);
  if (all == 0) return 0;
  return static_cast<std::uint32_t>((Busy(WorkProcessType::kDialog) * 200ull + all) / (2 * all));
}

}  // namespace tolvaran
