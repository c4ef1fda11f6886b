#include "resources/dialogs/RulesDialogParts.h"

#include "platform/ui/CTemplateBuilder.h"

namespace tarnwel::rules_parts {

namespace {

constexpr int kMargin = 7;
constexpr int kPadding = 7;  // inside a group box
constexpr int kColumnGap = 8;
constexpr int kDescriptionHeight = 34;  // room for four lines in the narrow variants
constexpr int kLabelHeight = 16;        // the column labels may wrap
constexpr int kLineHeight = 9;          // a label of one line
constexpr int kIndent = 12;             // of the second list when stacked
constexpr int kComboHeight = 60;        // with the dropped-down list
constexpr int kPickerWidth = 60;
constexpr int kGroupGap = 3;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

} // namespace

CDialogTemplate BuildRulesTemplate(const CRulesLayout& layout)
{
    const bool hasCheckRow = !layout.newerThanText.empty();
    const bool stacked = layout.listsStacked;
    const int innerX = kMargin + kPadding;
    const int innerWidth = layout.width - 2 * (kMargin + kPadding);
    // Side by side: two columns. Stacked: the action list at the full width,
    // the second list below it, indented.
    const int actionWidth = stacked ? innerWidth : (innerWidth - kColumnGap) / 2;
    const int noRightsX = stacked ? innerX + kIndent : innerX + actionWidth + kColumnGap;
    const int noRightsWidth = stacked ? innerWidth - kIndent : actionWidth;
    const int listStep = 18;  // from a list to the row below it
    const int checkY = stacked ? 11 + 2 * listStep + 1 : 11 + listStep + 1;
    const int lastListY = stacked ? 11 + listStep : 11;
    const int groupHeight = hasCheckRow ? checkY + 12 + 6 : lastListY + 14 + 5;

    CTemplateBuilder t(layout.templateId, "Optionen", layout.width, 0);
    int y = kMargin;
    t.Add(kIdStatic, ControlType::staticText, layout.description, kMargin, y, layout.width - 2 * kMargin,
          kDescriptionHeight);
    y += kDescriptionHeight + 4;
    if (stacked) {
        t.Add(kIdStatic, ControlType::staticText, kActionLabel, innerX, y, innerWidth, kLineHeight);
        y += kLineHeight;
        t.Add(kIdStatic, ControlType::staticText, layout.noRightsLabel, noRightsX, y, noRightsWidth, kLineHeight);
        y += kLineHeight + 2;
    } else {
        t.Add(kIdStatic, ControlType::staticText, kActionLabel, innerX, y, actionWidth, kLabelHeight);
        t.Add(kIdStatic, ControlType::staticText, layout.noRightsLabel, noRightsX, y, noRightsWidth, kLabelHeight);
        y += kLabelHeight + 2;
    }

    for (int row = 0; row < kRowCount; ++row) {
        const CRuleRowIds& ids = layout.rows[row];
        t.Add(kIdStatic, ControlType::groupBox, kRowCaptions[row], kMargin, y, layout.width - 2 * kMargin,
              groupHeight);
        CControlTemplate& action = t.Add(ids.action, ControlType::dropDownList, "", innerX, y + 11, actionWidth,
                                         kComboHeight);
        action.groupStart = true;
        action.entries = layout.actionEntries[row];
        CControlTemplate& noRights = t.Add(ids.noRights, ControlType::dropDownList, "", noRightsX,
                                           y + 11 + (stacked ? listStep : 0), noRightsWidth, kComboHeight);
        noRights.groupStart = true;
        noRights.entries = layout.noRightsEntries;
        if (hasCheckRow) {
            const int pickerX = innerX + innerWidth - kPickerWidth;
            t.Add(ids.newerThan, ControlType::checkBox, layout.newerThanText, innerX, y + checkY,
                  pickerX - innerX - 4, 12).groupStart = true;
            t.Add(ids.newerThanDate, ControlType::datePicker, "", pickerX, y + checkY - 1, kPickerWidth, 14)
                .groupStart = true;
        }
        y += groupHeight + kGroupGap;
    }

    y += 4;
    const int cancelX = layout.width - kMargin - kButtonWidth;
    CControlTemplate& ok = t.Add(kIdOk, ControlType::pushButton, "OK", cancelX - 4 - kButtonWidth, y, kButtonWidth,
                                 kButtonHeight);
    ok.groupStart = true;
    ok.defaultButton = true;
    t.Add(kIdCancel, ControlType::pushButton, "Abbrechen", cancelX, y, kButtonWidth, kButtonHeight);
    t.Template().height = y + kButtonHeight + kMargin;
    return t.Take();
}

} // namespace tarnwel::rules_parts
