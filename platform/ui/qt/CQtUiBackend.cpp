#include "platform/ui/qt/CQtUiBackend.h"

#include "platform/ui/CDialog.h"
#include "platform/ui/qt/CQtDialogWindow.h"
#include "platform/ui/qt/QtConversions.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QMetaObject>
#include <QObject>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <condition_variable>

namespace tarnwel {

// One call queued to the user-interface thread, and the thread waiting for it.
struct CQtUiBackend::CPendingCall {
    std::mutex mutex;
    std::condition_variable finished;
    bool started = false;  // running on the user-interface thread
    bool done = false;
    bool ran = false;
};

namespace {

QMessageBox::Icon IconOf(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::information:
        return QMessageBox::Information;
    case MessageBoxIcon::warning:
        return QMessageBox::Warning;
    case MessageBoxIcon::stop:
        return QMessageBox::Critical;
    case MessageBoxIcon::question:
        return QMessageBox::Question;
    case MessageBoxIcon::none:
        break;
    }
    return QMessageBox::NoIcon;
}

MessageBoxResult ShowBox(const CMessageBoxRequest& request, const std::function<int(QDialog&)>& exec)
{
    QMessageBox box(IconOf(request.icon), ToQt(request.caption), ToQtLines(request.text), QMessageBox::NoButton);
    // A box shows its text as it stands: "<" and "&" are no markup.
    box.setTextFormat(Qt::PlainText);
    struct Button {
        MessageBoxResult result;
        QMessageBox::StandardButton standard;
        const char* text;
    };
    std::vector<Button> buttons;
    switch (request.buttons) {
    case MessageBoxButtons::ok:
        buttons = {{MessageBoxResult::ok, QMessageBox::Ok, "OK"}};
        break;
    case MessageBoxButtons::okCancel:
        buttons = {{MessageBoxResult::ok, QMessageBox::Ok, "OK"},
                   {MessageBoxResult::cancel, QMessageBox::Cancel, "Abbrechen"}};
        break;
    case MessageBoxButtons::yesNo:
        buttons = {{MessageBoxResult::yes, QMessageBox::Yes, "Ja"}, {MessageBoxResult::no, QMessageBox::No, "Nein"}};
        break;
    }
    for (const Button& button : buttons) {
        QPushButton* added = box.addButton(button.standard);
        added->setText(QString::fromUtf8(button.text));
        added->setObjectName(QStringLiteral("box-button-%1").arg(static_cast<int>(button.result)));
        if (button.result == request.defaultButton)
            box.setDefaultButton(added);
    }
    if (request.foreground) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        QTimer::singleShot(0, &box, [&box] {
            box.raise();
            box.activateWindow();
        });
    }
    exec(box);
    const QAbstractButton* clicked = box.clickedButton();
    for (const Button& button : buttons) {
        if (clicked && clicked == box.button(button.standard))
            return button.result;
    }
    // Closed without a button (Escape, close box): Cancel or No where the box
    // has one, else its only button.
    return request.buttons == MessageBoxButtons::ok    ? MessageBoxResult::ok
           : request.buttons == MessageBoxButtons::yesNo ? MessageBoxResult::no
                                                         : MessageBoxResult::cancel;
}

bool OnThisThreadsUi(const QObject* context)
{
    return QThread::currentThread() == context->thread();
}

} // namespace

int RunModalWithoutWindow(CDialog& dialog)
{
    dialog.InitializeDialog();
    dialog.UserEscape();
    return dialog.Result();
}

MessageBoxResult AnswerWithoutWindow(const CMessageBoxRequest& request)
{
    return request.buttons == MessageBoxButtons::ok ? MessageBoxResult::ok : request.defaultButton;
}

CQtUiBackend::CQtUiBackend(const CResourceTable* resources) : m_resources(resources), m_context(new QObject) {}

CQtUiBackend::~CQtUiBackend()
{
    CancelPendingCalls();
    delete m_context;
}

void CQtUiBackend::SetProgramEndHandler(std::function<void(int)> handler)
{
    m_endHandler = std::move(handler);
}

void CQtUiBackend::CancelPendingCalls()
{
    std::vector<std::shared_ptr<CPendingCall>> pending;
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
        pending = m_pending;
    }
    // A call still queued is answered at once; one that runs has its window
    // open, and ends when that window closes.
    for (const auto& call : pending) {
        std::lock_guard lock(call->mutex);
        if (!call->started) {
            call->done = true;
            call->finished.notify_all();
        }
    }
    if (OnThisThreadsUi(m_context))
        CloseOpenWindows();
    else
        QMetaObject::invokeMethod(m_context, [this] { CloseOpenWindows(); }, Qt::QueuedConnection);
}

