#include "watch/watch_log.h"

#include <cstdio>
#include <ctime>
#include <string_view>

namespace tarvo {

GraphPoint graphPoint(const WatchResult& result, std::uint32_t waitMs) {
  GraphPoint p;
  p.value = waitMs;
  if (!result.replied) return p;
  p.replied = true;
  p.roundTripMs = result.roundTripMs();
  p.roundTripUs = result.roundTripUs;
  if (p.roundTripMs <= waitMs) {
    p.value = p.roundTripMs;
    p.color = GraphPoint::kGreen;
  } else {
    p.color = GraphPoint::kYellow;
  }
  return p;
}

std::uint32_t nextSequence(std::uint32_t sequence) { return sequence >= 65535 ? 1 : sequence + 1; }

void stampSequence(std::span<std::uint8_t> payload, std::uint32_t sequence) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, ".Seq=%05u.", static_cast<unsigned>(sequence % 100000));
  if (payload.size() < 11) return;
  for (int i = 0; i < 11; ++i) payload[i] = static_cast<std::uint8_t>(stamp[i]);
}

namespace {
constexpr const char* kBlanks = " \t\n\v\f\r";
}  // namespace

std::string logFileName(const std::string& folder, const std::string& addressText) {
  std::string path = folder;
  while (!path.empty() && path.back() == '/') path.pop_back();
  path += '/';
  const auto first = addressText.find_first_not_of(kBlanks);
  const auto last = addressText.find_last_not_of(kBlanks);
  if (first != std::string::npos) {
    for (char c : std::string_view(addressText).substr(first, last - first + 1)) {
      const auto u = static_cast<unsigned char>(c);
      path += c == '.' || c == ':' || c == '%' || c == '/' || u < 0x20 || u == 0x7F ? '_' : c;
    }
  }
  path += ".log";
  return path;
}

std::string logTimeFields(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const std::time_t t = system_clock::to_time_t(when);
  const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&t, &local);
  char date[96];
  const std::size_t n = std::strftime(date, sizeof date, "%x", &local);
  char time[48];
  std::snprintf(time, sizeof time, ", %02d:%02d:%02d.%d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms < 0 ? ms + 1000 : ms));
  return std::string(date, n) + time;
}

std::string logLine(const std::string& address, const std::string& timeFields,
                    const EchoResult& result, bool replied, const RoundTripStats& counters,
                    const std::string& statusText) {
  std::string line;
  line.reserve(128);
  line += address;
  line += ", ";
  line += timeFields;
  line += ", RTT = ";
  line += std::to_string(replied ? result.roundTripMs : 0);
  line += ", TTL = ";
  line += std::to_string(result.replyTtl);
  line += ", Bytes = ";
  line += std::to_string(result.replyDataSize);
  line += ", Sent = ";
  line += std::to_string(counters.sent);
  line += ", Recv = ";
  line += std::to_string(counters.received);
  line += ", Lost = ";
  line += std::to_string(counters.lost());
  line += ", Loss = ";
  line += std::to_string(counters.lossPercent());
  line += "%, ";
  line += statusText;
  return line;
}

}  // namespace tarvo
