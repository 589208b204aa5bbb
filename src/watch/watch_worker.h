#pragma once

#include <atomic>
#include <cstdint>

#include "base/thread_base.h"
#include "engine/echo_service.h"
#include "watch/monitor_settings.h"
#include "watch/monitor_shared.h"

namespace tarvo {

// Pings one monitored host again and again until told to stop: waits until
// its slot of hostText holds an address, then sends one request per delay,
// hands one result per request to the controller and writes the log
// lines the settings ask for. Created suspended by the controller, which
// starts, stops, awaits and deletes it.
class TWatchTh : public ThreadBase {
 public:
  TWatchTh(std::size_t index, const MonitorSettings& settings, MonitorShared& shared,
           EchoServiceFactory echoFactory);
  ~TWatchTh() override;

  // No requests while paused; on resume the next request is due as the
  // delay says, counted from the last request sent. A stop (requestStop)
  // ends any wait, but never cuts short a request already sent.
  void setPaused(bool paused);

 protected:
  void execute() override;

 private:
  // Blocks while paused; true when stopped.
  bool waitWhilePaused();

  std::size_t index_;
  const MonitorSettings& settings_;
  MonitorShared& shared_;
  EchoServiceFactory echoFactory_;
  std::atomic<bool> paused_{false};
};

}  // namespace tarvo
