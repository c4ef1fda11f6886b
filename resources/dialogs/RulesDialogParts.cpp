#include "resources/dialogs/RulesDialogParts.h"

#include "platform/ui/CTemplateBuilder.h"

namespace tarnwel::rules_parts {

namespace {

constexpr int kMargin = 7;
constexpr int kPadding = 7;  // inside a group box
constexpr int kColumnGap = 8;
constexpr int kDescriptionHeight = 34;  // room for four lines in the narrow variants
constexpr int kLabelHeight = 16;        // the column labels may wrap
constexpr int kComboHeight = 60;        // with the dropped-down list
constexpr int kPickerWidth = 60;
constexpr int kGroupGap = 3;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

} // namespace

CDialogTemplate BuildRulesTemplate(const CRulesLayout& layout)
{
    const bool hasCheckRow = !layout.newerThanText.empty();
    const int innerX = kMargin + kPadding;
    const int innerWidth = layout.width - 2 * (kMargin + kPadding);
    const int columnWidth = (innerWidth - kColumnGap) / 2;
    const int rightX = innerX + columnWidth + kColumnGap;
    const int groupHeight = hasCheckRow ? 48 : 30;

    CTemplateBuilder t(layout.templateId, "Optionen", layout.width, 0);
    int y = kMargin;
    t.Add(kIdStatic, ControlType::staticText, layout.description, kMargin, y, layout.width - 2 * kMargin,
          kDescriptionHeight);
    y += kDescriptionHeight + 4;
    t.Add(kIdStatic, ControlType::staticText, kActionLabel, innerX, y, columnWidth, kLabelHeight);
    t.Add(kIdStatic, ControlType::staticText, layout.noRightsLabel, rightX, y, columnWidth, kLabelHeight);
    y += kLabelHeight + 2;

    for (int row = 0; row < kRowCount; ++row) {
        const CRuleRowIds& ids = layout.rows[row];
        t.Add(kIdStatic, ControlType::groupBox, kRowCaptions[row], kMargin, y, layout.width - 2 * kMargin,
              groupHeight);
        CControlTemplate& action = t.Add(ids.action, ControlType::dropDownList, "", innerX, y + 11, columnWidth,
                                         kComboHeight);
        action.groupStart = true;
        action.entries = layout.actionEntries[row];
        CControlTemplate& noRights = t.Add(ids.noRights, ControlType::dropDownList, "", rightX, y + 11,
                                           columnWidth, kComboHeight);
        noRights.groupStart = true;
        noRights.entries = layout.noRightsEntries;
        if (hasCheckRow) {
            const int pickerX = innerX + innerWidth - kPickerWidth;
            t.Add(ids.newerThan, ControlType::checkBox, layout.newerThanText, innerX, y + 30,
                  pickerX - innerX - 4, 12).groupStart = true;
            t.Add(ids.newerThanDate, ControlType::datePicker, "", pickerX, y + 29, kPickerWidth, 14).groupStart =
                true;
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
