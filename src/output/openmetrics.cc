#include "output/openmetrics.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "measure/health_calls.h"
#include "output/xml_text.h"

namespace tolvaran {

namespace {

// One system as the exposition shows it.
struct Subject {
  std::string name;
  const MeasuredValues* values;  // null when the check failed
  const RunError* error;         // when it failed
  const ServerCount* servers;    // with its values; total 0 without SERVERS=ALL
};

void Family(std::string* out, std::string_view name, std::string_view type, std::string_view help) {
  *out += "# TYPE ";
  *out += name;
  *out += ' ';
  *out += type;
  *out += "\n# HELP ";
  *out += name;
  *out += ' ';
  *out += help;
  *out += '\n';
}

// One SERVERS=ALL gauge: `field` of each counted system that has a server
// list.
void ServerGauge(std::string* out, const std::vector<Subject>& subjects, std::string_view name,
                 std::string_view help, std::uint32_t ServerCount::*field) {
  Family(out, name, "gauge", help);
  for (const Subject& subject : subjects) {
    if (!subject.values || subject.servers->total == 0) continue;
    *out += name;
    *out += "{system=" + LabelValue(subject.name) + "} ";
    *out += std::to_string(subject.servers->*field) + '\n';
  }
}

// `missing`: a listing's missing profiles; null for a single run.
std::string Exposition(const Measurement* measurement, const std::vector<Subject>& subjects,
                       const std::string& client, const std::vector<std::string>* missing) {
  std::string out;
  Family(&out, "tolvaran_up", "gauge", "1 when the system's user list was counted, 0 when not.");
  for (const Subject& subject : subjects) {
    out += "tolvaran_up{system=" + LabelValue(subject.name) + "} ";
    out += subject.values ? "1\n" : "0\n";
  }
  bool anyValues = false;
  for (const Subject& subject : subjects) anyValues = anyValues || subject.values;
  if (anyValues && measurement) {
    // One family per name, in the order of its first value; its samples
    // told apart by the values' labels.
    const std::vector<ValueDefinition>& values = measurement->Values();
    std::vector<std::string_view> written;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const std::string_view name = values[i].metricName;
      if (std::find(written.begin(), written.end(), name) != written.end()) continue;
      written.push_back(name);
      std::string_view help = values[i].help;
      for (std::size_t j = i; j < values.size() && help.empty(); ++j) {
        if (name == values[j].metricName) help = values[j].help;
      }
      Family(&out, name, "gauge", help);
      if (values[i].unit == Unit::kPercent) out += "# UNIT " + std::string(name) + " ratio\n";
      if (values[i].unit == Unit::kMilliseconds || values[i].unit == Unit::kMinutes) {
        out += "# UNIT " + std::string(name) + " seconds\n";
      }
      for (const Subject& subject : subjects) {
        for (std::size_t j = i; j < values.size(); ++j) {
          if (name != values[j].metricName || !subject.values ||
              j >= subject.values->values.size()) {
            continue;
          }
          out += values[j].metricName;
          out += "{system=" + LabelValue(subject.name);
          if (!client.empty()) out += ",client=" + LabelValue(client);
          if (values[j].metricLabel) out += std::string(",") + values[j].metricLabel;
          out += "} " + BaseUnitValue(values[j], subject.values->values[j]) + '\n';
        }
      }
    }
  }
  // SERVERS=ALL: how many of each system's servers the values are over.
  bool anyServers = false;
  for (const Subject& subject : subjects) {
    anyServers = anyServers || (subject.values && subject.servers->total > 0);
  }
  if (anyServers) {
    ServerGauge(&out, subjects, "tolvaran_servers",
                "The system's application servers in its server list (SERVERS=ALL).",
                &ServerCount::total);
    ServerGauge(&out, subjects, "tolvaran_servers_counted",
                "Of the system's application servers, those whose user list was counted.",
                &ServerCount::counted);
  }
  bool anyErrors = false;
  for (const Subject& subject : subjects) anyErrors = anyErrors || !subject.values;
  if (anyErrors) {
    Family(&out, "tolvaran_error", "info", "The error that kept the system from being counted.");
    for (const Subject& subject : subjects) {
      if (subject.values) continue;
      out += "tolvaran_error_info{system=" + LabelValue(subject.name);
      out += ",code=\"" + std::to_string(subject.error->number) + "\"} 1\n";
    }
  }
  // Always written for a listing, so that an alert on it sees 0 rather
  // than no sample when every listed profile is there.
  if (missing) {
    Family(&out, "tolvaran_profiles_missing", "gauge",
           "Listed systems whose profile is missing: not checked, so not in tolvaran_up.");
    out += "tolvaran_profiles_missing " + std::to_string(missing->size()) + '\n';
  }
  out += "# EOF\n";
  return out;
}

}  // namespace

std::string BaseUnitValue(const ValueDefinition& d, std::int64_t value) {
  switch (d.unit) {
    case Unit::kPercent:
      return DecimalText(value, d.decimals + 2);
    case Unit::kMilliseconds:
      return DecimalText(value, d.decimals + 3);
    case Unit::kMinutes:
      return DecimalText(value * 60, d.decimals);
    case Unit::kCount:
      break;
  }
  return ValueText(d, value);
}

std::string LabelValue(std::string_view text) {
  std::string out = "\"";
  for (char c : ToUtf8Text(text)) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

RenderedOutput RenderOpenMetrics(const CheckReport& report) {
  std::vector<Subject> subjects;
  const Measurement* measurement = report.measurement;
  const std::vector<std::string>* missing = nullptr;
  switch (report.kind) {
    case CheckReport::Kind::kSingle:
      subjects.push_back({report.system, &report.reading, nullptr, &report.servers});
      break;
    case CheckReport::Kind::kError:
      subjects.push_back({report.system, nullptr, &report.error, &report.servers});
      break;
    case CheckReport::Kind::kListing:
      measurement = report.listing.measurement;
      for (const ShownSystem& shown : ShownSystems(report.listing)) {
        const ListedSystem& system = *shown.system;
        const bool counted = system.state != SystemState::kFailed;
        subjects.push_back(
            {shown.name, counted ? &system.reading : nullptr, &system.error, &system.servers});
      }
      missing = &report.listing.missing;
      break;
  }
  return {Exposition(measurement, subjects, report.client, missing), 0};
}

}  // namespace tolvaran
