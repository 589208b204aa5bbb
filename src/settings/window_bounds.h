#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/registry_store.h"

namespace tarvo::settings {

inline constexpr std::string_view kSizePositionKey = "\\SOFTWARE\\Dravenco\\Tarvo\\SizePosition";

// The main window's design size, the least it is shown at.
inline constexpr std::int32_t kMinWindowWidth = 600;
inline constexpr std::int32_t kMinWindowHeight = 450;

// Screen pixels.
struct WindowBounds {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = kMinWindowWidth;
  std::int32_t height = kMinWindowHeight;
  bool operator==(const WindowBounds&) const = default;
};

// The stored bounds, as stored; empty unless all four values exist as
// 32-bit integers. Pass the result through clampToScreen before use.
std::optional<WindowBounds> loadSizePosition(const RegistryStore& store);

// Replaces every value of \SizePosition with the four bounds.
void saveSizePosition(RegistryStore& store, const WindowBounds& bounds);

// Brings bounds saved on another screen back inside this one and to at
// least the design size; all four edges end inside the screen (a screen
// smaller than the design size leaves the window at 0,0 and 1 pixel short
// of the screen).
WindowBounds clampToScreen(WindowBounds bounds, std::int32_t screenWidth,
                           std::int32_t screenHeight);

}  // namespace tarvo::settings
