#include "cli/console_break.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

namespace tarvo::cli {

namespace {
std::mutex handlerMutex;
std::function<void()> handler;
std::mutex reloadMutex;
std::function<void()> reloadHandler;
sigset_t breakSignals;
std::atomic<bool> gotTerm{false};

void watch() {
  bool broken = false;
  while (true) {
    int sig = 0;
    if (sigwait(&breakSignals, &sig) != 0) continue;
    if (sig == SIGHUP) {
      std::lock_guard<std::mutex> lock(reloadMutex);
      if (!reloadHandler) _exit(128 + sig);
      reloadHandler();
      continue;
    }
    if (sig == SIGTERM) gotTerm.store(true);
    // Nothing to stop, or the run did not stop after the first Break.
    if (broken || !ConsoleBreak::breakRun()) _exit(128 + sig);
    broken = true;
  }
}
}  // namespace

void ConsoleBreak::install() {
  sigemptyset(&breakSignals);
  sigaddset(&breakSignals, SIGINT);
  sigaddset(&breakSignals, SIGTERM);
  sigaddset(&breakSignals, SIGHUP);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &breakSignals, &previous);
  try {
    std::thread(watch).detach();
  } catch (const std::system_error&) {
    // The system refused the thread: without a watcher the signals must
    // keep their default action, so Ctrl+C still ends the program. The run
    // itself then meets the same refusal and reports it.
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }
}

void ConsoleBreak::setHandler(std::function<void()> onBreak) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  handler = std::move(onBreak);
}

void ConsoleBreak::setReloadHandler(std::function<void()> onReload) {
  std::lock_guard<std::mutex> lock(reloadMutex);
  reloadHandler = std::move(onReload);
}

bool ConsoleBreak::breakRun() {
  // The handler runs under the lock, so a command that clears it (and then
  // frees what it stops) waits until a Break in progress is done with it.
  std::lock_guard<std::mutex> lock(handlerMutex);
  if (!handler) return false;
  handler();
  return true;
}

bool ConsoleBreak::terminated() { return gotTerm.load(); }

}  // namespace tarvo::cli
