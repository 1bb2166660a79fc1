#include "output/threshold_range.h"

#include <cstddef>

namespace tolvaran {

namespace {

// A decimal number as the guidelines write them: an optional "-", digits,
// optionally a "." and more digits. No exponent, no locale.
bool ParseNumber(std::string_view text, double* value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  double result = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    result = result * 10 + (text[i] - '0');
  }
  if (digits == 0) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    double scale = 0.1;
    std::size_t fraction = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++fraction) {
      result += (text[i] - '0') * scale;
      scale /= 10;
    }
    if (fraction == 0) return false;
  }
  if (i != text.size()) return false;
  *value = negative ? -result : result;
  return true;
}

std::string NoRange(std::string_view key, std::string_view text, std::string_view why) {
  std::string message(key);
  message += '=';
  message += text;
  message += " is no range: ";
  message += why;
  return message;
}

}  // namespace

std::optional<ThresholdRange> ParseThresholdRange(std::string_view key, std::string_view text,
                                                  std::string* error) {
  ThresholdRange range;
  range.text = std::string(text);
  std::string_view rest = text;
  if (rest.empty()) {
    *error = std::string(key) + "= is empty: give a range such as 10, 10:, ~:10, 10:20 or @10:20";
    return std::nullopt;
  }
  if (rest.front() == '@') {
    range.inside = true;
    rest.remove_prefix(1);
  }
  std::string_view startText = "0";
  std::string_view endText = rest;
  const std::size_t colon = rest.find(':');
  if (colon != std::string_view::npos) {
    startText = rest.substr(0, colon);
    endText = rest.substr(colon + 1);
  }
  if (startText == "~") {
    range.fromMinusInfinity = true;
  } else if (!ParseNumber(startText, &range.start)) {
    *error = NoRange(key, text,
                     "\"" + std::string(startText) + "\" is no number (ranges are 10, 10:, ~:10, " +
                         "10:20 or @10:20)");
    return std::nullopt;
  }
  if (colon != std::string_view::npos && endText.empty()) {
    range.toInfinity = true;
  } else if (!ParseNumber(endText, &range.end)) {
    *error = NoRange(key, text,
                     "\"" + std::string(endText) + "\" is no number (ranges are 10, 10:, ~:10, " +
                         "10:20 or @10:20)");
    return std::nullopt;
  }
  if (!range.fromMinusInfinity && !range.toInfinity && range.start > range.end) {
    *error = NoRange(key, text, "its start is greater than its end");
    return std::nullopt;
  }
  return range;
}

bool RangeAlerts(const ThresholdRange& range, double value) {
  const bool aboveStart = range.fromMinusInfinity || value >= range.start;
  const bool belowEnd = range.toInfinity || value <= range.end;
  const bool within = aboveStart && belowEnd;
  return range.inside ? within : !within;
}

}  // namespace tolvaran
