#include "trace/trace_hop_thread.h"

#include <memory>
#include <new>
#include <vector>

#include "base/clock.h"
#include "trace/trace_hop_line.h"

namespace tarvo {

TTraceTh::TTraceTh(const TraceHopParams& params, TraceHopTable& table,
                   EchoServiceFactory echoFactory, ReverseLookup reverseLookup)
    : params_(params),
      table_(table),
      echoFactory_(std::move(echoFactory)),
      reverseLookup_(std::move(reverseLookup)) {}

bool TTraceTh::startedFlag() {
  std::lock_guard<std::mutex> lock(table_.startLock());
  return started_;
}

void TTraceTh::publish(const std::string& line, std::uint32_t code) {
  // Line first: whoever sees the code must find the line it announces.
  table_.publishLine(params_.hop, line);
  table_.setCode(params_.hop, code);
}

void TTraceTh::execute() {
  {
    std::lock_guard<std::mutex> lock(table_.startLock());
    started_ = true;
  }
  const std::uint32_t hop = params_.hop;
  table_.setCode(hop, hopcode::kRunning);
  if (stopRequested()) {
    publish(hopMessageLine(hop, kUserBreak), hopcode::kFinished);
    return;
  }

  std::unique_ptr<EchoService> echo = echoFactory_ ? echoFactory_() : nullptr;
  const EchoOpenResult opened = echo ? echo->open() : EchoOpenResult::LibraryMissing;
  if (opened != EchoOpenResult::Ok) {
    publish(hopMessageLine(hop, opened == EchoOpenResult::EntryPointMissing
                                    ? "    Error getting ICMP proc address"
                                    : "    Could not load ICMP.DLL"),
            hopcode::kFinished);
    return;
  }
  const SocketStart sockets = startSockets();
  if (sockets.kind != SocketStart::Ok) {
    stopSockets();
    echo->close();
    publish(hopMessageLine(hop, sockets.kind == SocketStart::StartError
                                    ? "    WinSock startup error: " + std::to_string(sockets.code)
                                    : "    WinSock version 2.0 not supported"),
            hopcode::kFinished);
    return;
  }

  // Without memory for the data the probes still go out, only empty.
  std::vector<std::uint8_t> payload;
  try {
    payload.resize(kDataBytes);
    fillLetters(payload);
  } catch (const std::bad_alloc&) {
    payload.clear();
  }
  std::optional<HopLineBuilder> builder;
  try {
    builder.emplace(hop, params_.destination);
  } catch (const std::bad_alloc&) {
    stopSockets();
    echo->close();
    publish(hopMessageLine(hop, "    Memory allocation failure"), hopcode::kFinished);
    return;
  }
  echo->createHandle();

  auto release = [&] {
    payload = {};
    stopSockets();
    echo->closeHandle();
    echo->close();
  };
  auto userBreak = [&] {
    publish(hopMessageLine(hop, kUserBreak), hopcode::kFinished);
    release();
  };

  // No IP options: a router-alert or padding area would change what the
  // routers on the way see.
  EchoOptions options;
  options.ttl = static_cast<std::uint8_t>(hop);
  options.tos = params_.tos;
  options.flags = params_.flags;

  publish(builder->line(), hopcode::kChanged);
  std::uint32_t lastStart = 0;
  for (int probe = 0; probe < kProbes; ++probe) {
    if (stopRequested()) return userBreak();
    if (probe > 0) {
      const std::uint32_t since = tickMs() - lastStart;
      if (since < kProbeIntervalMs && sleepInSlices(kProbeIntervalMs - since)) return userBreak();
    }
    lastStart = tickMs();
    const EchoResult result = echo->send(params_.destination, payload, options, params_.waitMs);
    builder->addProbe(result);
    publish(builder->line(), hopcode::kChanged);
  }

  std::string name;
  if (builder->hopAnswered() && params_.resolveNames && reverseLookup_) {
    if (auto entry = reverseLookup_(builder->lastAnswerAddress())) name = entry->officialName;
  }
  builder->finish(name);
  publish(builder->line(), builder->finalCode());
  release();
}

}  // namespace tarvo
