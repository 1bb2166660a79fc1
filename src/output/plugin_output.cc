#include "output/plugin_output.h"

#include <vector>

#include "output/xml_text.h"

namespace tolvaran {

namespace {

// Outside text made part of the one line: valid UTF-8, no control
// characters, and in the text no "|".
std::string LineText(std::string_view text, bool inLabel) {
  const std::string utf8 = ToUtf8Text(text);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    char c = utf8[i];
    // NEL (U+0085), LINE SEPARATOR (U+2028) and PARAGRAPH SEPARATOR
    // (U+2029) end a line for a reader that knows Unicode: a blank, as for
    // the ASCII controls, so that the output stays one line for every
    // reader.
    if (utf8.compare(i, 2, "\xC2\x85") == 0) {
      out += ' ';
      i += 1;
      continue;
    }
    if (utf8.compare(i, 3, "\xE2\x80\xA8") == 0 || utf8.compare(i, 3, "\xE2\x80\xA9") == 0) {
      out += ' ';
      i += 2;
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    if (c == '|' && !inLabel) c = '/';
    out += c;
  }
  return out;
}

int Severity(PluginState state) {
  switch (state) {
    case PluginState::kOk:
      return 0;
    case PluginState::kUnknown:
      return 1;
    case PluginState::kWarning:
      return 2;
    case PluginState::kCritical:
      return 3;
  }
  return 0;
}

void Raise(PluginState* state, PluginState to) {
  if (Severity(to) > Severity(*state)) *state = to;
}

// The unit a plugin's performance data gives a value.
const char* PerfdataUnit(Unit unit) {
  switch (unit) {
    case Unit::kCount:
      return "";
    case Unit::kPercent:
      return "%";
    case Unit::kMilliseconds:
      return "ms";
    case Unit::kMinutes:
      return "";
  }
  return "";
}

std::string Perfdata(std::string_view label, const ValueDefinition& definition, std::int64_t value,
                     const PluginThresholds& thresholds, bool withThresholds) {
  std::string out = PerfdataLabel(label);
  out += '=' + ValueText(definition, value) + PerfdataUnit(definition.unit) + ';';
  if (withThresholds && thresholds.warn) out += thresholds.warn->text;
  out += ';';
  if (withThresholds && thresholds.crit) out += thresholds.crit->text;
  out += ";0;";
  return out;
}

// CRITICAL or WARNING when a threshold alerts for `value`, with the range
// that did; OK otherwise.
PluginState Judge(const PluginThresholds& thresholds, double value,
                  const ThresholdRange** breached) {
  if (thresholds.crit && RangeAlerts(*thresholds.crit, value)) {
    *breached = &*thresholds.crit;
    return PluginState::kCritical;
  }
  if (thresholds.warn && RangeAlerts(*thresholds.warn, value)) {
    *breached = &*thresholds.warn;
    return PluginState::kWarning;
  }
  return PluginState::kOk;
}

std::string Line(PluginState state, std::string_view text, const std::string& perfdata) {
  std::string line = "TOLVARAN ";
  line += PluginStateName(state);
  line += " - ";
  line += LineText(text, false);
  if (!perfdata.empty()) line += " |" + perfdata;
  line += '\n';
  return line;
}

// The value WARN= and CRIT= apply to: the first whose limits apply.
std::size_t JudgedValue(const std::vector<ValueDefinition>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i].limits) return i;
  }
  return values.size();
}

double Scaled(const ValueDefinition& definition, std::int64_t value) {
  double scaled = static_cast<double>(value);
  for (int i = 0; i < definition.decimals; ++i) scaled /= 10;
  return scaled;
}

