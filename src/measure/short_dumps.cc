#include "measure/short_dumps.h"

#include "measure/read_table.h"

namespace tolvaran {

std::string RuntimeErrorName(std::string_view flist) {
  if (flist.size() < 5 || flist.substr(0, 2) != "FC") return {};
  std::size_t length = 0;
  bool digits = true;
  for (char c : flist.substr(2, 3)) {
    if (c < '0' || c > '9') digits = false;
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  std::string_view name = flist.substr(5);
  if (digits) {
    name = name.substr(0, length);
  } else {
    name = name.substr(0, name.find("AP0"));
  }
  return std::string(TrimRight(name));
}

void ShortDumpSummary::Add(std::string_view flist) {
  ++dumps;
  ++byError[RuntimeErrorName(flist)];
}

std::string ShortDumpSummary::TopError() const {
  std::string top;
  std::uint32_t count = 0;
  for (const auto& [name, n] : byError) {
    if (n > count) {
      top = name;
      count = n;
    }
  }
  return top;
}

std::uint32_t ShortDumpSummary::TopCount() const {
  std::uint32_t count = 0;
  for (const auto& entry : byError) {
    if (entry.second > count) count = entry.second;
  }
  return count;
}

}  // namespace tolvaran
