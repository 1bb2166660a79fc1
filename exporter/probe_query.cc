#include "exporter/probe_query.h"

#include <algorithm>
#include <cstdlib>

#include "text/ascii_text.h"

namespace tolvaran {

namespace {

constexpr std::size_t kTargetLimit = 59;

bool IsAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Why `target` is no bare profile name of the profile directory; empty
// when it is one.
std::string TargetRefusal(const std::string& target) {
  if (target.empty()) return "target= is empty";
  if (target.size() > kTargetLimit) return "target= is longer than 59 characters";
  if (!IsAlnum(target[0])) return "target= must start with a letter or digit";
  for (char c : target) {
    if (!IsAlnum(c) && c != '.' && c != '_' && c != '-') {
      return "target= is a bare profile name: letters, digits, '.', '_' and '-' only";
    }
  }
  if (target.find("..") != std::string::npos) return "target= must not contain \"..\"";
  std::string completed = AsciiUpper(target);
  if (!(completed.size() >= 4 && completed[completed.size() - 4] == '.')) completed += ".P00";
  if (completed == "GLOBAL.P00") return "target=global names the global sensor file, no system";
  return "";
}

bool AllOf(const std::string& text, bool (*accept)(char)) {
  for (char c : text) {
    if (!accept(c)) return false;
  }
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsMeasureChar(char c) { return IsAlnum(c) || c == '_' || c == ',' || c == '.' || c == '-'; }

std::size_t JoinedSize(const std::vector<std::string>& args, std::size_t from) {
  std::size_t size = 0;
  for (std::size_t i = from; i < args.size(); ++i) size += args[i].size() + (i > from ? 1 : 0);
  return size;
}

}  // namespace

ParsedQuery ParseProbeQuery(const std::vector<std::pair<std::string, std::string>>& params) {
  ParsedQuery parsed;
  bool seen[4] = {false, false, false, false};
  static const char* const kKeys[] = {"target", "client", "servers", "measure"};
  for (const auto& [key, value] : params) {
    int index = -1;
    for (int i = 0; i < 4; ++i) {
      if (key == kKeys[i]) index = i;
    }
    if (index < 0) {
      parsed.reason = key == "item" ? "item= is not served: scrape each system as a target"
                                    : "unknown parameter " + key + "=";
      return parsed;
    }
    if (seen[index]) {
      parsed.reason = key + "= given twice";
      return parsed;
    }
    seen[index] = true;
    switch (index) {
      case 0:
        parsed.query.target = value;
        break;
      case 1:
        if (value.empty() || value.size() > 3 || !AllOf(value, IsDigit)) {
          parsed.reason = "client= is a client number of 1 to 3 digits";
          return parsed;
        }
        parsed.query.client = value;
        break;
      case 2: {
        std::string upper = AsciiUpper(value);
        if (upper != "ALL" && upper != "ONE") {
          parsed.reason = "servers= is all or one";
          return parsed;
        }
        parsed.query.allServers = upper == "ALL";
        break;
      }
      default:
        if (value.empty() || !AllOf(value, IsMeasureChar)) {
          parsed.reason = "measure= is a list of names: letters, digits, '_', '.', '-' and ','";
          return parsed;
        }
        parsed.query.measure = value;
        break;
    }
  }
  if (!seen[0]) {
    parsed.reason = "target= is missing";
    return parsed;
  }
  parsed.reason = TargetRefusal(parsed.query.target);
  if (!parsed.reason.empty()) return parsed;
  // The longest TIMEOUT= the check can get.
  if (JoinedSize(CheckArguments(parsed.query, 900), 1) > kParameterTextLimit) {
    parsed.reason = "the check's parameters would be longer than 119 characters";
    return parsed;
  }
  parsed.ok = true;
  return parsed;
}

std::string TargetKey(std::string_view target) { return AsciiUpper(target); }

std::vector<std::string> CheckArguments(const ProbeQuery& query, int timeoutSeconds) {
  std::vector<std::string> args = {query.target, "FORMAT=OPENMETRICS", "@",
                                   "TIMEOUT=" + std::to_string(timeoutSeconds)};
  if (!query.client.empty()) args.push_back("CLIENT=" + query.client);
  if (query.allServers) args.push_back("SERVERS=ALL");
  if (!query.measure.empty()) args.push_back("MEASURE=" + query.measure);
  return args;
}

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The quality of one media range ("type/sub;version=1.0.0;q=0.5"): 1
// without q=, 0 for a q= that is no number from 0 to 1.
double Quality(std::string_view range) {
  std::size_t semi;
  while ((semi = range.find(';')) != std::string_view::npos) {
    range.remove_prefix(semi + 1);
    std::string_view param = Trim(range.substr(0, range.find(';')));
    if (param.size() > 2 && (param[0] == 'q' || param[0] == 'Q') && param[1] == '=') {
      std::string number(param.substr(2));
      char* end = nullptr;
      double q = std::strtod(number.c_str(), &end);
      if (end == number.c_str() || *end != '\0' || !(q >= 0 && q <= 1)) return 0;
      return q;
    }
  }
  return 1;
}

}  // namespace

ExpositionFormat NegotiateFormat(std::string_view accept) {
  double openMetrics = -1, text = -1, any = -1;
  while (!accept.empty()) {
    std::size_t comma = accept.find(',');
    std::string_view range = Trim(accept.substr(0, comma));
    accept = comma == std::string_view::npos ? std::string_view() : accept.substr(comma + 1);
    std::string type = AsciiLower(Trim(range.substr(0, range.find(';'))));
    double q = Quality(range);
    if (type == "application/openmetrics-text") {
      openMetrics = std::max(openMetrics, q);
    } else if (type == "text/plain") {
      text = std::max(text, q);
    } else if (type == "*/*") {
      any = std::max(any, q);
    }
  }
  return openMetrics > 0 && openMetrics > text && openMetrics > any
             ? ExpositionFormat::kOpenMetrics
             : ExpositionFormat::kPrometheusText;
}

const char* ContentType(ExpositionFormat format) {
  return format == ExpositionFormat::kOpenMetrics
             ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
             : "text/plain; version=0.0.4; charset=utf-8";
}

bool ProbeDeadlineMs(std::string_view header, std::int64_t configuredMs, std::int64_t marginMs,
                     std::int64_t* deadlineMs, std::string* reason) {
  *deadlineMs = configuredMs;
  header = Trim(header);
  if (header.empty()) return true;
  std::string number(header);
  char* end = nullptr;
  double seconds = std::strtod(number.c_str(), &end);
  if (end == number.c_str() || *end != '\0' || !(seconds > 0 && seconds <= 86400)) {
    *reason = "X-Prometheus-Scrape-Timeout-Seconds is no number of seconds";
    return false;
  }
  std::int64_t scrapeMs = static_cast<std::int64_t>(seconds * 1000) - marginMs;
  if (scrapeMs < 100) {
    *reason = "X-Prometheus-Scrape-Timeout-Seconds leaves no time after the margin";
    return false;
  }
  if (scrapeMs < *deadlineMs) *deadlineMs = scrapeMs;
  return true;
}

}  // namespace tolvaran
