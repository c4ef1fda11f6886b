#include "resources/DialogTemplates.h"

#include <map>
#include <stdexcept>
#include <string>

namespace tarnwel {

namespace {

// Builds one template control by control, in tab order.
class CTemplateBuilder {
public:
    CTemplateBuilder(int id, std::string caption, int width, int height)
    {
        m_template.id = id;
        m_template.caption = std::move(caption);
        m_template.width = width;
        m_template.height = height;
    }

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

    // The item text every run-time question shows: multi-line, read-only,
    // with a vertical scroll bar.
    void ItemText(int x, int y, int width, int height)
    {
        CControlTemplate& edit = Add(1010, ControlType::edit, "", x, y, width, height);
        edit.groupStart = true;
        edit.multiLine = true;
        edit.readOnly = true;
        edit.verticalScroll = true;
    }

    // The options' frame; the options inside it form one group that starts
    // with the first of them.
    void OptionsFrame(int x, int y, int width, int height)
    {
        Add(kIdStatic, ControlType::groupBox, "Was wollen Sie tun?", x, y, width, height).groupStart = true;
    }

    void Option(int id, std::string text, int x, int y, int width, int height, bool first = false)
    {
        Add(id, ControlType::radioButton, std::move(text), x, y, width, height).groupStart = first;
    }

    void OkButton(int x, int y)
    {
        CControlTemplate& ok = Add(kIdOk, ControlType::pushButton, "OK", x, y, 50, 14);
        ok.groupStart = true;
        ok.defaultButton = true;
    }

    CDialogTemplate Take() { return std::move(m_template); }

private:
    CDialogTemplate m_template;
};

// Option texts may wrap over two lines: 18 units leave room for them.
constexpr int kOptionHeight = 18;

CDialogTemplate ConflictTemplate()
{
    CTemplateBuilder t(145, "Information", 200, 234);
    t.ItemText(7, 7, 186, 120);
    t.OptionsFrame(7, 132, 186, 76);
    t.Option(1011, "Erstelle den Termin in DRAV", 14, 144, 172, kOptionHeight, true);
    t.Option(1012, "Lösche den Outlook Termin ", 14, 164, 172, kOptionHeight);
    t.Option(1013, "Alles unverändert lassen", 14, 184, 172, kOptionHeight);
    t.OkButton(75, 213);
    return t.Take();
}

CDialogTemplate ContactConflictTemplate()
{
    CTemplateBuilder t(131, "Information", 245, 322);
    t.ItemText(7, 7, 231, 140);
    t.OptionsFrame(7, 152, 231, 142);
    t.Option(1011, "Erstelle eine eine neue DRAV Adresse, mit dem Outlook Kontakt als einzelner DRAV Kontakt.", 14,
             164, 217, kOptionHeight, true);
    t.Option(1012, "Überschreibe die DRAV Adresse mit den Outlook Elementen ", 14, 184, 217, kOptionHeight);
    t.Option(1013, "Ordne den Outlook Kontakt, einer der existierenden DRAV Adressen zu:", 14, 204, 217,
             kOptionHeight);
    // The list's height includes its dropped-down part.
    t.Add(1014, ControlType::dropDownList, "", 26, 224, 205, 80);
    t.Add(1007, ControlType::checkBox,
          "und belass eine Kopie des DRAV Kontaktes bei seiner ehemaligen DRAV Adresse.", 26, 240, 205,
          kOptionHeight);
    t.Option(1018, "Überschreibe den Outlook Kontakt mit der Adresse und dem Kontakt des DRAV Gegenstückes.", 14,
             260, 217, kOptionHeight);
    t.Option(1055, "Lass alles unverändert auf beiden Seiten.", 14, 280, 217, 10);
    t.OkButton(97, 301);
    return t.Take();
}

CDialogTemplate ContactLinkTemplate()
{
    CTemplateBuilder t(142, "Information", 233, 286);
    t.ItemText(7, 7, 219, 120);
    t.OptionsFrame(7, 132, 219, 118);
    t.Option(1011, "Erstelle eine eine neue DRAV Adresse, mit dem Outlook Kontakt als einzelner DRAV Kontakt.", 14,
             144, 205, kOptionHeight, true);
    t.Option(1012, "Ordne den Outlook Kontakt einer der folgenden DRAV Adressen zu:", 14, 164, 205, kOptionHeight);
    t.Add(1014, ControlType::dropDownList, "", 26, 184, 193, 80);
    t.Option(1013, "Den Outlook Kontakt löschen", 14, 202, 205, kOptionHeight);
    t.Option(1018, "Alles unverändert lassen", 14, 222, 205, kOptionHeight);
    t.OkButton(91, 262);
    return t.Take();
}

const std::map<int, CDialogTemplate>& Templates()
{
    static const std::map<int, CDialogTemplate> templates = [] {
        std::map<int, CDialogTemplate> all;
        for (CDialogTemplate t : {ConflictTemplate(), ContactConflictTemplate(), ContactLinkTemplate()})
            all.emplace(t.id, std::move(t));
        return all;
    }();
    return templates;
}

} // namespace

const CDialogTemplate& LoadDialogTemplate(int id)
{
    const auto& templates = Templates();
    const auto found = templates.find(id);
    if (found == templates.end())
        throw std::out_of_range("no dialog template " + std::to_string(id));
    return found->second;
}

} // namespace tarnwel
