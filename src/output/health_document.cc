#include "output/health_document.h"

#include <algorithm>
#include <cstdint>

#include "measure/health_calls.h"
#include "output/channel.h"
#include "output/openmetrics.h"
#include "output/script_v2.h"
#include "output/threshold_range.h"
#include "output/xml_text.h"

namespace tolvaran {

namespace {

// One value as the dialects see it.
struct Shown {
  const ValueDefinition* definition;
  std::int64_t value;
};

std::vector<Shown> ShownValues(const HealthReport& report) {
  std::vector<Shown> shown;
  for (const MeasuredPart& part : report.parts) {
    if (!part.failure.empty()) continue;
    const std::vector<ValueDefinition>& values = part.measurement->Values();
    for (std::size_t i = 0; i < values.size() && i < part.reading.values.size(); ++i) {
      shown.push_back(Shown{&values[i], part.reading.values[i]});
    }
  }
  return shown;
}

std::string XmlChannel(const Shown& s, bool warning) {
  const ValueDefinition& d = *s.definition;
  std::string out = "\n<Result><Channel>" + EscapeXmlText(d.displayName) + "</Channel>";
  out += XmlUnitTags(d.unit);
  out += "\n<Value>" + ValueText(d, s.value) + "</Value>";
  if (d.decimals > 0) out += "\n<Float>1</Float>";
  out += XmlLimitTags(d);
  if (warning) out += "\n<Warning>1</Warning>";
  out += "</Result>\n";
  return out;
}

}  // namespace

bool HealthReport::Partial() const {
  for (const MeasuredPart& part : parts) {
    if (!part.failure.empty() || part.reading.partial) return true;
  }
  return false;
}

std::string HealthReport::Text() const {
  const std::string prefix = "(" + system + ") ";
  std::string text;
  for (const MeasuredPart& part : parts) {
    if (!part.failure.empty()) continue;
    std::string summary = part.measurement->Summary(part.reading, system, client);
    if (!text.empty()) {
      if (summary.compare(0, prefix.size(), prefix) == 0) summary.erase(0, prefix.size());
      text += "; ";
    }
    text += summary;
  }
  for (const MeasuredPart& part : parts) {
    if (part.failure.empty()) continue;
    text += (text.empty() ? prefix : "; ") + std::string(part.measurement->Key()) +
            " failed: " + part.failure;
  }
  const std::size_t values = ShownValues(*this).size();
  if (values > kMaxDocumentChannels) {
    text += "; " + std::to_string(values - kMaxDocumentChannels) + " more values left out";
  }
  return text;
}

std::string HealthDocument(OutputFlavour dialect, ChannelSelector selector,
                           const HealthReport& report) {
  std::vector<Shown> shown = ShownValues(report);
  if (shown.size() > kMaxDocumentChannels) shown.resize(kMaxDocumentChannels);
  const bool warning = report.Partial();
  const std::string text = report.Text();
  switch (dialect) {
    case OutputFlavour::kExeXml:
    case OutputFlavour::kMirvane:
    case OutputFlavour::kFandrok: {
      std::string out = "\n<Prtg>\n\n<Text>" + EscapeXmlText(text) + "</Text>\n";
      for (const Shown& s : shown) out += XmlChannel(s, warning);
      return out + "\n</Prtg>\n";
    }
    case OutputFlavour::kTembrel:
      if (selector.active) {
        // The selected channel's value alone (numbered from 1).
        if (selector.number < 1 || static_cast<std::size_t>(selector.number) > shown.size()) {
          return "\n";
        }
        const Shown& s = shown[static_cast<std::size_t>(selector.number) - 1];
        return ValueText(*s.definition, s.value) + "\n";
      }
      [[fallthrough]];
    case OutputFlavour::kQuillrax: {
      std::string out = "\n# " + text;
      for (const Shown& s : shown) {
        Channel channel;
        channel.name = s.definition->channelName;
        channel.displayName = s.definition->displayName;
        channel.value = ValueText(*s.definition, s.value);
        channel.unit = KeyedUnit(s.definition->unit);
        out += ChannelText(dialect, channel);
      }
      return out + "\n";
    }
  }
  return {};
}

RenderedOutput HealthScriptV2(const HealthReport& report) {
  std::vector<Shown> shown = ShownValues(report);
  if (shown.size() > kScriptV2MaxChannels) shown.resize(kScriptV2MaxChannels);
  std::string out = "{\"version\":2,\"status\":\"";
  out += report.Partial() ? "warning" : "ok";
  out += "\",\"message\":" + JsonString(ScriptV2Message(report.Text()));
  if (!shown.empty()) {
    out += ",\"channels\":[";
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const ValueDefinition& d = *shown[i].definition;
      if (i) out += ',';
      out += "{\"id\":" + std::to_string(d.scriptV2Id) + ",\"name\":" + JsonString(d.displayName);
      out += d.decimals > 0 ? ",\"type\":\"float\",\"value\":" : ",\"type\":\"integer\",\"value\":";
      out += ValueText(d, shown[i].value) + "}";
    }
    out += ']';
  }
  return RenderedOutput{out + "}\n", 0};
}

