#include "sim_trace.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "sim_files.h"

namespace rfcsim {

namespace {

constexpr char kTraceFileName[] = "dev_rfc.trc";

std::tm UtcTime(std::time_t t) {
  std::tm out = {};
  if (const std::tm* p = std::gmtime(&t)) out = *p;
  return out;
}

std::tm LocalTime(std::time_t t) {
  std::tm out = {};
  if (const std::tm* p = std::localtime(&t)) out = *p;
  return out;
}

std::string Digits(int value, int width) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < width)
    s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return s;
}

// "20261208 140359"
std::string Stamp(const std::tm& t) {
  return Digits(t.tm_year + 1900, 4) + Digits(t.tm_mon + 1, 2) + Digits(t.tm_mday, 2) + " " +
         Digits(t.tm_hour, 2) + Digits(t.tm_min, 2) + Digits(t.tm_sec, 2);
}

// "Tue Dec 08 14:03:59 2026", in English whatever the locale: strftime's
// names would follow it.
std::string ClockText(const std::tm& t) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* day = (t.tm_wday >= 0 && t.tm_wday < 7) ? kDays[t.tm_wday] : "???";
  const char* month = (t.tm_mon >= 0 && t.tm_mon < 12) ? kMonths[t.tm_mon] : "???";
  return std::string(day) + " " + month + " " + Digits(t.tm_mday, 2) + " " + Digits(t.tm_hour, 2) +
         ":" + Digits(t.tm_min, 2) + ":" + Digits(t.tm_sec, 2) + " " + Digits(t.tm_year + 1900, 4);
}

// A configured name could carry a line break only by mistake, but one must
// not split a block into lines the reader would misread.
std::string OneLine(std::string s) {
  for (char& c : s) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return s;
}

}  // namespace

std::string FormatTraceBlock(const TraceBlock& block, std::time_t now, bool newFile) {
  std::tm utc = UtcTime(now);
  std::string text;
  if (newFile) {
    text += "**** Trace file opened at " + Stamp(utc) + " UTC, SAP-REL 640,0,7 RFC-VER 3 SIM\n";
  }
  text += "**** ERROR file opened at " + Stamp(utc) + " UTC\n";
  text += "LOCATION    " + OneLine(block.location) + "\n";
  text += "ERROR       " + OneLine(block.error) + "\n";
  text += "TIME        " + ClockText(LocalTime(now)) + "\n";
  if (!block.note.empty()) text += "NOTE        " + OneLine(block.note) + "\n";
  if (!block.detail.empty()) text += "RFCRECV======> " + OneLine(block.detail) + "\n";
  return text;
}

void AppendTraceBlock(const TraceBlock& block) {
  try {
    // An existing "Dev_Rfc.Trc" is the same file on Windows; use it here too.
    std::filesystem::path path = FindIgnoringCase(kTraceFileName);
    std::error_code ec;
    bool newFile = !std::filesystem::exists(path, ec);
    // Text mode: line ends are the platform's, as in the classic file.
    std::FILE* out = std::fopen(path.string().c_str(), "a");
    if (!out) return;
    std::string text = FormatTraceBlock(block, std::time(nullptr), newFile);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
  } catch (...) {
    // Tracing is a side matter; the operation's own outcome stands.
  }
}

}  // namespace rfcsim
