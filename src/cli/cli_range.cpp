#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/cli_args.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/console_break.h"
#include "cli/console_lines.h"
#include "cli/console_output.h"
#include "cli/console_settings.h"
#include "cli/console_text.h"
#include "cli/echo_advice.h"
#include "cli/json_views.h"
#include "cli/run_view_choice.h"
#include "engine/echo_service.h"
#include "engine/ip_address.h"
#include "range/range_controller.h"
#include "range/range_plan.h"
#include "range/range_progress.h"
#include "range/range_settings.h"

namespace tarvo::cli {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(250);

// Cut to one row of the terminal on standard error: a wrapped line could not
// be taken back with one carriage return.
std::string fitToTerminal(std::string text) {
  winsize size{};
  const std::size_t columns =
      ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col : 80;
  if (text.size() >= columns) text.resize(columns - 1);
  return text;
}

// The console as the range ping's view. A sweep prints tens of thousands of
// lines, so into a pipe or file they go straight to the buffered standard
// output and are written out whenever the run waits; on a terminal they go
// through ConsoleLines so the progress line is redrawn around them. When
// standard error is a terminal it shows a progress line (done, percentage,
// rate, time left and the reached count) whose text changes at most four
// times a second and which is gone before the closing report; the two
// status parts become two closing lines on standard error.
class ConsoleRangeView : public RangeView {
 public:
  explicit ConsoleRangeView(ConsoleLines& lines)
      : lines_(lines), direct_(isatty(STDOUT_FILENO) == 0), progress_(isatty(STDERR_FILENO) != 0) {}

  void begin() override { start_ = std::chrono::steady_clock::now(); }
  void appendLine(const std::string& line) override {
    if (direct_) {
      if (hasControlChars(line)) {
        writeDirect(escapeControlChars(line));
      } else {
        writeDirect(line);
      }
      unflushed_ = true;
    } else {
      lines_.appendLine(line);  // takes the progress line away
      progressShown_ = false;
    }
  }
  // A range ping writes no line twice.
  void replaceLastLine(const std::string& line) override { appendLine(line); }
  void setStatus(StatusPart part, const std::string& text) override {
    if (part != StatusPart::Counted) doingStatus_ = text;
    if (part != StatusPart::Doing) countedStatus_ = text;
  }
  void progress(std::uint32_t done, std::uint32_t total) override;
  void end() override {
    appendLine(kEndOfRangePingLine);
    flush();
    lines_.flush();
    if (direct_ && progressShown_) std::fputs("\r\033[K", stderr);
    for (const std::string* text : {&doingStatus_, &countedStatus_}) {
      if (!text->empty()) std::fprintf(stderr, "%s\n", text->c_str());
    }
    std::fflush(stderr);
  }
  void idle() override { flush(); }

  void flush() {
    if (unflushed_) {
      std::fflush(stdout);
      checkOutput(stdout);
      unflushed_ = false;
    }
  }

 private:
  void writeDirect(const std::string& line) {
    if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
        std::fputc('\n', stdout) == EOF) {
      checkOutput(stdout);
    }
  }

  ConsoleLines& lines_;
  const bool direct_;
  const bool progress_;
  bool unflushed_ = false;
  std::string doingStatus_;
  std::string countedStatus_;
  std::chrono::steady_clock::time_point start_{};
  std::chrono::steady_clock::time_point lastProgress_{};
  bool progressShown_ = false;
};

// A result line on the terminal takes the progress line away; it is put
// back after every address. Otherwise it is redrawn at most four times a
// second. After the last address it stays away, so the report stands alone.
void ConsoleRangeView::progress(std::uint32_t done, std::uint32_t total) {
  if (!progress_) return;
  const auto now = std::chrono::steady_clock::now();
  if (progressShown_ && now - lastProgress_ < kProgressInterval) return;
  lastProgress_ = now;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_);
  const std::string text =
      fitToTerminal("  " + rangeProgressText(done, total, elapsed) + countedStatus_);
  if (direct_) {
    std::fputs("\r\033[K", stderr);
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
  } else {
    lines_.status(text);
  }
  progressShown_ = true;
}

