#include "cli/history_when.h"

#include <cstdint>
#include <ctime>
#include <limits>

namespace tarvo::cli {

namespace {

using history::TimeUs;

constexpr TimeUs kSecondUs = 1'000'000;

// A position in the text being read; every step fails without moving on.
struct Reader {
  std::string_view text;
  std::size_t pos = 0;

  bool atEnd() const { return pos == text.size(); }
  bool skip(char c) {
    if (atEnd() || text[pos] != c) return false;
    ++pos;
    return true;
  }
  // Exactly `count` decimal digits.
  bool digits(std::size_t count, int& value) {
    if (text.size() - pos < count) return false;
    int v = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const char c = text[pos + i];
      if (c < '0' || c > '9') return false;
      v = v * 10 + (c - '0');
    }
    value = v;
    pos += count;
    return true;
  }
};

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leapYear(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::optional<TimeUs> parseDuration(std::string_view text, TimeUs now) {
  if (text.size() < 2) return std::nullopt;
  TimeUs unit = 0;
  switch (text.back()) {
    case 's':
      unit = kSecondUs;
      break;
    case 'm':
      unit = 60 * kSecondUs;
      break;
    case 'h':
      unit = 3600 * kSecondUs;
      break;
    case 'd':
      unit = 86400 * kSecondUs;
      break;
    default:
      return std::nullopt;
  }
  // Far enough back for any history, and far from overflowing.
  const TimeUs limit = std::numeric_limits<TimeUs>::max() / 4 / unit;
  TimeUs count = 0;
  for (const char c : text.substr(0, text.size() - 1)) {
    if (c < '0' || c > '9') return std::nullopt;
    count = count * 10 + (c - '0');
    if (count > limit) return std::nullopt;
  }
  if (count == 0) return std::nullopt;
  return now - count * unit;
}

// The wall-clock time of the TZ zone as a moment; where the clock is put
// forward, a time in the gap is read as the zone's rules say.
std::optional<TimeUs> localTime(int y, int mo, int d, int h, int mi, int s) {
  std::tm fields{};
  fields.tm_year = y - 1900;
  fields.tm_mon = mo - 1;
  fields.tm_mday = d;
  fields.tm_hour = h;
  fields.tm_min = mi;
  fields.tm_sec = s;
  fields.tm_isdst = -1;
  const std::time_t t = std::mktime(&fields);
  if (t == static_cast<std::time_t>(-1) && fields.tm_year != 69) return std::nullopt;
  return static_cast<TimeUs>(t) * kSecondUs;
}

std::optional<TimeUs> parseIso(std::string_view text) {
  Reader r{text};
  int y = 0, mo = 0, d = 0;
  if (!r.digits(4, y) || !r.skip('-') || !r.digits(2, mo) || !r.skip('-') || !r.digits(2, d)) {
    return std::nullopt;
  }
  if (mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo)) return std::nullopt;
  if (r.atEnd()) return localTime(y, mo, d, 0, 0, 0);

  int h = 0, mi = 0, s = 0;
  if (!r.skip('T') || !r.digits(2, h) || !r.skip(':') || !r.digits(2, mi)) return std::nullopt;
  if (r.skip(':') && !r.digits(2, s)) return std::nullopt;
  if (h > 23 || mi > 59 || s > 59) return std::nullopt;
  TimeUs fraction = 0;
  if (r.skip('.') || r.skip(',')) {
    // Microseconds are what is stored: further digits are read and dropped.
    TimeUs scale = kSecondUs;
    std::size_t count = 0;
    for (int digit = 0; r.digits(1, digit); ++count) {
      scale /= 10;
      fraction += digit * scale;
    }
    if (count == 0) return std::nullopt;
  }

  std::optional<TimeUs> whole;
  if (r.atEnd()) {
    whole = localTime(y, mo, d, h, mi, s);
  } else if (r.skip('Z')) {
    whole = ((daysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60 * kSecondUs + s * kSecondUs;
  } else {
    const bool east = r.skip('+');
    int oh = 0, om = 0;
    if (!east && !r.skip('-')) return std::nullopt;
    if (!r.digits(2, oh) || !r.skip(':') || !r.digits(2, om) || oh > 23 || om > 59) {
      return std::nullopt;
    }
    const int offsetMinutes = (east ? 1 : -1) * (oh * 60 + om);
    whole = ((daysFromCivil(y, mo, d) * 24 + h) * 60 + mi - offsetMinutes) * 60 * kSecondUs +
            s * kSecondUs;
  }
  if (!whole || !r.atEnd()) return std::nullopt;
  return *whole + fraction;
}

}  // namespace

std::optional<history::TimeUs> parseWhen(std::string_view text, history::TimeUs now) {
  if (text.empty()) return std::nullopt;
  // An ISO time ends in a digit or "Z", never in a unit.
  const char last = text.back();
  return last >= 'a' && last <= 'z' ? parseDuration(text, now) : parseIso(text);
}

}  // namespace tarvo::cli
