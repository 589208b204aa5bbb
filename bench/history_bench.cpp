// Fills a history file the size the targets name and times the reads the
// front ends make of it.
//
//   history_bench fill FILE   one host every second for a day, 1,024 hosts
//                             every second for the last hour
//   history_bench read FILE   summary, outages and graph minutes of the
//                             day's host, median of seven runs each
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "history/history_store.h"
#include "history/history_writer.h"

using namespace tarvo::history;

namespace {

constexpr TimeUs kSecond = 1'000'000;
constexpr TimeUs kHour = 3600 * kSecond;
constexpr TimeUs kDay = 24 * kHour;
const HostKey kDayHost{"daily.example", "127.0.0.1"};

TimeUs nowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

double medianMs(const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < 7; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    ms.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[3];
}

// A round trip of 0.3 to 2.3 ms with a down stretch of ten minutes a day.
Result resultAt(TimeUs t, std::uint64_t i) {
  const bool down = (t / kSecond) % 86400 < 600;
  if (down) return Result{t, std::nullopt, 11010};
  return Result{t, 300 + (i * 7919) % 2000, 0};
}

int fill(const std::string& file) {
  auto opened = HistoryStore::open(file, HistoryStore::Mode::Write);
  if (!opened.store) {
    std::fprintf(stderr, "history_bench: %s\n", opened.message.c_str());
    return 1;
  }
  HistoryStore& store = *opened.store;
  const TimeUs end = nowUs() / kSecond * kSecond;
  std::vector<Recorded> batch;
  std::uint64_t written = 0;
  auto flush = [&] {
    if (!store.write(batch)) std::fprintf(stderr, "history_bench: %s\n", store.error().c_str());
    written += batch.size();
    batch.clear();
  };
  const auto t0 = std::chrono::steady_clock::now();
  for (TimeUs t = end - kDay; t < end; t += kSecond) {
    batch.push_back({kDayHost, resultAt(t, written + batch.size())});
    // The hour of the many hosts, in the order a monitor writes it.
    if (t >= end - kHour) {
      for (int h = 0; h < 1024; ++h) {
        const std::string address =
            "127.0." + std::to_string(h / 250) + "." + std::to_string(h % 250 + 1);
        batch.push_back({HostKey{address, address}, resultAt(t + h, written + batch.size())});
      }
    }
    if (batch.size() >= 10'000) flush();
  }
  flush();
  const double writeS =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const auto t1 = std::chrono::steady_clock::now();
  while (store.maintain(end, Retention{}, 20'000)) {
  }
  const double upkeepS =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
  opened.store.reset();
  struct stat st {};
  ::stat(file.c_str(), &st);
  std::printf("filled %llu results in %.1f s (%.0f per second), minutes made in %.1f s\n",
              static_cast<unsigned long long>(written), writeS, written / writeS, upkeepS);
  std::printf("file %.1f MB: %.1f MB per million results (raw results with their minutes)\n",
              st.st_size / 1e6, st.st_size / 1e6 / (written / 1e6));
  return 0;
}

// What the writer's thread costs a monitor of 1,024 hosts every 100 ms:
// a minute of their results in the writer's batches, written as fast as
// they go, and the CPU time it took per result.
int write(const std::string& file) {
  auto opened = HistoryStore::open(file, HistoryStore::Mode::Write);
  if (!opened.store) {
    std::fprintf(stderr, "history_bench: %s\n", opened.message.c_str());
    return 1;
  }
  std::vector<std::string> addresses;
  for (int h = 0; h < 1024; ++h) {
    addresses.push_back("127.0." + std::to_string(h / 250) + "." + std::to_string(h % 250 + 1));
  }
  const TimeUs start = nowUs();
  std::uint64_t written = 0;
  rusage r0{};
  ::getrusage(RUSAGE_SELF, &r0);
  std::vector<Recorded> batch;
  // A batch holds what the writer's thread gathers between two writes.
  constexpr int kSteps = HistoryWriter::kFlushMs / 100;
  for (int b = 0; b < 600 / kSteps; ++b) {
    batch.clear();
    for (int step = 0; step < kSteps; ++step) {
      const TimeUs t = start + (b * kSteps + step) * 100'000;
      for (int h = 0; h < 1024; ++h) {
        batch.push_back({HostKey{addresses[h], addresses[h]}, resultAt(t + h, written++)});
      }
    }
    if (!opened.store->write(batch)) {
      std::fprintf(stderr, "history_bench: %s\n", opened.store->error().c_str());
    }
  }
  rusage r1{};
  ::getrusage(RUSAGE_SELF, &r1);
  auto us = [](const timeval& t) { return t.tv_sec * 1e6 + t.tv_usec; };
  const double user = us(r1.ru_utime) - us(r0.ru_utime);
  const double sys = us(r1.ru_stime) - us(r0.ru_stime);
  std::printf(
      "wrote %llu results of 1,024 hosts in the writer's batches: %.2f us user + %.2f us "
      "system per result = %.1f %% of a core at 10,240 results a second\n",
      static_cast<unsigned long long>(written), user / written, sys / written,
      (user + sys) / written * 10'240 / 1e4);
  return 0;
}

int read(const std::string& file) {
  auto opened = HistoryStore::open(file, HistoryStore::Mode::Read);
  if (!opened.store) {
    std::fprintf(stderr, "history_bench: %s\n", opened.message.c_str());
    return 1;
  }
  HistoryStore& store = *opened.store;
  const TimeUs now = nowUs();
  const TimeRange day{now - kDay - kHour, now};
  const TimeRange week{now - 7 * kDay, now};
  std::size_t n = 0;
  const double summary = medianMs([&] { n = store.summary(kDayHost, day, {3, 1}).sent; });
  std::printf("summary of the day's host (%zu results): %.1f ms\n", n, summary);
  const double outages = medianMs([&] { n = store.outages(kDayHost, day, {3, 1}).size(); });
  std::printf("outages of the day's host (%zu): %.1f ms\n", n, outages);
  const double minutesDay = medianMs([&] { n = store.minutes(kDayHost, day).size(); });
  std::printf("24 h graph minutes (%zu): %.1f ms\n", n, minutesDay);
  const double minutesWeek = medianMs([&] { n = store.minutes(kDayHost, week).size(); });
  std::printf("7 day graph minutes (%zu): %.1f ms\n", n, minutesWeek);
  const HostKey busy{"127.0.0.1", "127.0.0.1"};
  const double hour = medianMs([&] { n = store.results(busy, {now - kHour - kHour, now}).size(); });
  std::printf("1 h graph results of one of 1,024 hosts (%zu): %.1f ms\n", n, hour);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: history_bench fill|read|write FILE\n");
    return 2;
  }
  const std::string what = argv[1];
  if (what == "fill") return fill(argv[2]);
  if (what == "read") return read(argv[2]);
  if (what == "write") return write(argv[2]);
  std::fprintf(stderr, "usage: history_bench fill|read|write FILE\n");
  return 2;
}
