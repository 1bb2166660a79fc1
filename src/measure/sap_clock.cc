#include "measure/sap_clock.h"

#include <cstdio>

namespace tolvaran {

namespace {

// Days from 1970-01-01 to y-m-d, and back: the civil-calendar algorithms
// (Howard Hinnant, "chrono-Compatible Low-Level Date Algorithms").
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2));
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, int* value) {
  *value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

void Split(std::int64_t seconds, int* y, int* mo, int* d, int* h, int* mi, int* s) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  CivilFromDays(days, y, mo, d);
  *h = static_cast<int>(rest / 3600);
  *mi = static_cast<int>(rest / 60 % 60);
  *s = static_cast<int>(rest % 60);
}

}  // namespace

std::optional<SapInstant> SapInstant::Parse(std::string_view dats, std::string_view tims) {
  int y, mo, d, h, mi, s;
  if (dats.size() != 8 || tims.size() != 6) return std::nullopt;
  if (!Digits(dats, 0, 4, &y) || !Digits(dats, 4, 2, &mo) || !Digits(dats, 6, 2, &d) ||
      !Digits(tims, 0, 2, &h) || !Digits(tims, 2, 2, &mi) || !Digits(tims, 4, 2, &s)) {
    return std::nullopt;
  }
  if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 ||
      s > 59) {
    return std::nullopt;
  }
  return SapInstant{DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 +
                    h * 3600 + mi * 60 + s};
}

std::string SapInstant::Date() const {
  int y, mo, d, h, mi, s;
  Split(seconds, &y, &mo, &d, &h, &mi, &s);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", y % 10000, mo, d);
  return text;
}

std::string SapInstant::Time() const {
  int y, mo, d, h, mi, s;
  Split(seconds, &y, &mo, &d, &h, &mi, &s);
  char text[8];
  std::snprintf(text, sizeof text, "%02d%02d%02d", h, mi, s);
  return text;
}

std::string SapInstant::Readable() const {
  int y, mo, d, h, mi, s;
  Split(seconds, &y, &mo, &d, &h, &mi, &s);
  char text[24];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y % 10000, mo, d, h, mi, s);
  return text;
}

std::int64_t MinutesBetween(SapInstant earlier, SapInstant later) {
  return later.seconds > earlier.seconds ? (later.seconds - earlier.seconds) / 60 : 0;
}

}  // namespace tolvaran
