#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/thread_base.h"
#include "history/history_store.h"
#include "watch/result_sink.h"

namespace tarvo::history {

// Records a monitor's results from its own thread: the monitor hands each
// result over under a short lock, and about once a second the writer puts
// everything that came into the file in one transaction, then does a step
// of upkeep. A killed process so loses at most the last second. A batch
// that cannot be written is kept and tried again; what is lost is said.
class HistoryWriter : public ThreadBase, public ResultSink {
 public:
  using NoticeFn = std::function<void(const std::string&)>;
  // How often the pending results are written: within a second, and as
  // seldom as that allows, since each write costs about as much per host
  // as per result.
  static constexpr std::uint32_t kFlushMs = 900;
  // Results held while the file cannot be written, before the oldest go.
  static constexpr std::size_t kMaxPending = 1'000'000;

  // Takes an open store; `notice` is called from the writer's thread.
  HistoryWriter(std::unique_ptr<HistoryStore> store, Retention retention, NoticeFn notice);
  // Opens the file on its own thread first, so a file that is busy or
  // being upgraded holds up no window; what the open had to say is a
  // notice, and a file that cannot be opened ends the thread (results
  // handed over then are dropped).
  HistoryWriter(std::string path, Retention retention, NoticeFn notice);
  ~HistoryWriter() override;

  void record(const std::string& item, const std::string& address,
              const WatchResult& result) override;
  // Writes what is pending, then ends the thread.
  void finish();

 protected:
  void execute() override;

 private:
  void flush();
  bool openStore();

  std::unique_ptr<HistoryStore> store_;
  std::string path_;  // to open, when no store was given
  std::atomic<bool> closed_{false};
  Retention retention_;
  NoticeFn notice_;
  std::mutex mutex_;
  std::vector<Recorded> pending_;  // under mutex_
  std::vector<Recorded> failed_;   // writer thread only
  std::uint64_t dropped_ = 0;
  bool failing_ = false;
};

}  // namespace tarvo::history
