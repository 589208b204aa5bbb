#include "settings/window_bounds.h"

namespace tarvo::settings {

std::optional<WindowBounds> loadSizePosition(const RegistryStore& store) {
  auto left = store.readInteger(kSizePositionKey, "Left");
  auto top = store.readInteger(kSizePositionKey, "Top");
  auto width = store.readInteger(kSizePositionKey, "Width");
  auto height = store.readInteger(kSizePositionKey, "Height");
  if (!left || !top || !width || !height) return std::nullopt;
  return WindowBounds{*left, *top, *width, *height};
}

void saveSizePosition(RegistryStore& store, const WindowBounds& bounds) {
  RegistryStore::Batch batch(store);
  if (!store.createKey(kSizePositionKey)) return;
  store.deleteAllValues(kSizePositionKey);
  store.writeInteger(kSizePositionKey, "Left", bounds.left);
  store.writeInteger(kSizePositionKey, "Top", bounds.top);
  store.writeInteger(kSizePositionKey, "Width", bounds.width);
  store.writeInteger(kSizePositionKey, "Height", bounds.height);
}

WindowBounds clampToScreen(WindowBounds b, std::int32_t screenWidth, std::int32_t screenHeight) {
  // 64-bit steps: stored values are untrusted and must not overflow.
  auto clampInt = [](std::int64_t v) {
    return static_cast<std::int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
  };
  const std::int64_t sw = screenWidth, sh = screenHeight;
  if (sw - kMinWindowWidth < b.left) b.left = clampInt(sw - kMinWindowWidth);
  if (sh - kMinWindowHeight < b.top) b.top = clampInt(sh - kMinWindowHeight);
  // The left and top edges come inside the screen too: far off to the left
  // or top, the width rule below would let a window of any size through,
  // and the window system cannot draw one of 100000 x 100000 pixels.
  if (b.left < 0) b.left = 0;
  if (b.top < 0) b.top = 0;
  if (b.width < kMinWindowWidth) b.width = kMinWindowWidth;
  if (sw - b.left - 1 < b.width) b.width = clampInt(sw - b.left - 1);
  if (b.height < kMinWindowHeight) b.height = kMinWindowHeight;
  if (sh - b.top - 1 < b.height) b.height = clampInt(sh - b.top - 1);
  return b;
}

}  // namespace tarvo::settings
