#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/clock.h"
#include "engine/echo_service.h"
#include "engine/resolver.h"
#include "ping/tone.h"
#include "settings/settings.h"

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace tarvo::ui {

struct WindowViews;

// What the window runs its activities with; tests put fakes in.
struct WindowServices {
  EchoServiceFactory echoFactory;              // empty: the real ICMP service
  std::function<NetworkCheck()> networkCheck;  // empty: the real start-up check
  ToneFactory toneFactory;                     // empty: the sound device
  std::optional<Resolver> traceResolver;       // every run's look-ups; empty: the system's
  Clock* monitorClock = nullptr;               // null: the system clock
  // The wall clock of the history graphs, µs since the epoch; empty: the
  // system's.
  std::function<std::int64_t()> wallClockUs;

  // The name look-ups of the window's runs: the system's of both families
  // unless a test put its own in.
  Resolver resolver() const { return traceResolver ? *traceResolver : Resolver::systemIn(); }
};

// Status panel texts of one tab.
using StatusPair = std::array<std::string, 2>;

class TabPage;

// What a tab page asks of the window around it.
class PageHost {
 public:
  virtual settings::Settings& settings() = 0;
  virtual const WindowServices& services() const = 0;
  virtual WindowViews& views() = 0;
  virtual bool networkReady() const = 0;
  virtual bool ipOptionsSupported() const = 0;
  virtual bool closing() const = 0;
  virtual bool isCurrent(const TabPage& page) const = 0;
  // A run began or ended: the busy count and the Exit buttons follow.
  virtual void runBegan() = 0;
  virtual void runEnded() = 0;
  // The page's status texts changed (panel 0 or 1, or -1 for both); shown
  // when the page is the current one.
  virtual void statusChanged(const TabPage& page, int panel) = 0;

 protected:
  ~PageHost() = default;
};

// The controller of one tab page: owns the page's controls and what they
// do; the window sees only this much of it.
class TabPage {
 public:
  explicit TabPage(PageHost& host) : host_(host) {}
  virtual ~TabPage() = default;
  TabPage(const TabPage&) = delete;
  TabPage& operator=(const TabPage&) = delete;

  virtual QWidget* page() const = 0;
  // Enter clicks the default button, Esc the cancel button; null: none.
  virtual QPushButton* defaultButton() const { return nullptr; }
  virtual QPushButton* cancelButton() const { return nullptr; }
  // The Exit button, enabled while no run is busy; null: none.
  virtual QPushButton* exitButton() const { return nullptr; }
  // The page became the current one.
  virtual void entered() {}
  // Asks the page's runs to stop; forgetRuns drops their handles once they
  // may end and free themselves at any moment.
  virtual void requestStops() {}
  virtual void forgetRuns() {}

  const StatusPair& status() const { return status_; }

 protected:
  void setStatus(StatusPair status) {
    status_ = std::move(status);
    host_.statusChanged(*this, -1);
  }
  void setStatus(int panel, const std::string& text) {
    status_[panel] = text;
    host_.statusChanged(*this, panel);
  }

  PageHost& host_;

 private:
  StatusPair status_;
};

// A message in an output area: an empty line, then the text.
void appendMessage(QPlainTextEdit* memo, const std::string& message);
// Replaces the last line of an output area; appends to an empty one.
void replaceLastLine(QPlainTextEdit* memo, const std::string& line);

}  // namespace tarvo::ui
