#pragma once
// The wizard application: its settings record, the three choice texts and
// the start-up that runs the page chain. One instance per program; the
// automation class reaches it through Current().

#include "wizard/CWizardSettings.h"
#include "wizard/ChoiceTexts.h"
#include "wizard/WizardAutomation.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwel {

class CDialog;
class CResourceTable;

class CWizardApp {
public:
    explicit CWizardApp(const CResourceTable& resources);
    ~CWizardApp();
    CWizardApp(const CWizardApp&) = delete;
    CWizardApp& operator=(const CWizardApp&) = delete;

    // The living instance; null when there is none.
    static CWizardApp* Current();

    // The hook for the automation class (not owned; null: none).
    void SetAutomation(IWizardAutomation* automation) { m_automation = automation; }

    // Start-up with the program's arguments (without the program name):
    // automation switches, settings path, load, then the page chain. Returns
    // the exit code.
    int InitInstance(std::vector<std::string> arguments);

    // The application stays alive while locked: after the page chain has
    // ended, WaitWhileLocked waits until the last Unlock. Any thread may lock
    // and unlock.
    void Lock();
    void Unlock();
    bool IsLocked() const;
    // Called once the last lock went (from the thread that unlocked); the Qt
    // program quits its waiting event loop there.
    void SetUnlockedHandler(std::function<void()> handler);

    // The page that is the application's main window now: the
    // first-replication page while it runs (also when the connection page
    // opened it), otherwise the connection page during an installer start;
    // null before start-up created a page and after the chain ended.
    CDialog* MainPage() const;

    // The settings file for the command line (the arguments joined by
    // blanks): "TarnwelClient.ini" in the working directory without one;
    // otherwise the text followed by "TarnwelClient.ini", with a "/" between
    // when the text names an existing directory without a trailing "/".
    static std::string SettingsPath(const std::string& commandLine);

    CWizardSettings& Settings() { return m_settings; }
    const CChoiceTexts& ChoiceTexts() const { return m_choiceTexts; }
    bool StartedForAutomation() const { return m_startedForAutomation; }

private:
    const CResourceTable& m_resources;
    CWizardSettings m_settings;
    CChoiceTexts m_choiceTexts;
    IWizardAutomation* m_automation = nullptr;
    bool m_startedForAutomation = false;
    mutable std::mutex m_lockMutex;
    int m_locks = 0;
    std::function<void()> m_unlocked;
};

} // namespace tarnwel
