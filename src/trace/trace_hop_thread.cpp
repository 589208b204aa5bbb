#include "trace/trace_hop_thread.h"

#include <algorithm>
#include <new>

#include "base/pacer.h"
#include "engine/echo_lease.h"
#include "trace/trace_hop_line.h"

namespace tarvo {

TTraceTh::TTraceTh(const TraceHopParams& params, TraceHopTable& table,
                   EchoServiceFactory echoFactory, ReverseLookup reverseLookup)
    : params_(params),
      table_(table),
      echoFactory_(std::move(echoFactory)),
      reverseLookup_(std::move(reverseLookup)) {}

void TTraceTh::publishMessage(const std::string& message) {
  TraceHopOutcome outcome;
  outcome.text = message.substr(std::min(message.find_first_not_of(' '), message.size()));
  table_.publishLine(params_.hop, hopMessageLine(params_.hop, message));
  table_.publishOutcome(params_.hop, std::move(outcome));
  table_.setCode(params_.hop, hopcode::kFinished);
}

void TTraceTh::publish(const std::string& line, std::uint32_t code) {
  // Line first: whoever sees the code must find the line it announces.
  table_.publishLine(params_.hop, line);
  table_.setCode(params_.hop, code);
}

void TTraceTh::execute() {
  const std::uint32_t hop = params_.hop;
  table_.setCode(hop, hopcode::kRunning);
  if (stopRequested()) {
    publishMessage(kUserBreak);
    return;
  }

  EchoLease echo(echoFactory_ ? echoFactory_() : nullptr);
  if (!echo.open()) {
    echo.release();
    publishMessage("    " + echo.failureText());
    return;
  }

  // Without memory for the data the probes still go out, only empty.
  echo.preparePayload(kDataBytes);
  std::optional<HopLineBuilder> builder;
  try {
    builder.emplace(hop, params_.destination);
  } catch (const std::bad_alloc&) {
    echo.release();
    publishMessage("    Memory allocation failure");
    return;
  }
  echo.createHandle();

  auto userBreak = [&] {
    publishMessage(kUserBreak);
    echo.release();
  };

  // No IP options: a router-alert or padding area would change what the
  // routers on the way see.
  EchoOptions options;
  options.ttl = static_cast<std::uint8_t>(hop);
  options.tos = params_.tos;
  options.flags = params_.flags;

  publish(builder->line(), hopcode::kChanged);
  Pacer pacer(clock(), kProbeIntervalMs);
  for (int probe = 0; probe < kProbes; ++probe) {
    if (stopRequested()) return userBreak();
    if (probe > 0) {
      const std::uint32_t wait = pacer.remainingMs();
      if (wait > 0 && rest(wait)) return userBreak();
    }
    pacer.markStart();
    const EchoResult result =
        echo.service().send(params_.destination, echo.payload(), options, params_.waitMs);
    builder->addProbe(result);
    publish(builder->line(), hopcode::kChanged);
  }

  std::string name;
  if (builder->hopAnswered() && params_.resolveNames && reverseLookup_) {
    if (auto entry = reverseLookup_(builder->lastAnswerAddress())) name = entry->officialName;
  }
  builder->finish(name);
  TraceHopOutcome outcome;
  outcome.roundTripsUs = builder->roundTripsUs();
  if (builder->hopAnswered()) outcome.router = builder->lastAnswerAddress();
  outcome.name = name;
  outcome.status = builder->shownStatus();
  outcome.text = builder->shownStatusText();
  outcome.probed = true;
  // Line first, then the data, then the code that announces both.
  table_.publishLine(hop, builder->line());
  table_.publishOutcome(hop, std::move(outcome));
  table_.setCode(hop, builder->finalCode());
  echo.release();
}

}  // namespace tarvo
