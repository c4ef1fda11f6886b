#pragma once
// Builds a dialog template control by control, in tab order:
//
//   CTemplateBuilder t(145, "Information", 200, 234);
//   t.Add(ids::kText, ControlType::edit, "", 7, 7, 186, 120).multiLine = true;
//   t.Add(kIdOk, ControlType::pushButton, "OK", 75, 213, 50, 14).defaultButton = true;
//   return t.Take();

#include "platform/ui/DialogTemplate.h"

#include <string>
#include <utility>

namespace tarnwel {

class CTemplateBuilder {
public:
    CTemplateBuilder(int id, std::string caption, int width, int height)
    {
        m_template.id = id;
        m_template.caption = std::move(caption);
        m_template.width = width;
        m_template.height = height;
    }

    // The control just added stays reachable through the reference until the
    // next Add.
    CControlTemplate& Add(int id, ControlType type, std::string text, int x, int y, int width, int height)
    {
        CControlTemplate control;
        control.id = id;
        control.type = type;
        control.text = std::move(text);
        control.x = x;
        control.y = y;
        control.width = width;
        control.height = height;
        m_template.controls.push_back(std::move(control));
        return m_template.controls.back();
    }

    CDialogTemplate& Template() { return m_template; }
    CDialogTemplate Take() { return std::move(m_template); }

private:
    CDialogTemplate m_template;
};

} // namespace tarnwel
