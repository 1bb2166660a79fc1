#include "measure/lock_entries.h"

#include <optional>

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
