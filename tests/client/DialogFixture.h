#pragma once
// Shows the dialogs of the client's tests through the scripted backend and
// gives them a settings record with realistic content.

#include "settings/CReplicationSettings.h"
#include "tools/screenshots/SampleSettings.h"
#include "platform/ui/CScriptedUiBackend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

namespace tarnwel::test {

// The scripted backend with the scripts of the dialogs to come, in the order
// they are shown (a dialog opened from another comes after it).
class CDialogRun {
public:
    explicit CDialogRun(std::vector<CDialogScript> scripts)
    {
        for (CDialogScript& script : scripts)
            m_backend.AnswerDialog(std::move(script));
    }
    ~CDialogRun()
    {
        EXPECT_THAT(m_backend.Unexpected(), testing::IsEmpty());
        EXPECT_EQ(m_backend.PendingAnswers(), 0);
    }
    CDialogRun(const CDialogRun&) = delete;
    CDialogRun& operator=(const CDialogRun&) = delete;

    CShownDialog Shown(std::size_t index = 0) const { return m_backend.Dialogs().at(index); }
    std::size_t Count() const { return m_backend.Dialogs().size(); }

private:
    CScriptedUiBackend m_backend;
    CScopedUiBackend m_scope{m_backend};
};

// A backend whose user is a function per dialog: each gets the next dialog
// after its initialisation and acts on it through the User... operations
// (picking dates among them); a dialog it leaves open ends with OK. A dialog
// opened from another's handler takes the next function.
class CUserFunctions : public IUiBackend {
public:
    using User = std::function<void(CDialog&)>;
    explicit CUserFunctions(std::vector<User> users) : m_users(users.begin(), users.end()) {}
    ~CUserFunctions() override { EXPECT_TRUE(m_users.empty()) << m_users.size() << " dialogs not shown"; }

    int RunModal(CDialog& dialog) override
    {
        dialog.InitializeDialog();
        if (m_users.empty()) {
            ADD_FAILURE() << "dialog " << dialog.Template().id << " without a user";
        } else {
            const User user = std::move(m_users.front());
            m_users.pop_front();
            user(dialog);
        }
        if (!dialog.HasEnded())
            dialog.UserClick(kIdOk);
        return dialog.Result();
    }
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override
    {
        ADD_FAILURE() << "message box: " << request.text;
        return request.defaultButton;
    }

private:
    std::deque<User> m_users;
    CScopedUiBackend m_scope{*this};
};

// Today at midnight, what a date picker shows for a date that is not valid.
inline COleDate Today()
{
    COleDate::Fields now;
    COleDate::Now().GetFields(now);
    return COleDate::FromFields(now.year, now.month, now.day);
}

} // namespace tarnwel::test
