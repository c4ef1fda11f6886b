#pragma once
// The client's application object. Its start-up decides whether this process
// becomes the running client at all: it handles the "/stop" command line,
// lets only one client run in a user's desktop session, and then runs the
// main dialog modally; when that dialog ends, the program ends. While the
// client runs, it turns the messages of other processes (activate, close) and
// the desktop session's end (SIGTERM, SIGINT) into actions on the main dialog,
// always on the user-interface thread.

#include "platform/ui/CDialog.h"
#include "platform/ui/CSingleInstance.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwel {

// A main window that carries an activation (a second start) out itself: the
// client's main dialog comes out of the tray the way "Öffnen" brings it, or
// does so later when it is busy.
class IActivationTarget {
public:
    virtual ~IActivationTarget() = default;
    virtual void ActivateWindow() = 0;
};

class CReplicatorApp {
public:
    static constexpr const char* kApplicationTitle = "DRAV replicator";
    // The one command line that does something: end the running client.
    static constexpr const char* kStopCommandLine = "/stop";

    using DialogFactory = std::function<std::unique_ptr<CDialog>()>;

    // `createMainDialog` makes the main dialog when this process becomes
    // the running client. `instanceDirectory` empty: the session's folder
    // (InstanceDirectory).
    explicit CReplicatorApp(DialogFactory createMainDialog, std::string instanceDirectory = {});
    virtual ~CReplicatorApp();
    CReplicatorApp(const CReplicatorApp&) = delete;
    CReplicatorApp& operator=(const CReplicatorApp&) = delete;

    // The command line as one text: the arguments after the program's name,
    // joined by blanks (an empty argument is written ""), so that "/stop "
    // or two words never read as "/stop".
    static std::string CommandLineText(const std::vector<std::string>& arguments);

    // The client's whole life, on the user-interface thread: title, command
    // line, single-instance check, the main dialog run modally. Returns the
    // program's exit status.
    int InitInstance(const std::string& commandLine);

    // A message of another process, on the user-interface thread: activate
    // shows the main window, close asks the main dialog to end as
    // "Verlassen und Sync deaktivieren" does. Returns whether it was one of
    // the two.
    bool PreTranslateMessage(const std::string& message);

    // Restores the main window when it is minimised or hidden and brings it,
    // or the modal window open above it, to the front; a main window that is
    // an IActivationTarget does this itself. Returns true.
    virtual bool ActivateMainWindow();

    // The desktop session ends (SIGTERM, SIGINT; any thread): the main dialog
    // gets the cancel command on the user-interface thread, which stops a
    // run, lets it save and ends the program. Asked before the main dialog
    // runs, the program ends without showing it.
    void RequestEnd();

    // True when another client runs; then it has been asked to show itself.
    bool IsAnotherInstanceRunning();

    CDialog* MainDialog() const { return m_mainDialog.get(); }

private:
    void EndOnUiThread();

    DialogFactory m_createMainDialog;
    CSingleInstance m_instance;
    std::unique_ptr<CDialog> m_mainDialog;
    std::atomic<bool> m_endRequested{false};
    // The posted calls reach the application only while it lives.
    std::shared_ptr<std::atomic<CReplicatorApp*>> m_self;
};

} // namespace tarnwel
