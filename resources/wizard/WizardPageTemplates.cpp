#include "resources/wizard/WizardPageTemplates.h"

#include "platform/ui/CTemplateBuilder.h"
#include "resources/wizard/WizardIconIds.h"
#include "resources/wizard/WizardPageIds.h"

#include <vector>

namespace tarnwel::wizard_pages {

namespace {

constexpr int kPageWidth = 300;
constexpr int kPageHeight = 166;
constexpr int kButtonY = 145;

// A choice page: its question in a group, one radio per choice, and the
// buttons in the order of its page.
CDialogTemplate ChoicePage(int id, const char* caption, const char* group, const char* question,
                           const std::vector<const char*>& choices, bool firstPage)
{
    CTemplateBuilder t(id, caption, kPageWidth, kPageHeight);
    t.Add(kIdStatic, ControlType::groupBox, group, 7, 7, 286, 128);
    t.Add(kIdStatic, ControlType::staticText, question, 17, 22, 266, 18);
    int y = 46;
    int radio = kRadio1;
    for (const char* choice : choices) {
        t.Add(radio, ControlType::radioButton, choice, 27, y, 256, 12).groupStart = radio == kRadio1;
        ++radio;
        y += 20;
    }
    if (firstPage) {
        t.Add(kIdCancel, ControlType::pushButton, "Abbrechen", 7, kButtonY, 56, 14).groupStart = true;
        t.Add(kNext, ControlType::pushButton, "Weiter", 237, kButtonY, 56, 14);
        t.Add(kBack, ControlType::pushButton, "Zurück", 175, kButtonY, 56, 14).hidden = true;
    } else {
        t.Add(kNext, ControlType::pushButton, "Weiter", 237, kButtonY, 56, 14).groupStart = true;
        t.Add(kBack, ControlType::pushButton, "Zurück", 175, kButtonY, 56, 14);
        t.Add(kIdCancel, ControlType::pushButton, "Abbrechen", 7, kButtonY, 56, 14);
    }
    return t.Take();
}

} // namespace

CDialogTemplate ConnectionPageTemplate()
{
    CTemplateBuilder t(kConnectionPage, "Installationsoptionen", kPageWidth, 120);
    t.Add(kIdStatic, ControlType::staticText, "Bitte konfigurien Sie Ihre Verbindung", 14, 10, 272, 10);
    t.Add(kIdStatic, ControlType::staticText, "URL:", 14, 32, 60, 8);
    t.Add(kUrl, ControlType::edit, "", 80, 30, 206, 14).groupStart = true;
    t.Add(kIdStatic, ControlType::staticText, "Benutzername:", 14, 52, 60, 8);
    t.Add(kUserName, ControlType::edit, "", 80, 50, 206, 14).groupStart = true;
    t.Add(kIdStatic, ControlType::staticText, "Passwort:", 14, 72, 60, 8);
    CControlTemplate& password = t.Add(kPassword, ControlType::edit, "", 80, 70, 206, 14);
    password.groupStart = true;
    password.password = true;
    CControlTemplate& next = t.Add(kIdOk, ControlType::pushButton, "Weiter", 237, 99, 56, 14);
    next.groupStart = true;
    next.defaultButton = true;
    t.Add(kIdCancel, ControlType::pushButton, "Zurück", 175, 99, 56, 14);
    return t.Take();
}

CDialogTemplate FirstPageTemplate()
{
    return ChoicePage(kFirstPage, "DRAV Konfiguration", "Was sollte der Replikator tun?",
                      "Wie sollten Outlook Elemente zum allerersten Mal repliziert werden:",
                      {"Automatisch, nur die Adressen werden manuell zugeordnet",
                       "Automatisch, für jeden Kontakt wird eine neue Adresse erstellt",
                       "Bei jedem neuen Element fragen", "Outlook-Elemente nicht replizieren"},
                      true);
}

CDialogTemplate ChangedPageTemplate()
{
    return ChoicePage(kChangedPage, "Optionen", "Was soll der Replikator tun?",
                      "Wenn eines der replizierten Datenpaare verändert wurde:",
                      {"DRAV erhält Priorität", "Überschreibe das ältere Element", "Outlook erhält Priorität",
                       "Frage für jedes geänderte Element"},
                      false);
}

CDialogTemplate DeletedPageTemplate()
{
    return ChoicePage(kDeletedPage, "Optionen", "Was soll der Replikator tun?",
                      "Wenn eines der replizierten Datenpaare gelöscht wurde:",
                      {"Lösche auch das andere Element", "Stelle das gelöschte Element wieder her",
                       "Frage für jedes zu löschende Element"},
                      false);
}

CDialogTemplate SummaryPageTemplate()
{
    CTemplateBuilder t(kSummaryPage, "Zusammenfassung", 330, 262);
    t.Add(kIdStatic, ControlType::groupBox, "Die gewählten Optionen sind:", 7, 7, 316, 138);
    t.Add(kSummaryText, ControlType::staticText, "Resultate", 17, 20, 296, 90);
    t.Add(kNoRightsNote, ControlType::staticText,
          "Wenn Sie keine Rechte haben, macht der Replikator nichts (Standardwert).", 17, 114, 296, 26);
    t.Add(kIdStatic, ControlType::groupBox, "Notizen", 7, 150, 316, 84);
    t.Add(kIdStatic, ControlType::staticText, "Benutzen Sie die erweiterten Optionen für:", 17, 163, 296, 10);
    t.Add(kIdStatic, ControlType::staticText, "Konfiguration der Verbindung (URL, Benutzername, Passwort)", 27, 178,
          286, 10);
    t.Add(kIdStatic, ControlType::staticText, "Konfiguration der erweiterten  Replikationsoptionen", 27, 193, 286,
          10);
    t.Add(kIdStatic, ControlType::staticText, "Optionen, falls der Benutzer keine Rechte in DRAV hat.", 27, 208, 286,
          10);
    CControlTemplate& finish = t.Add(kIdOk, ControlType::pushButton, "Fertigstellen", 255, 241, 68, 14);
    finish.groupStart = true;
    finish.defaultButton = true;
    t.Add(kBack, ControlType::pushButton, "Zurück", 181, 241, 68, 14);
    t.Add(kAdvanced, ControlType::pushButton, "Erweitert", 81, 241, 68, 14);
    t.Add(kIdCancel, ControlType::pushButton, "Abbrechen", 7, 241, 68, 14);
    return t.Take();
}

CDialogTemplate AboutDialogTemplate()
{
    CTemplateBuilder t(kAboutDialog, "Über DRAV", 170, 62);
    t.Add(kIdStatic, ControlType::picture, "", 11, 14, 21, 20).iconId = wizard_icons::kApplication;
    t.Add(kIdStatic, ControlType::staticText, "DRAV Version 1.0", 40, 18, 119, 10);
    CControlTemplate& ok = t.Add(kIdOk, ControlType::pushButton, "OK", 110, 41, 50, 14);
    ok.groupStart = true;
    ok.defaultButton = true;
    return t.Take();
}

} // namespace tarnwel::wizard_pages
