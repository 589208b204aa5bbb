#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/thread_base.h"
#include "engine/least_privilege.h"
#include "ui/desktop_ending.h"
#include "ui/main_window.h"

namespace {

constexpr const char* kUsage =
    "usage: tarvo [Qt options]\n"
    "       tarvo --version | --help\n"
    "Opens Tarvo's window: ping a host or an address range, trace a route and\n"
    "watch hosts (IPv4, ICMP echo). The console front end is tarvo-cli.\n"
    "More in tarvo(1), tarvo-cli(1) and the window's Help menu.\n";

// The answer to --version or --help, or nullptr when neither was asked for.
// Both need neither a display nor an echo socket, so packagers and scripts
// can call them anywhere.
const char* versionOrHelp(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) return "tarvo " TARVO_VERSION "\n";
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return kUsage;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const char* answer = versionOrHelp(argc, argv)) {
    tarvo::dropAllCapabilities();  // printing needs no privilege at all
    const bool written = std::fputs(answer, stdout) >= 0 && std::fflush(stdout) == 0;
    return written ? 0 : 1;
  }
  // The echo sockets are the only use of a privilege: open them, then give
  // up every capability before the toolkit loads any plug-in.
  const auto drop = tarvo::openEchoSocketsThenDropPrivileges();
  if (!drop.dropped) std::fprintf(stderr, "tarvo: privileges kept: %s\n", drop.problem.c_str());
  int result = 0;
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tarvo");
    tarvo::ui::MainWindow window;
    tarvo::ui::DesktopEnding ending(window);
    window.show();
    result = QApplication::exec();
  }
  // A run that did not notice the stop in time still holds its thread; end
  // without running static destructors underneath it.
  if (tarvo::ThreadBase::liveThreads() > 0) {
    std::fflush(nullptr);
    std::_Exit(result);
  }
  return result;
}
