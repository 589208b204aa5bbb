#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ui/window_values.h"

namespace tarvo::settings {
struct Settings;
}

namespace tarvo::ui {

// Moves the window's values to and from the settings record. Values the
// window does not edit (watch options and the like) are kept as loaded.
WindowValues windowValuesFrom(const settings::Settings& stored);
void storeWindowValues(const WindowValues& values, settings::Settings& stored);

// The window's side of the settings store: one per window, reading at
// creation and writing on close or on "Save Settings Now".
class WindowSettingsStore {
 public:
  WindowSettingsStore();
  ~WindowSettingsStore();

  // Loads settings, additional programs and bounds in the start-up order;
  // without saved settings the values are the fallback defaults.
  WindowValues load();
  // The saved bounds kept inside a screen of the given size, or nothing.
  std::optional<WindowBounds> bounds(int screenWidth, int screenHeight) const;

  enum class Occasion { Closing, SaveNow };
  // With auto-save off, closing records only that choice. Empty when the
  // save reached the file, otherwise why it did not.
  std::string save(const WindowValues& values, const WindowBounds& bounds, Occasion occasion);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvo::ui
