#pragma once
// The wizard's icons.

namespace tarnwel::wizard_icons {

// The application's icon: the first page's window icon and the about box.
inline constexpr int kApplication = 128;

} // namespace tarnwel::wizard_icons
