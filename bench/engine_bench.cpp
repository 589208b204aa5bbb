// Echo engine throughput: N services open at once, each on its own thread,
// each sending a few requests to its own loopback address. Prints replies
// per second, the sockets the dispatcher needed and the peak memory.
//   engine_bench [SERVICES=2000] [REQUESTS_EACH=5] [DATA_BYTES=32]
// TARVO_ECHO_SOCKET=dgram|raw picks the socket kind (dgram needs
// net.ipv4.ping_group_range to include the caller's group).
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/echo_dispatcher.h"
#include "engine/echo_status.h"
#include "engine/icmp_echo_service.h"

int main(int argc, char** argv) {
  using namespace tarvo;
  const int services = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int each = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::size_t bytes = argc > 3 ? static_cast<std::size_t>(std::atoi(argv[3])) : 32;
  if (services < 1 || services > 65000 || each < 1) {
    std::fprintf(stderr, "usage: engine_bench [SERVICES<=65000] [REQUESTS_EACH] [DATA_BYTES]\n");
    return 2;
  }
  {
    IcmpEchoService probe;
    if (probe.open() != EchoOpenResult::Ok) {
      std::fprintf(stderr, "engine_bench: no ICMP echo socket can be opened\n");
      return 1;
    }
  }
  std::mutex m;
  std::condition_variable cv;
  int ready = 0;
  bool go = false;
  std::vector<int> replies(static_cast<std::size_t>(services), 0);
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(services));
  for (int i = 0; i < services; ++i) {
    threads.emplace_back([&, i] {
      IcmpEchoService s;
      const bool open = s.open() == EchoOpenResult::Ok;
      {
        std::unique_lock<std::mutex> lock(m);
        ++ready;
        cv.notify_all();
        cv.wait(lock, [&] { return go; });
      }
      if (!open) return;
      std::vector<std::uint8_t> payload(bytes);
      fillLetters(payload);
      const Ipv4Address dst = 0x7F000000u | static_cast<Ipv4Address>(i + 1);
      const EchoOptions o = makeEchoOptions(64, 0, false, false, true);
      for (int k = 0; k < each; ++k) {
        if (s.send(IpAddress::v4(dst), payload, o, 5000).status == status::kSuccess) ++replies[i];
      }
    });
  }
  std::chrono::steady_clock::time_point start;
  {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return ready == services; });
    go = true;
    start = std::chrono::steady_clock::now();
    cv.notify_all();
  }
  for (auto& t : threads) t.join();
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long total = 0;
  for (int r : replies) total += r;
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  const auto kind = EchoDispatcher::instance().kind();
  std::printf(
      "%s sockets: %d services x %d requests of %zu bytes: %ld/%ld replies in %.3f s = %.0f "
      "replies/s; %d sockets; peak RSS %ld MiB\n",
      kind ? echoSocketKindName(*kind) : "no", services, each, bytes, total,
      static_cast<long>(services) * each, secs, static_cast<double>(total) / secs,
      EchoDispatcher::instance().openSockets(), ru.ru_maxrss / 1024);
  return total == static_cast<long>(services) * each ? 0 : 1;
}
