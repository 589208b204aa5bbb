#include <atomic>
#include <cstdio>

#include "base/typed_number.h"
#include "cli/cli_args.h"
#include "cli/cli_defaults.h"
#include "cli/commands.h"
#include "cli/console_break.h"
#include "cli/console_lines.h"
#include "cli/echo_advice.h"
#include "engine/echo_service.h"
#include "ping/ping_thread.h"

namespace tarvo::cli {

namespace {

// The console as the single-host ping's view: lines to standard output, the
// reached state remembered for the exit status.
class ConsolePingView : public RunView {
 public:
  explicit ConsolePingView(ConsoleLines& lines) : lines_(lines) {}

  void begin() override {}
  void end() override {
    lines_.appendLine(kEndOfPingLine);
    lines_.flush();
  }
  void appendLine(const std::string& line) override { lines_.appendLine(line); }
  void replaceLastLine(const std::string& line) override { lines_.replaceLastLine(line); }
  // Both panels show the same text: it is shown once.
  void setStatusText(StatusPanel, const std::string& text) override { lines_.status(text); }
  void addHost(const std::string&, bool reached) override { reached_ = reached; }

  bool reached() const { return reached_; }

 private:
  ConsoleLines& lines_;
  std::atomic<bool> reached_{false};
};

}  // namespace

int runPingCommand(const std::vector<std::string>& words) {
  const ParsedArgs args = parseArgs(words, {{"-n", true},
                                            {"-w", true},
                                            {"-d", true},
                                            {"-l", true},
                                            {"--ttl", true},
                                            {"--tos", true},
                                            {"--df"},
                                            {"--router-alert"},
                                            {"--resolve"},
                                            {"--beep"}});
  if (!args.error.empty() || args.positional.size() > 1) {
    std::fprintf(stderr, "tarvo-cli ping: %s\n",
                 args.error.empty() ? "only one HOST" : args.error.c_str());
    return kExitUsage;
  }
  const CliDefaults defaults = loadCliDefaults();
  PingSnapshot snap;
  snap.host = args.positional.empty() ? defaults.host : args.positional.front();
  if (snap.host.empty()) {
    std::fputs("tarvo-cli ping: no HOST given and no host in the history\n", stderr);
    return kExitUsage;
  }
  // Typed numbers follow the window's repair rules: never an error.
  snap.count = numberOption(args, "-n", defaults.pingCount, 4, 0, 65535);
  snap.waitMs = numberOption(args, "-w", defaults.pingWaitMs, 1000, 1, 65535);
  snap.delayMs = numberOption(args, "-d", defaults.pingDelayMs, 1000, 1, 65535);
  snap.dataSize =
      static_cast<std::uint16_t>(numberOption(args, "-l", defaults.pingDataBytes, 32, 18, 65500));
  snap.ttl = defaults.ttl;
  if (auto text = args.value("--ttl")) {
    auto v = parseTypedInteger(*text);
    snap.ttl = v && *v >= 1 && *v <= 255 ? static_cast<std::uint8_t>(*v) : 60;
  }
  snap.tos = defaults.tos;
  if (auto text = args.value("--tos")) {
    auto v = parseTypedInteger(*text);
    snap.tos = v && *v >= 0 && *v <= 255 ? static_cast<std::uint8_t>(*v & 0xFE) : 0;
  }
  snap.dontFragment = defaults.dontFragment || args.has("--df");
  snap.routerAlert = !snap.dontFragment && (defaults.routerAlert || args.has("--router-alert"));
  snap.resolveNames = defaults.resolveNames || args.has("--resolve");
  snap.audible = defaults.audible || args.has("--beep");
  const NetworkCheck network = runNetworkCheck();
  snap.ipOptionsSupported = network.ipOptionsSupported;

  ConsoleLines lines;
  ConsolePingView view(lines);
  TPing ping(snap, view, icmpEchoServiceFactory());
  ConsoleBreak::setHandler([&ping] { ping.requestStop(); });
  if (!ping.start()) {
    ConsoleBreak::setHandler(nullptr);
    std::fputs("tarvo-cli: cannot start the ping thread\n", stderr);
    return kExitUsage;
  }
  ping.waitFor();
  ConsoleBreak::setHandler(nullptr);
  if (ping.startFailed()) {
    // The run has said why on standard output; the check tells whether it
    // was the missing echo socket.
    adviseOnStartFailure(network);
    return kExitUsage;
  }
  return view.reached() ? kExitReached : kExitNotReached;
}

}  // namespace tarvo::cli