// Both addresses as four octet fields. The window fills the last address's
// first two octets from the first one; here a different pair would silently
// sweep another block than the one typed, so it is refused like any other
// invalid range.
std::optional<RangeInput> rangeInput(const std::string& first, const std::string& last) {
  const auto a6 = parseIpv6Literal(first);
  const auto b6 = parseIpv6Literal(last);
  if (a6 || b6) {
    // A zone would name a link, which one range of addresses does not need.
    if (!a6 || !b6 || !a6->zone().empty() || !b6->zone().empty()) return std::nullopt;
    const RangeInput input(Range6Input{a6->bytes(), b6->bytes()});
    if (!validateRange(input)) return std::nullopt;
    return input;
  }
  auto a = parseRangeOctets(first);
  auto b = parseRangeOctets(last);
  if (!a || !b || (*a)[0] != (*b)[0] || (*a)[1] != (*b)[1]) return std::nullopt;
  RangeInput input{*a, *b};
  if (!validateRange(input)) return std::nullopt;
  return input;
}

// What no range of one family can mean: the two ends from different
// families, or an IPv6 range larger than the slots a run can hold. A
// backward or malformed range is left to the IP range check, as the window
// reports it.
const char* rangeUsageError(const std::string& first, const std::string& last) {
  const auto a6 = parseIpv6Literal(first);
  const auto b6 = parseIpv6Literal(last);
  if ((a6 && parseRangeOctets(last)) || (b6 && parseRangeOctets(first))) {
    return "FIRST and LAST must both be IPv4 or both be IPv6 addresses";
  }
  if (a6 && b6 && checkRange6({a6->bytes(), b6->bytes()}) == Range6Check::TooLarge) {
    return "an IPv6 range holds at most 65,536 addresses";
  }
  return nullptr;
}

}  // namespace

int runRangeCommand(const std::vector<std::string>& words) {
  const ParsedArgs args = parseArgs(words, commandOptions("range")->options);
  if (!args.error.empty() || args.positional.size() != 2) {
    std::fprintf(stderr, "tarvo-cli range: %s\n",
                 args.error.empty() ? "needs FIRST and LAST address" : args.error.c_str());
    return kExitUsage;
  }
  const bool jsonOutput = args.has("--json");
  // Large output buffer for the sweep; set before anything is written.
  static char outBuffer[1 << 16];
  if (!jsonOutput) std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
  RunViewChoice<ConsoleRangeView, JsonRangeView> views(jsonOutput);

  if (const char* error = rangeUsageError(args.positional[0], args.positional[1])) {
    std::fprintf(stderr, "tarvo-cli range: %s\n", error);
    return kExitUsage;
  }
  const std::optional<RangeInput> input = rangeInput(args.positional[0], args.positional[1]);
  if (!input) {
    views.refuse("  \u00B7 Please check IP Range");
    return kExitUsage;
  }
  const NetworkCheck network = runNetworkCheck();
  if (!network.networkReady) {
    views.refuse(network.message);
    adviseOnStartFailure(network);
    return kExitUsage;
  }

  settings::Settings s = loadConsoleSettings();
  applyNumberOption(args, "-n", s.rangeCount);
  applyNumberOption(args, "-w", s.rangeWaitMs);
  applyNumberOption(args, "-d", s.rangeDelayMs);
  applyNumberOption(args, "-l", s.rangeDataBytes);
  applyNumberOption(args, "--netmask-bits", s.netMaskBits);
  s.dontPingNet = s.dontPingNet && !args.has("--ping-net");
  s.dontBroadcast = s.dontBroadcast && !args.has("--ping-broadcast");
  s.breakSoon = s.breakSoon || args.has("--break-soon");
  s.burstMode = s.burstMode || args.has("--burst");
  s.showReached = s.showReached && !args.has("--hide-reached");
  s.showNotReached = s.showNotReached && !args.has("--hide-not-reached");
  RangeSnapshot snap = rangeSnapshotFrom(s, *input);
  snap.echoFactory = icmpEchoServiceFactory();
  if (views.json()) snap.results = views.json();

  TCtrlPing controller(std::move(snap), views.view());
  ConsoleBreak::setHandler([&controller] { controller.requestStop(); });
  if (!controller.start()) {
    ConsoleBreak::setHandler(nullptr);
    views.refuse("  \u00B7 Could not create the thread controler");
    return kExitUsage;
  }
  controller.waitFor();
  ConsoleBreak::setHandler(nullptr);
  return controller.counts().reached > 0 ? kExitReached : kExitNotReached;
}

}  // namespace tarvo::cli
