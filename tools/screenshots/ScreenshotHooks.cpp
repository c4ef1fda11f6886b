#include "tools/screenshots/ScreenshotHooks.h"

#include "engine/CConflictDialog.h"
#include "engine/CContactConflictDialog.h"
#include "engine/CContactLinkDialog.h"
#include "client/CCategoryDialog.h"
#include "client/CMainDialog.h"
#include "dialogs/CConfigDialog.h"
#include "dialogs/CNewRulesDialog.h"
#include "dialogs/COLDeletedRulesDialog.h"
#include "dialogs/COvrRulesDialog.h"
#include "client/CScheduleDialog.h"
#include "dialogs/CTWDeletedRulesDialog.h"
#include "dialogs/CWizardConfigDialog.h"
#include "engine/CContactRun.h"
#include "settings/CReplicationSettings.h"
#include "records/CAppointmentRecord.h"
#include "records/CContactRecord.h"
#include "resources/StringTable.h"
#include "resources/client/ClientResources.h"
#include "resources/wizard/WizardResources.h"
#include "tools/screenshots/SampleSettings.h"
#include "resources/wizard/WizardPageIds.h"
#include "wizard/CChangedPage.h"
#include "wizard/CConnectionPage.h"
#include "wizard/CDeletedPage.h"
#include "wizard/CSummaryPage.h"
#include "wizard/CTarnwelDlg.h"

#include <filesystem>

namespace tarnwel {

namespace {

CContactRecord Contact(const char* firstName, const char* lastName, const char* phone)
{
    CContactRecord contact;
    contact.salutation = "Frau";
    contact.firstName = firstName;
    contact.lastName = lastName;
    contact.position = "Leiterin Einkauf";
    contact.department = "Einkauf";
    contact.phone = phone;
    contact.email = "a.mueller@example.ch";
    contact.address.company = "Müller & Söhne AG";
    contact.address.street = "Bahnhofstrasse 12";
    contact.address.zipcode = "3011";
    contact.address.city = "Bern";
    contact.address.country = "Schweiz";
    return contact;
}

// The companies a contact question offers.
const std::vector<std::string>& Companies()
{
    static const std::vector<std::string> names = {"Müller & Söhne AG", "Gerber Treuhand GmbH",
                                                   "Stadtwerke Thun", "Zürcher Versicherungen"};
    return names;
}

std::unique_ptr<CDialog> ConflictQuestion()
{
    CAppointmentRecord outlook;
    outlook.description = "Projektbesprechung Jahresabschluss";
    outlook.location = "Sitzungszimmer 3";
    outlook.start = COleDate::FromFields(2026, 3, 5, 9, 30);
    outlook.end = COleDate::FromFields(2026, 3, 5, 11, 0);
    CAppointmentRecord server = outlook;
    server.location = "Sitzungszimmer 1, 2. Stock";
    server.end = COleDate::FromFields(2026, 3, 5, 12, 0);
    auto dialog = std::make_unique<CConflictDialog>();
    dialog->m_text = outlook.GetDifferences(server);
    dialog->m_firstCaption = LoadResourceText(string_id::kOverwriteServerCaption);
    dialog->m_secondCaption = LoadResourceText(string_id::kOverwriteOutlookCaption);
    dialog->m_hintGiven = true;
    dialog->m_hintFavoursFirst = true;
    return dialog;
}

std::unique_ptr<CDialog> ContactConflictQuestion()
{
    const CContactRecord outlook = Contact("Anna", "Müller", "+41 31 123 45 67");
    CContactRecord server = Contact("Anna", "Müller-Meier", "+41 31 123 45 00");
    server.address.street = "Bahnhofplatz 1";
    auto dialog = std::make_unique<CContactConflictDialog>();
    dialog->m_text = outlook.GetContactDifferences(server, 1, 1);
    dialog->m_personalDiffers = dialog->m_addressDiffers = true;
    dialog->m_addressRight = dialog->m_writeRight = true;
    dialog->m_outlookNewer = true;
    dialog->SetShowOverwrite(true);
    dialog->SetCompanyNames(&Companies());
    return dialog;
}

std::unique_ptr<CDialog> ContactLinkQuestion()
{
    auto dialog = std::make_unique<CContactLinkDialog>();
    dialog->m_addressRight = dialog->m_writeRight = true;
    dialog->m_newAddressCaption = CContactRunKind::kDialog.createOnServer;
    dialog->m_linkCaption = CContactRunKind::kLinkCaption;
    dialog->m_deleteCaption = CContactRunKind::kDialog.removeInOutlook;
    dialog->m_text = std::string(CContactRunKind::kDialog.neverReplicated)
                     + Contact("Beat", "Gerber", "+41 33 222 33 44").GetDescription();
    dialog->SetCompanyNames(&Companies());
    return dialog;
}

// The settings a user's file would hold. The settings dialogs edit this one
// record, which lives as long as the program.
CReplicationSettings& Settings()
{
    static CReplicationSettings settings = SampleSettings();
    return settings;
}

const CResourceTable& Table(DialogVariant variant)
{
    return variant == DialogVariant::client ? ClientResources() : WizardResources();
}

template <class Dialog>
std::function<std::unique_ptr<CDialog>()> RulesDialog(DialogVariant variant)
{
    return [variant] { return std::make_unique<Dialog>(Settings(), variant, Table(variant)); };
}

// The wizard's pages on a user's file, with the longest choices made.
CWizardContext& WizardContext()
{
    static CWizardSettings settings = [] {
        CWizardSettings wizardSettings;
        static_cast<CReplicationSettings&>(wizardSettings) = SampleSettings();
        return wizardSettings;
    }();
    static CChoiceTexts choices = {"Automatisch, für jeden Kontakt wird eine neue Adresse erstellt",
                                   "Frage für jedes geänderte Element", "Stelle das gelöschte Element wieder her"};
    static CWizardContext context{settings, choices, WizardResources()};
    return context;
}

template <class Page>
std::function<std::unique_ptr<CDialog>()> WizardPage()
{
    return [] { return std::make_unique<Page>(WizardContext()); };
}

} // namespace

// The main window as its showings leave it: collapsed at the start, with its
// status lines, during a run and after one. Its settings file lies in the
// temporary directory.
class CShownMainDialog : public CMainDialog {
public:
    enum class State { start, expanded, running, finished };