RenderedOutput HealthPlugin(const HealthReport& report, const PluginThresholds& thresholds) {
  // WARN= and CRIT= apply to the value their label names ("Short_Dumps"),
  // by default to Active Users; every other value with default limits is
  // judged by them (above the warning limit WARNING, above the error limit
  // CRITICAL).
  PluginState state = report.Partial() ? PluginState::kWarning : PluginState::kOk;
  std::vector<std::string> breaches;
  std::string perfdata;
  auto worse = [&state](PluginState s) {
    if (static_cast<int>(s) > static_cast<int>(state)) state = s;
  };
  for (const Shown& s : ShownValues(report)) {
    const ValueDefinition& d = *s.definition;
    const double value = static_cast<double>(s.value) / (d.decimals == 1   ? 10.0
                                                         : d.decimals == 2 ? 100.0
                                                                           : 1.0);
    const std::string label = d.channelName;
    const std::string warnLabel =
        thresholds.warnLabel.empty() ? "Active_Users" : thresholds.warnLabel;
    const std::string critLabel =
        thresholds.critLabel.empty() ? "Active_Users" : thresholds.critLabel;
    std::string warnText, critText;
    if (thresholds.warn && label == warnLabel) {
      warnText = thresholds.warn->text;
      if (RangeAlerts(*thresholds.warn, value))
        worse(PluginState::kWarning), breaches.push_back(label);
    } else if (d.limitMaxWarning != ValueDefinition::kNoLimit) {
      warnText = ValueText(d, d.limitMaxWarning);
      if (s.value > d.limitMaxWarning) worse(PluginState::kWarning), breaches.push_back(label);
    }
    if (thresholds.crit && label == critLabel) {
      critText = thresholds.crit->text;
      if (RangeAlerts(*thresholds.crit, value))
        worse(PluginState::kCritical), breaches.push_back(label);
    } else if (d.limitMaxError != ValueDefinition::kNoLimit) {
      critText = ValueText(d, d.limitMaxError);
      if (s.value > d.limitMaxError) worse(PluginState::kCritical), breaches.push_back(label);
    }
    const char* uom = d.unit == Unit::kPercent ? "%" : d.unit == Unit::kMilliseconds ? "ms" : "";
    std::string shownValue = ValueText(d, s.value);
    if (d.unit == Unit::kMinutes) {
      // Minutes are no unit of the plugin guidelines: seconds are.
      shownValue = std::to_string(s.value * 60);
      uom = "s";
      if (!warnText.empty() && d.limitMaxWarning != ValueDefinition::kNoLimit &&
          !(thresholds.warn && label == warnLabel)) {
        warnText = std::to_string(d.limitMaxWarning * 60);
      }
      if (!critText.empty() && d.limitMaxError != ValueDefinition::kNoLimit &&
          !(thresholds.crit && label == critLabel)) {
        critText = std::to_string(d.limitMaxError * 60);
      }
    }
    perfdata += " " + PerfdataLabel(label) + "=" + shownValue + uom + ";" + warnText + ";" +
                critText + ";0;";
  }
  std::sort(breaches.begin(), breaches.end());
  breaches.erase(std::unique(breaches.begin(), breaches.end()), breaches.end());
  std::string text;
  if (!breaches.empty()) {
    text = "breached:";
    for (const std::string& b : breaches) text += " " + b;
    text += "; ";
  }
  text += report.Text();
  return RenderedOutput{PluginLine(state, text, perfdata), static_cast<int>(state)};
}

RenderedOutput HealthOpenMetrics(const HealthReport& report) {
  const std::string system = "system=" + LabelValue(report.system);
  const std::string client = report.client.empty() ? "" : ",client=" + LabelValue(report.client);
  std::string out =
      "# TYPE tolvaran_up gauge\n# HELP tolvaran_up 1 when the system answered, 0 when not.\n";
  out += "tolvaran_up{" + system + "} 1\n";
  out +=
      "# TYPE tolvaran_measurement_up gauge\n# HELP tolvaran_measurement_up 1 when the "
      "measurement succeeded, 0 when it failed.\n";
  for (const MeasuredPart& part : report.parts) {
    out += "tolvaran_measurement_up{" + system +
           ",measurement=" + LabelValue(part.measurement->Key()) + "} " +
           (part.failure.empty() ? "1\n" : "0\n");
  }
  // One family per name, its samples told apart by the value's label.
  const std::vector<Shown> shown = ShownValues(report);
  std::vector<std::string> written;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const ValueDefinition& d = *shown[i].definition;
    const std::string name = d.metricName;
    if (std::find(written.begin(), written.end(), name) != written.end()) continue;
    written.push_back(name);
    std::string help = d.help;
    for (std::size_t j = i; j < shown.size() && help.empty(); ++j) {
      if (name == shown[j].definition->metricName) help = shown[j].definition->help;
    }
    out += "# TYPE " + name + " gauge\n# HELP " + name + " " + help + "\n";
    if (d.unit == Unit::kPercent) out += "# UNIT " + name + " ratio\n";
    if (d.unit == Unit::kMilliseconds || d.unit == Unit::kMinutes) {
      out += "# UNIT " + name + " seconds\n";
    }
    for (std::size_t j = i; j < shown.size(); ++j) {
      const ValueDefinition& s = *shown[j].definition;
      if (name != s.metricName) continue;
      out += name + "{" + system + client;
      if (s.metricLabel) out += std::string(",") + s.metricLabel;
      out += "} " + BaseUnitValue(s, shown[j].value) + "\n";
    }
  }
  return RenderedOutput{out + "# EOF\n", 0};
}

}  // namespace tolvaran