RenderedOutput Single(const CheckReport& report, const PluginThresholds& thresholds) {
  const std::vector<ValueDefinition>& values = report.measurement->Values();
  const std::vector<std::int64_t>& measured = report.reading.values;
  const std::size_t judged = JudgedValue(values);
  const ThresholdRange* breached = nullptr;
  PluginState state = judged < measured.size()
                          ? Judge(thresholds, Scaled(values[judged], measured[judged]), &breached)
                          : PluginState::kOk;
  // Servers left out: the values are too low, at least a warning.
  if (report.servers.partial()) Raise(&state, PluginState::kWarning);
  std::string text;
  if (breached) {
    text = std::string(values[judged].displayName) + " " +
           ValueText(values[judged], measured[judged]) + " breaches " +
           (state == PluginState::kCritical ? "CRIT=" : "WARN=") + breached->text + "; ";
  }
  text += report.text;
  std::string perfdata;
  for (std::size_t i = 0; i < values.size() && i < measured.size(); ++i) {
    perfdata +=
        ' ' + Perfdata(values[i].channelName, values[i], measured[i], thresholds, i == judged);
  }
  return {Line(state, text, perfdata), static_cast<int>(state)};
}

RenderedOutput Listing(const ListingResult& listing, const PluginThresholds& thresholds) {
  PluginState state = PluginState::kOk;
  std::vector<std::string> critical, warning, failed, notFound, partial;
  std::string perfdata;
  for (const ShownSystem& shown : ShownSystems(listing)) {
    const ListedSystem& system = *shown.system;
    if (!HasItemValue(listing, system)) {
      const bool isFailed = system.state == SystemState::kFailed;
      (isFailed ? failed : notFound).push_back(shown.name);
      Raise(&state, isFailed ? PluginState::kCritical : PluginState::kUnknown);
      continue;
    }
    const ValueDefinition& definition = listing.item.definition();
    const std::int64_t value = system.reading.values[listing.item.index];
    if (system.servers.partial()) partial.push_back(shown.name);
    const ThresholdRange* breached = nullptr;
    const PluginState judged = Judge(thresholds, Scaled(definition, value), &breached);
    if (judged == PluginState::kCritical) critical.push_back(shown.name);
    if (judged == PluginState::kWarning) warning.push_back(shown.name);
    Raise(&state, judged);
    perfdata += ' ' + Perfdata(shown.name, definition, value, thresholds, true);
  }
  std::string text = listing.summary;
  if (thresholds.crit)
    AppendNames("CRIT=" + thresholds.crit->text + " breached by", critical, &text);
  if (thresholds.warn)
    AppendNames("WARN=" + thresholds.warn->text + " breached by", warning, &text);
  AppendNames("failed:", failed, &text);
  AppendNames("no such item:", notFound, &text);
  // Servers left out or profiles missing: fewer or lower values than the
  // listing asks for, at least a warning.
  if (AppendShortfalls(listing, partial, &text)) Raise(&state, PluginState::kWarning);
  return {Line(state, text, perfdata), static_cast<int>(state)};
}

}  // namespace

std::string PluginLine(PluginState state, std::string_view text, const std::string& perfdata) {
  return Line(state, text, perfdata);
}

const char* PluginStateName(PluginState state) {
  switch (state) {
    case PluginState::kOk:
      return "OK";
    case PluginState::kWarning:
      return "WARNING";
    case PluginState::kCritical:
      return "CRITICAL";
    case PluginState::kUnknown:
      return "UNKNOWN";
  }
  return "UNKNOWN";
}

PluginState ErrorState(ErrorClass errorClass) {
  return errorClass == ErrorClass::kConfiguration ? PluginState::kUnknown : PluginState::kCritical;
}

std::string PerfdataLabel(std::string_view label) {
  std::string out = "'";
  for (char c : LineText(label, true)) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

RenderedOutput RenderPlugin(const CheckReport& report, const PluginThresholds& thresholds) {
  switch (report.kind) {
    case CheckReport::Kind::kSingle:
      return Single(report, thresholds);
    case CheckReport::Kind::kListing:
      return Listing(report.listing, thresholds);
    case CheckReport::Kind::kError:
      break;
  }
  const PluginState state = ErrorState(report.error.errorClass);
  return {Line(state, report.error.text, ""), static_cast<int>(state)};
}

}  // namespace tolvaran
