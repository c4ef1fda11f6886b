#pragma once
// The client's icons and pictures, and the files that hold them.

namespace tarnwel::client_icons {

// The application's icon: the window's icon and the tray icon.
inline constexpr int kApplication = 128;
// The main window's push buttons.
inline constexpr int kReplicate = 160;
inline constexpr int kSettings = 168;
inline constexpr int kExit = 169;
inline constexpr int kStop = 170;
inline constexpr int kVacuum = 178;
// The picture behind the main window's header and result lines.
inline constexpr int kBackground = 165;

} // namespace tarnwel::client_icons
