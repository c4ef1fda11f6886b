#pragma once
// What the four rule dialogs share: one row of controls per item kind (the
// action list, the list of what to do without the server right and, in the
// two dialogs of deleted items, the newer-than check box with its date
// picker), and the builder of their common layout.

#include "platform/ui/DialogTemplate.h"

#include <array>
#include <string>
#include <vector>

namespace tarnwel::rules_parts {

// The rows, in this order.
inline constexpr int kAppointmentRow = 0;
inline constexpr int kContactRow = 1;
inline constexpr int kTaskRow = 2;
inline constexpr int kRowCount = 3;

// The ids of one row; 0 where the dialog has no such control.
struct CRuleRowIds {
    int action = 0;
    int noRights = 0;
    int newerThan = 0;      // check box
    int newerThanDate = 0;  // date picker
};

using CRuleRows = std::array<CRuleRowIds, kRowCount>;

// Everything in which the four layouts differ.
struct CRulesLayout {
    int templateId = 0;
    int width = 0;  // dialog units
    std::string description;
    std::string noRightsLabel;
    CRuleRows rows;
    std::array<std::vector<std::string>, kRowCount> actionEntries;
    std::vector<std::string> noRightsEntries;
    std::string newerThanText;  // the check boxes' text; empty: no check row
    // The two lists of a row one above the other at the full width, instead
    // of side by side: for the narrow variants, whose longest entries are
    // wider than half the dialog.
    bool listsStacked = false;
};

// The group boxes' captions, one per row.
inline constexpr std::array<const char*, kRowCount> kRowCaptions = {
    "(für Termine)", "(für Kontakte)", "(für Aufgaben)"};
inline constexpr const char* kActionLabel = "Der Replikator sollte im Normalfall:";
inline constexpr const char* kNoRightsLabel = "und falls der Benutzer die Rechte auf dem Server nicht hat:";
inline constexpr const char* kNoRightsLabelWithComma = "und falls der Benutzer, die Rechte auf dem Server nicht hat:";

// Caption "Optionen", the description at the top, the two column labels, one
// group box per row and OK and "Abbrechen" at the bottom right. With the lists
// stacked, the labels stand one above the other, and the second label and the
// second list of every row are indented alike.
CDialogTemplate BuildRulesTemplate(const CRulesLayout& layout);

} // namespace tarnwel::rules_parts
