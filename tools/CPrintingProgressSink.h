#pragma once
// A progress sink that writes every header, status and result text to a
// stream as it changes, one line each. Status lines name their kind
// ("Termine:", "Kontakte:", "Aufgaben:").

#include "engine/IProgressSink.h"

#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

namespace tarnwel {

class CPrintingProgressSink : public IProgressSink {
public:
    explicit CPrintingProgressSink(std::ostream& out) : m_out(out) {}

    void SetRunningState() override {}
    void SetFinishedState() override {}
    void SetHeaderText(std::string text) override;
    void SetResultText(std::string text) override;
    void SetStatusLineText(int controlId, std::string text) override;
    void SetStatusControl(int controlId) override;
    void ShowStatus(int stringId) override;
    void ShowStatusCount(int stringId, int first, int second) override;

    // `format` with its "%d" placeholders replaced by the two numbers in turn
    // ("%%" stands for "%"); further placeholders stay as they are.
    static std::string FormatCounts(std::string_view format, int first, int second);

private:
    // Writes "<prefix><text>" unless the same line was the last one of its
    // place (header, result or one kind's status line).
    void Print(int place, const std::string& prefix, const std::string& text);

    std::ostream& m_out;
    std::mutex m_mutex;
    int m_statusControl = 0;
    std::map<int, std::string> m_lastLines;
};

} // namespace tarnwel
