#pragma once
// Ids of the wizard's pages and its about box, shared by their templates,
// their logic and their tests.

namespace tarnwel::wizard_pages {

inline constexpr int kAboutDialog = 100;
inline constexpr int kFirstPage = 102;
inline constexpr int kChangedPage = 129;
inline constexpr int kSummaryPage = 130;
inline constexpr int kDeletedPage = 131;
inline constexpr int kConnectionPage = 180;

// The choice pages.
inline constexpr int kNext = 1000;   // "Weiter"
inline constexpr int kBack = 1007;   // "Zurück"
inline constexpr int kRadio1 = 1001;
inline constexpr int kRadio2 = 1002;
inline constexpr int kRadio3 = 1003;
inline constexpr int kRadio4 = 1004;

// The summary page.
inline constexpr int kSummaryText = 1013;
inline constexpr int kNoRightsNote = 1150;
inline constexpr int kAdvanced = 1102;  // "Erweitert"

// The connection page.
inline constexpr int kUrl = 1151;
inline constexpr int kUserName = 1152;
inline constexpr int kPassword = 1153;

// The wizard's string table: entry 101 is the system menu's about entry;
// there is no entry 100.
inline constexpr const char* kAboutMenuText = "&Über DRAVClient...";

} // namespace tarnwel::wizard_pages
