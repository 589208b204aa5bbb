#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "base/thread_base.h"
#include "engine/echo_service.h"
#include "watch/monitor_settings.h"
#include "watch/monitor_shared.h"

namespace tarvo {

// Pings one monitored host again and again until told to stop: waits until
// its slot of hostText holds an address, then sends one request per delay,
// hands one result token per request to the controller and writes the log
// lines the settings ask for. Created suspended by the controller, which
// starts, stops, awaits and deletes it.
class TWatchTh : public ThreadBase {
 public:
  TWatchTh(std::size_t index, const MonitorSettings& settings, MonitorShared& shared,
           EchoServiceFactory echoFactory);
  ~TWatchTh() override;

  // Asks the worker to stop and wakes it from any wait. A request already
  // sent is never cut short.
  void stop();
  // No requests while paused; on resume the next request is due as the
  // delay says, counted from the last request sent.
  void setPaused(bool paused);

 protected:
  void execute() override;

 private:
  // Rests for ms or until stopped; true when stopped.
  bool rest(std::uint32_t ms);
  // Blocks while paused; true when stopped.
  bool waitWhilePaused();

  std::size_t index_;
  const MonitorSettings& settings_;
  MonitorShared& shared_;
  EchoServiceFactory echoFactory_;
  std::mutex mutex_;  // the pause flag and the wake-ups
  std::condition_variable changed_;
  bool paused_ = false;
};

}  // namespace tarvo
