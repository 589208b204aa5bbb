#include "base/detached_call.h"

#include <pthread.h>
#include <signal.h>

#include "base/thread_base.h"

namespace tarvo {

namespace {
void* runBody(void* arg) {
  // Deleted here, on the thread, so whatever the body owns ends with it.
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  (*body)();
  return nullptr;
}
}  // namespace

bool startDetachedThread(std::function<void()> body) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  pthread_attr_setstacksize(&attr, ThreadBase::kStackBytes);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  // The new thread inherits the mask: with every signal blocked, the front
  // ends' signal handling never lands on a thread nobody watches.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  pthread_t handle{};
  const int rc = pthread_create(&handle, &attr, &runBody, owned.get());
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  pthread_attr_destroy(&attr);
  if (rc != 0) return false;
  (void)owned.release();  // the thread's now
  return true;
}

}  // namespace tarvo
