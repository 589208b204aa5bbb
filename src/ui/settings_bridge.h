#pragma once

#include <memory>
#include <optional>
#include <string>

#include "settings/window_bounds.h"

namespace tarvo::settings {
struct Settings;
struct AdditionalPrograms;
}  // namespace tarvo::settings

namespace tarvo::ui {

// Window bounds in screen pixels, as the settings store keeps them.
using WindowBounds = settings::WindowBounds;

// The window's side of the settings store: one per window, reading at
// creation and writing on close or on "Save Settings Now".
class WindowSettingsStore {
 public:
  WindowSettingsStore();
  ~WindowSettingsStore();

  // Loads settings, additional programs and bounds in the start-up order;
  // without saved settings the values are the fallback defaults.
  settings::Settings load();
  // The saved bounds kept inside a screen of the given size, or nothing.
  std::optional<WindowBounds> bounds(int screenWidth, int screenHeight) const;
  // The "Connect progs:" entries as loaded, and as the next save writes them.
  settings::AdditionalPrograms& programs();

  enum class Occasion { Closing, SaveNow };
  // With auto-save off, closing records only that choice. Empty when the
  // save reached the file, otherwise why it did not.
  std::string save(const settings::Settings& values, const WindowBounds& bounds, Occasion occasion);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvo::ui