bool CQtUiBackend::Cancelled()
{
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

void CQtUiBackend::CloseOpenWindows()
{
    // Innermost first: each closes as Escape would; a dialog whose logic
    // refuses to end is ended all the same.
    for (auto it = m_open.rbegin(); it != m_open.rend(); ++it) {
        QDialog* window = *it;
        window->reject();
        if (window->isVisible())
            window->done(kIdCancel);
    }
}

int CQtUiBackend::ExecOpen(QDialog& window)
{
    m_open.push_back(&window);
    const int result = window.exec();
    m_open.erase(std::remove(m_open.begin(), m_open.end(), &window), m_open.end());
    return result;
}

void CQtUiBackend::RunOpen(CQtDialogWindow& window)
{
    m_open.push_back(&window);
    bool finished = false;
    QEventLoop loop;
    QObject::connect(&window, &QDialog::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    window.setWindowModality(Qt::ApplicationModal);
    // The initialisation may have ended the dialog already.
    if (window.Dialog().HasEnded()) {
        window.done(window.Dialog().Result());
    } else {
        window.ApplyWindowState();
        if (!finished)
            loop.exec(QEventLoop::DialogExec);
    }
    window.hide();
    m_open.erase(std::remove(m_open.begin(), m_open.end(), &window), m_open.end());
}

void CQtUiBackend::Post(std::function<void()> call)
{
    QMetaObject::invokeMethod(
        m_context,
        [this, call = std::move(call)] {
            call();
            // A posted call (another process's message, a signal) may have
            // ended a dialog from outside its window: that window closes now,
            // as it does when a click or a tick ends its dialog.
            const std::vector<QDialog*> open = m_open;
            for (auto it = open.rbegin(); it != open.rend(); ++it)
                if (auto* window = dynamic_cast<CQtDialogWindow*>(*it))
                    window->CloseIfEnded();
        },
        Qt::QueuedConnection);
}

bool CQtUiBackend::OnUiThread(const std::function<void()>& call)
{
    if (OnThisThreadsUi(m_context)) {
        call();
        return true;
    }
    auto pending = std::make_shared<CPendingCall>();
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return false;
        m_pending.push_back(pending);
    }
    // The queued call holds the pending call, not the backend's list: it may
    // run (or be dropped with the context) after the backend cancelled it.
    QMetaObject::invokeMethod(
        m_context,
        [this, pending, call] {
            {
                std::lock_guard lock(pending->mutex);
                if (pending->done)
                    return;  // cancelled while queued
                pending->started = true;
            }
            call();
            {
                std::lock_guard lock(m_mutex);
                m_pending.erase(std::remove(m_pending.begin(), m_pending.end(), pending), m_pending.end());
            }
            std::lock_guard lock(pending->mutex);
            pending->ran = true;
            pending->done = true;
            pending->finished.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(pending->mutex);
    pending->finished.wait(lock, [&pending] { return pending->done; });
    return pending->ran;
}

int CQtUiBackend::RunModal(CDialog& dialog)
{
    int result = kIdCancel;
    const bool shown = OnUiThread([this, &dialog, &result] {
        if (Cancelled()) {
            result = RunModalWithoutWindow(dialog);
            return;
        }
        CQtDialogWindow window(dialog, m_resources);
        RunOpen(window);
        if (!dialog.HasEnded()) {
            // The window went away without the logic ending the dialog (the
            // program is closing): it ends as Escape would.
            dialog.UserEscape();
        }
        result = dialog.HasEnded() ? dialog.Result() : kIdCancel;
    });
    return shown ? result : RunModalWithoutWindow(dialog);
}

MessageBoxResult CQtUiBackend::ShowMessageBox(const CMessageBoxRequest& request)
{
    MessageBoxResult result = AnswerWithoutWindow(request);
    const bool shown = OnUiThread([this, &request, &result] {
        if (Cancelled())
            return;
        const MessageBoxResult answer = ShowBox(request, [this](QDialog& box) { return ExecOpen(box); });
        if (!Cancelled())
            result = answer;
    });
    return shown ? result : AnswerWithoutWindow(request);
}

void CQtUiBackend::EndProgram(int exitCode)
{
    OnUiThread([this, exitCode] {
        if (m_endHandler)
            m_endHandler(exitCode);
        for (QWidget* window : QApplication::topLevelWidgets())
            window->hide();
    });
}

} // namespace tarnwel
