#pragma once
// The parts that the run's question dialogs share: the item text, the frame
// of the options, the options and the OK button.

#include "platform/ui/CTemplateBuilder.h"

#include <string>

namespace tarnwel::question_parts {

// Option texts may wrap over two lines: 18 units leave room for them.
inline constexpr int kOptionHeight = 18;

// The item text: multi-line, read-only, with a vertical scroll bar.
inline void ItemText(CTemplateBuilder& t, int id, int x, int y, int width, int height)
{
    CControlTemplate& edit = t.Add(id, ControlType::edit, "", x, y, width, height);
    edit.groupStart = true;
    edit.multiLine = true;
    edit.readOnly = true;
    edit.verticalScroll = true;
}

// The options' frame; the options inside it form one group that starts with
// the first of them.
inline void OptionsFrame(CTemplateBuilder& t, int x, int y, int width, int height)
{
    t.Add(kIdStatic, ControlType::groupBox, "Was wollen Sie tun?", x, y, width, height).groupStart = true;
}

inline void Option(CTemplateBuilder& t, int id, std::string text, int x, int y, int width, int height,
                   bool first = false)
{
    t.Add(id, ControlType::radioButton, std::move(text), x, y, width, height).groupStart = first;
}

inline void OkButton(CTemplateBuilder& t, int x, int y)
{
    CControlTemplate& ok = t.Add(kIdOk, ControlType::pushButton, "OK", x, y, 50, 14);
    ok.groupStart = true;
    ok.defaultButton = true;
}

} // namespace tarnwel::question_parts
