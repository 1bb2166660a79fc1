#include "output/prometheus_text.h"

#include <functional>
#include <map>
#include <vector>

namespace tolvaran {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool StartsWith(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

namespace {}  // namespace

std::string ToPrometheusText(std::string_view openMetrics) {
  std::vector<std::string_view> lines = Lines(openMetrics);
  // Families whose samples carry a suffix that 0.0.4 names the family by.
  std::map<std::string, std::string, std::less<>> renamed;
  std::map<std::string, std::string, std::less<>> types;
  for (std::string_view line : lines) {
    if (!StartsWith(line, "# TYPE ")) continue;
    std::string_view rest = line.substr(7);
    std::size_t blank = rest.find(' ');
    if (blank == std::string_view::npos) continue;
    std::string name(rest.substr(0, blank));
    std::string type(rest.substr(blank + 1));
    types[name] = type;
    if (type == "info") renamed[name] = name + "_info";
    if (type == "counter") renamed[name] = name + "_total";
  }
  auto nameOf = [&renamed](std::string_view name) {
    auto it = renamed.find(name);
    return it == renamed.end() ? std::string(name) : it->second;
  };
  std::string out;
  for (std::string_view line : lines) {
    if (line == "# EOF" || StartsWith(line, "# UNIT ")) continue;
    if (StartsWith(line, "# TYPE ") || StartsWith(line, "# HELP ")) {
      const bool isType = line[2] == 'T';
      std::string_view rest = line.substr(7);
      std::size_t blank = rest.find(' ');
      std::string_view name = rest.substr(0, blank);
      std::string_view tail = blank == std::string_view::npos ? "" : rest.substr(blank + 1);
      out += isType ? "# TYPE " : "# HELP ";
      out += nameOf(name);
      out += ' ';
      if (isType) {
        std::string type(tail);
        if (type == "info" || type == "stateset") type = "gauge";
        if (type == "unknown" || type == "gaugehistogram") type = "untyped";
        out += type;
      } else {
        // OpenMetrics escapes '"' in HELP; the text format does not.
        for (std::size_t i = 0; i < tail.size(); ++i) {
          if (tail[i] == '\\' && i + 1 < tail.size() && tail[i + 1] == '"') continue;
          out += tail[i];
          if (tail[i] == '\\' && i + 1 < tail.size()) out += tail[++i];
        }
      }
      out += '\n';
      continue;
    }
    if (!line.empty() && line[0] != '#') {
      std::size_t end = line.find_first_of("{ ");
      std::string_view name = line.substr(0, end);
      const std::string_view created = "_created";
      if (name.size() > created.size() && name.substr(name.size() - created.size()) == created) {
        auto family = types.find(name.substr(0, name.size() - created.size()));
        if (family != types.end() && family->second != "gauge") continue;
      }
    }
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace tolvaran
