#include "ui/desktop_ending.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <cerrno>

namespace tarvo::ui {

namespace {

constexpr std::array kEndingSignals{SIGTERM, SIGHUP};

// The self-pipe: the handler only writes a byte, which wakes the window
// thread's event loop through the notifier on the read end.
int pipeRead = -1;
volatile sig_atomic_t pipeWrite = -1;
std::array<struct sigaction, kEndingSignals.size()> previousActions;

extern "C" void onEndingSignal(int signal) {
  const int savedErrno = errno;
  const char byte = static_cast<char>(signal);
  // The pipe never blocks; a full one already holds a wake-up.
  if (pipeWrite >= 0) (void)!::write(pipeWrite, &byte, 1);
  errno = savedErrno;
}

}  // namespace

DesktopEnding::DesktopEnding(QWidget& window) : window_(window) {
  // The session manager's "save your data": the window closes with its
  // usual steps. aboutToQuit covers a quit that bypasses the window
  // (the session's end, QCoreApplication::quit()).
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, [this] { closeWindow(); });
    connect(app, &QCoreApplication::aboutToQuit, this, [this] { closeWindow(); });
  }
  if (pipeRead >= 0) return;  // another one already listens
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  pipeRead = fds[0];
  pipeWrite = fds[1];
  installed_ = true;
  notifier_ = new QSocketNotifier(pipeRead, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { onSignalled(); });
  struct sigaction action {};
  action.sa_handler = onEndingSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
    ::sigaction(kEndingSignals[i], &action, &previousActions[i]);
  }
}

DesktopEnding::~DesktopEnding() {
  if (!installed_) return;
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
    ::sigaction(kEndingSignals[i], &previousActions[i], nullptr);
  }
  delete notifier_;
  const int writeEnd = pipeWrite;
  pipeWrite = -1;
  ::close(writeEnd);
  ::close(pipeRead);
  pipeRead = -1;
}

void DesktopEnding::onSignalled() {
  char bytes[64];
  while (::read(pipeRead, bytes, sizeof bytes) > 0) {
  }
  closeWindow();
}

void DesktopEnding::closeWindow() {
  // close() on a window already closing or closed does nothing more.
  window_.close();
}

}  // namespace tarvo::ui
