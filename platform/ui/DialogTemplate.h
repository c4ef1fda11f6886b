#pragma once
// A dialog's template: its id, caption, font, size in dialog units and its
// controls by id. Templates are data; the dialog's logic and the backends read
// them.

#include "platform/base/OleDate.h"

#include <string>
#include <vector>

namespace tarnwel {

// The ids with which OK and Cancel end a dialog, and the id of controls that
// the logic never addresses (group boxes, labels).
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdStatic = -1;

enum class ControlType { edit, staticText, radioButton, checkBox, dropDownList, datePicker, pushButton, groupBox, picture };

struct CControlTemplate {
    int id = kIdStatic;
    ControlType type = ControlType::staticText;
    std::string text;
    // Position and size in dialog units. A drop-down list's height includes
    // its dropped-down part.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // The first control of a group: automatic radio buttons form one group
    // from a control with this flag up to the next one.
    bool groupStart = false;
    // Edits: several lines, no typing, a vertical scroll bar, hidden input.
    bool multiLine = false;
    bool readOnly = false;
    bool verticalScroll = false;
    bool password = false;
    bool defaultButton = false;
    bool disabled = false;
    bool hidden = false;
    // Texts and edits: drawn in a bold font of this height in pixels on the
    // templates' platform (0: the dialog's font).
    int boldFontHeight = 0;
    // Push buttons and pictures: the icon (or bitmap) resource shown, 0 none.
    int iconId = 0;
    // Drop-down lists: the entries the list starts with, in this order (the
    // list is not sorted).
    std::vector<std::string> entries;
    // Date pickers: the date shown at the start.
    COleDate date;
};

struct CDialogTemplate {
    int id = 0;
    std::string caption;
    // The font from which dialog units are measured.
    std::string fontName = "Tahoma";
    int fontPointSize = 8;
    int width = 0;   // dialog units
    int height = 0;
    // The title bar has a minimise button.
    bool minimizeBox = false;
    std::vector<CControlTemplate> controls;
};

} // namespace tarnwel
