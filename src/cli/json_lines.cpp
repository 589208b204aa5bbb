#include "cli/json_lines.h"

#include <ctime>

#include "cli/console_output.h"

namespace tarvo::cli {

std::string jsonLine(const JsonObject& object) {
  return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

JsonObject jsonMilliseconds(std::uint64_t us) {
  if (us % 1000 == 0) return us / 1000;
  // Whole milliseconds and the rest apart, so the fraction is exact to the
  // microsecond however long the round trip.
  return static_cast<double>(us / 1000) + static_cast<double>(us % 1000) / 1000.0;
}

JsonObject roundTripOrNull(std::optional<std::uint64_t> us) {
  if (!us) return nullptr;
  return jsonMilliseconds(*us);
}

std::string isoTime(std::chrono::system_clock::time_point t) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
  std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  long milli = static_cast<long>(ms % 1000);
  if (milli < 0) {
    milli += 1000;
    --seconds;
  }
  std::tm local{};
  localtime_r(&seconds, &local);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  const long offset = local.tm_gmtoff / 60;  // minutes east of UTC
  const long magnitude = offset < 0 ? -offset : offset;
  char text[96];
  std::snprintf(text, sizeof text, "%s.%03ld%c%02ld:%02ld", date, milli, offset < 0 ? '-' : '+',
                magnitude / 60, magnitude % 60);
  return text;
}

void JsonLines::write(const JsonObject& object) {
  const std::string line = jsonLine(object);
  std::lock_guard lock(mutex_);
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
  checkOutput(out_);
}

}  // namespace tarvo::cli
