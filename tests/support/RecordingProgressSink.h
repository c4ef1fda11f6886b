#pragma once
// A progress sink that records every call as a line of text, in order, for
// tests. A test can also act at a chosen status text (request an abort, raise
// an exception) through OnStatus.

#include "client/KindStatusLines.h"
#include "engine/IProgressSink.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwel::test {

class CRecordingProgressSink : public IProgressSink {
public:
    // Called with the string-table id of every ShowStatus and ShowStatusCount,
    // after the call was recorded.
    std::function<void(int stringId)> OnStatus;

    void SetRunningState() override { Record("SetRunningState"); }
    void SetFinishedState() override { Record("SetFinishedState"); }
    void SetHeaderText(std::string text) override { Record("SetHeaderText " + text); }
    void SetResultText(std::string text) override { Record("SetResultText " + text); }
    // A kind's status line is recorded by the window's control id of it.
    void SetStatusLineText(ItemKind kind, std::string text) override
    {
        Record("SetStatusLineText " + std::to_string(main_dialog::StatusControlOf(kind)) + " " + text);
    }
    void SetStatusControl(ItemKind kind) override
    {
        Record("SetStatusControl " + std::to_string(main_dialog::StatusControlOf(kind)));
    }
    void ShowStatus(int stringId) override
    {
        Record(std::to_string(stringId));
        if (OnStatus)
            OnStatus(stringId);
    }
    void ShowStatusCount(int stringId, int first, int second) override
    {
        Record(std::to_string(stringId) + "(" + std::to_string(first) + "," + std::to_string(second) + ")");
        if (OnStatus)
            OnStatus(stringId);
    }
    void ShowNotice(std::string text) override { Record("ShowNotice " + text); }
    void OnServerItemsFetched(int count) override { Record("OnServerItemsFetched " + std::to_string(count)); }
    void OnItemTick() override { Record("OnItemTick"); }
    void OnStepDone() override { Record("OnStepDone"); }

    // Every call, in order.
    std::vector<std::string> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

    // The status texts only: "184" for ShowStatus(184), "185(2,0)" for
    // ShowStatusCount(185, 2, 0).
    std::vector<std::string> StatusTexts() const
    {
        std::vector<std::string> texts;
        for (const std::string& call : Calls())
            if (!call.empty() && call[0] >= '0' && call[0] <= '9')
                texts.push_back(call);
        return texts;
    }

    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_calls.clear();
    }

private:
    void Record(std::string call)
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

} // namespace tarnwel::test
