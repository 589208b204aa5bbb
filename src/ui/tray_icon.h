#pragma once

class QSystemTrayIcon;

namespace tarvo::ui {

// The window's one tray icon, a child of the window by this name. It shows
// while the window is hidden to the tray and while a notice holds it.
inline constexpr const char* kTrayIconName = "TrayIcon";

// Keeps the icon shown for at least ms from now; it hides afterwards unless
// the window is hidden to it by then.
void holdTrayIcon(QSystemTrayIcon* icon, int ms);

}  // namespace tarvo::ui
