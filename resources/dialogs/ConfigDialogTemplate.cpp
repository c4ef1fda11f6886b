#include "resources/dialogs/ConfigDialogIds.h"

#include "platform/ui/CTemplateBuilder.h"

namespace tarnwel::config_dialog {

CDialogTemplate Template(DialogVariant variant)
{
    const bool wizard = variant == DialogVariant::wizard;
    const CConfigIds ids = Ids(variant);
    CTemplateBuilder t(kTemplateId,
                       wizard ? "Konfiguration der Replikator Einstellungen" : "Replikatoreigenschaften konfigurieren",
                       320, 254);

    t.Add(kIdStatic, ControlType::groupBox, "Generelle Optionen", 7, 7, 306, 114);
    t.Add(kIdStatic, ControlType::staticText, "Ziel URL:", 14, 20, 60, 8);
    t.Add(ids.url, ControlType::edit, "", 80, 18, 226, 14).groupStart = true;
    t.Add(kIdStatic, ControlType::staticText, "Benutzername:", 14, 38, 60, 8);
    t.Add(ids.userName, ControlType::edit, "", 80, 36, 226, 14).groupStart = true;
    t.Add(kIdStatic, ControlType::staticText, "Passwort:", 14, 56, 60, 8);
    CControlTemplate& password = t.Add(ids.password, ControlType::edit, "", 80, 54, 226, 14);
    password.groupStart = true;
    password.password = true;
    t.Add(ids.all, ControlType::radioButton, "Repliziere alle Elemente", 14, 74, 292, 10).groupStart = true;
    t.Add(ids.since, ControlType::radioButton,
          wizard ? "Repliziere nur Elemente die erstellt/verändert wurden, nach:"
                 : "Repliziere nur Elemente die ab folgendem Datum erstellt/verändert wurden:",
          14, 88, 292, 10);
    t.Add(ids.sinceDate, ControlType::datePicker, "", 26, 101, 70, 14).groupStart = true;

    t.Add(kIdStatic, ControlType::groupBox, "Replikation Konflikt-Konfiguration", 7, 125, 306, 102);
    struct Situation {
        const char* text;
        int button;
        const char* caption;
    };
    const Situation situations[] = {
        {"Wenn von einem Datenpaar mindestens eines oder beide Elemente verändert wurden", ids.ovrRules,
         wizard ? "Konfigurieren" : "Konfigurieren "},
        {"Wenn von einem Datenpaar das Outlook Element gelöscht wurde", ids.olDeletedRules,
         wizard ? "Konfigurieren" : "Konfigurieren "},
        {"Wenn von einem Datenpaar das DRAV Element gelöscht wurde", ids.twDeletedRules, "Konfigurieren"},
        {"Wenn ein Outlook Element niemals zuvor repliziert wurde", ids.newRules, "Konfigurieren"},
    };
    int y = 138;
    for (const Situation& situation : situations) {
        t.Add(kIdStatic, ControlType::staticText, situation.text, 14, y, 236, 16);
        t.Add(situation.button, ControlType::pushButton, situation.caption, 256, y - 1, 50, 14).groupStart = true;
        y += 22;
    }

    CControlTemplate& ok = t.Add(kIdOk, ControlType::pushButton, "OK", 206, 233, 50, 14);
    ok.groupStart = true;
    ok.defaultButton = true;
    t.Add(kIdCancel, ControlType::pushButton, "Abbrechen", 263, 233, 50, 14);
    return t.Take();
}

} // namespace tarnwel::config_dialog