    explicit CShownMainDialog(State state) : CMainDialog(Options()), m_state(state) {}

protected:
    bool OnInitDialog() override
    {
        CMainDialog::OnInitDialog();
        if (m_state == State::start)
            return true;
        OnClicked(main_dialog::kToggleExpanded);
        if (m_state == State::running) {
            SetRunningState();
            SetHeaderText("Verbinde zu Server");
            SetStatusControl(kAppointmentKind);
            ShowStatusCount(string_id::kAppointmentsServerRecord, 37, 112);
            SetStatusLineText(kContactKind, "Kontakte sind nicht repliziert worden");
        } else if (m_state == State::finished) {
            SetHeaderText("Nicht verbunden");
            SetStatusControl(kAppointmentKind);
            ShowStatus(string_id::kAppointmentsEnd);
            SetStatusLineText(kContactKind, "Kontakte sind nicht repliziert worden");
            SetStatusControl(kTaskKind);
            ShowStatus(string_id::kTasksEnd);
            SetResultText("Replikation abgeschlossen um 05.03.2026 09:41:17");
            SetFinishedState();
        }
        return true;
    }

private:
    static CMainDialogOptions Options()
    {
        CMainDialogOptions options;
        options.settingsPath = (std::filesystem::temp_directory_path() / "tarnwel-screenshots.ini").string();
        CReplicationSettings settings = SampleSettings();
        settings.replicateContacts = 0;
        settings.Save(options.settingsPath);
        return options;
    }

    State m_state;
};

CScreenshotHook MainWindow(CShownMainDialog::State state, std::string variant)
{
    CScreenshotHook hook;
    hook.program = "client";
    hook.dialogId = CMainDialog::kTemplateId;
    hook.make = [state] { return std::make_unique<CShownMainDialog>(state); };
    hook.variant = std::move(variant);
    return hook;
}

const std::vector<CScreenshotHook>& ScreenshotHooks()
{
    static const std::vector<CScreenshotHook> hooks = {
        // The run's questions: the client runs the replications.
        {"client", CConflictDialog::kTemplateId, ConflictQuestion},
        {"client", CContactConflictDialog::kTemplateId, ContactConflictQuestion},
        {"client", CContactLinkDialog::kTemplateId, ContactLinkQuestion},
        // The settings dialogs, on the record of a user's file.
        {"client", CConfigDialog::kTemplateId, [] { return std::make_unique<CConfigDialog>(Settings(), DialogVariant::client, ClientResources()); }},
        {"wizard", CConfigDialog::kTemplateId, [] { return std::make_unique<CWizardConfigDialog>(Settings(), WizardResources()); }},
        {"client", CScheduleDialog::kTemplateId, [] { return std::make_unique<CScheduleDialog>(Settings()); }},
        {"client", CCategoryDialog::kTemplateId, [] { return std::make_unique<CCategoryDialog>(Settings(), CCategoryDialog::Mode::replicate); }},
        {"client", COvrRulesDialog::kTemplateId, RulesDialog<COvrRulesDialog>(DialogVariant::client)},
        {"wizard", COvrRulesDialog::kTemplateId, RulesDialog<COvrRulesDialog>(DialogVariant::wizard)},
        {"client", COLDeletedRulesDialog::kTemplateId, RulesDialog<COLDeletedRulesDialog>(DialogVariant::client)},
        {"wizard", COLDeletedRulesDialog::kTemplateId, RulesDialog<COLDeletedRulesDialog>(DialogVariant::wizard)},
        {"client", CTWDeletedRulesDialog::kTemplateId, RulesDialog<CTWDeletedRulesDialog>(DialogVariant::client)},
        {"wizard", CTWDeletedRulesDialog::kTemplateId, RulesDialog<CTWDeletedRulesDialog>(DialogVariant::wizard)},
        {"client", CNewRulesDialog::kTemplateId, RulesDialog<CNewRulesDialog>(DialogVariant::client)},
        {"wizard", CNewRulesDialog::kTemplateId, RulesDialog<CNewRulesDialog>(DialogVariant::wizard)},
        // The main window: collapsed, expanded, running, after a run.
        MainWindow(CShownMainDialog::State::start, ""),
        MainWindow(CShownMainDialog::State::expanded, "expanded"),
        MainWindow(CShownMainDialog::State::running, "running"),
        MainWindow(CShownMainDialog::State::finished, "finished"),
        // The wizard's pages.
        {"wizard", wizard_pages::kConnectionPage, WizardPage<CConnectionPage>()},
        {"wizard", wizard_pages::kFirstPage, [] { return std::make_unique<CTarnwelDlg>(WizardContext(), true); }},
        {"wizard", wizard_pages::kChangedPage, WizardPage<CChangedPage>()},
        {"wizard", wizard_pages::kDeletedPage, WizardPage<CDeletedPage>()},
        {"wizard", wizard_pages::kSummaryPage, WizardPage<CSummaryPage>()},
    };
    return hooks;
}

} // namespace tarnwel
