#pragma once
// A dialog's template: its id, caption, size in dialog units and its controls
// by id. Templates are data; the dialog's logic and the backends read them.

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
    // Position and size in dialog units.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // The first control of a group: automatic radio buttons form one group
    // from a control with this flag up to the next one.
    bool groupStart = false;
    bool multiLine = false;
    bool readOnly = false;
    bool verticalScroll = false;
    bool defaultButton = false;
    bool disabled = false;
    bool hidden = false;
};

struct CDialogTemplate {
    int id = 0;
    std::string caption;
    int width = 0;   // dialog units
    int height = 0;
    std::vector<CControlTemplate> controls;
};

} // namespace tarnwel
