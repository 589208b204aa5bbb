#include "cli/console_break.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <mutex>
#include <thread>

namespace tarvo::cli {

namespace {
std::mutex handlerMutex;
std::function<void()> handler;
sigset_t breakSignals;

void watch() {
  int breaks = 0;
  while (true) {
    int sig = 0;
    if (sigwait(&breakSignals, &sig) != 0) continue;
    if (sig == SIGTERM || ++breaks > 1) _exit(130);
    std::function<void()> h;
    {
      std::lock_guard<std::mutex> lock(handlerMutex);
      h = handler;
    }
    if (h) {
      h();
    } else {
      _exit(130);
    }
  }
}
}  // namespace

void ConsoleBreak::install() {
  sigemptyset(&breakSignals);
  sigaddset(&breakSignals, SIGINT);
  sigaddset(&breakSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &breakSignals, nullptr);
  std::thread(watch).detach();
}

void ConsoleBreak::setHandler(std::function<void()> onBreak) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  handler = std::move(onBreak);
}

}  // namespace tarvo::cli
