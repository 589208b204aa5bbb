#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/thread_base.h"
#include "engine/address.h"
#include "engine/echo_service.h"
#include "trace/trace_hop_table.h"

namespace tarvo {

// What one hop worker needs, copied from the controller's snapshot.
struct TraceHopParams {
  std::uint8_t flags = 0;  // echo option flags; always 0 for the traceroute
  std::uint8_t tos = 0;
  std::uint32_t waitMs = 1000;  // time-out of each probe
  std::uint32_t hop = 1;        // 1 to 255: the probes' time to live and the table slot
  bool resolveNames = false;    // show the reverse name of the answering router
  IpAddress destination;
};

// Probes one hop: three echo requests with the hop number as time to live,
// at least 100 ms from start to start. The hop's line is rewritten in the
// table after every probe (code 205) and finally announced with 202 (an
// answer that ends the trace), 203 (the destination answered) or 206. A
// worker that cannot set up, or is asked to stop, also ends with 206 and a
// line saying why. The controller owns the worker: it stops, waits for and
// deletes it, and keeps the table alive until then.
class TTraceTh : public ThreadBase {
 public:
  static constexpr int kProbes = 3;
  static constexpr std::uint32_t kProbeIntervalMs = 100;
  static constexpr std::size_t kDataBytes = 32;

  using ReverseLookup = std::function<std::optional<HostEntry>(const IpAddress&)>;

  TTraceTh(const TraceHopParams& params, TraceHopTable& table, EchoServiceFactory echoFactory,
           ReverseLookup reverseLookup = tarvo::lookupIp);

 protected:
  void execute() override;

 private:
  void publish(const std::string& line, std::uint32_t code);
  // Ends the hop with a message line instead of probe columns.
  void publishMessage(const std::string& message);

  TraceHopParams params_;
  TraceHopTable& table_;
  EchoServiceFactory echoFactory_;
  ReverseLookup reverseLookup_;
};

}  // namespace tarvo
