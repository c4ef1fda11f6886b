#pragma once
// A progress sink that writes every header, status and result text to a
// stream as it changes, one line each. Status lines name their kind
// ("Termine:", "Kontakte:", "Aufgaben:").
//
// Lines go into the stream's buffer, which is flushed per step, not per line:
// a run of 10,000 items shows tens of thousands of lines counting its way
// through a queue ("%d von %d", both numbers given). The stream is flushed
// when a step is done, when the run starts or ends, and with every other
// line: the header and result texts and a step's announcement (a status text
// without numbers or with one), which stands while the step's server call or
// store work goes on. Whoever asks a question on the same stream flushes it
// first; an end by a signal loses at most the lines still in the buffer.

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

    void SetRunningState() override { Flush(); }
    void SetFinishedState() override { Flush(); }
    void SetHeaderText(std::string text) override;
    void SetResultText(std::string text) override;
    void SetStatusLineText(ItemKind kind, std::string text) override;
    void SetStatusControl(ItemKind kind) override;
    void ShowStatus(int stringId) override;
    void ShowStatusCount(int stringId, int first, int second) override;
    void OnStepDone() override { Flush(); }
    // Printed as a line of the kind's status place, and flushed.
    void ShowNotice(std::string text) override;

    // `format` with its "%d" placeholders replaced by the two numbers in turn
    // ("%%" stands for "%"); further placeholders stay as they are.
    static std::string FormatCounts(std::string_view format, int first, int second);
    // The longest text of an int: "-2147483648".
    static constexpr std::size_t kMaxNumberSize = 11;

private:
    // Writes "<prefix><text>" unless the same line was the last one of its
    // place (header, result or one kind's status line).
    void Print(int place, const std::string& prefix, const std::string& text);
    // Writes the `size` bytes of the line at `line`, followed by the line
    // feed that stands in line[size], under the same rule; the caller holds
    // the lock.
    void PrintLine(int place, const char* line, std::size_t size);
    // Writes the bytes of a line and its line feed to the stream.
    void WriteLine(const char* line, std::size_t size);
    // Copies a count line that is the last line of its place to m_lastLines.
    void KeepCountLine();
    void Flush();

    std::ostream& m_out;
    std::mutex m_mutex;
    // The place of the kind whose status texts come now: the kind's value;
    // the header and the result have places of their own below zero.
    static constexpr int kNoKindPlace = -3;
    int m_statusPlace = kNoKindPlace;
    std::map<int, std::string> m_lastLines;
    // ShowStatusCount runs once for each item of a queue: it builds its line
    // in one buffer, from the kind's prefix and the terminal form of the
    // last string it showed, split at its placeholders once, and finds the
    // last line of the last place it wrote without a look-up.
    std::string m_line;
    int m_countTextId = 0;
    int m_countPlace = kNoKindPlace;
    bool m_haveCountText = false;
    // A count text split at its placeholders once, not at every line.
    struct CCountFormat {
        void Assign(std::string_view format);
        void AppendTo(std::string& out, int first, int second) const;
        // Writes the text with the numbers at `out`, which has room for
        // MaxSize() bytes; returns the end.
        char* WriteTo(char* out, int first, int second) const;
        std::size_t MaxSize() const { return text.size() + 2 * kMaxNumberSize; }
        std::string text;
        std::size_t cuts[2] = {};  // where the numbers go in `text`
        int numbers = 0;
    };
    CCountFormat m_countFormat;  // with the kind's prefix in front
    std::string m_countLine;     // room for a count line and its line feed
    // The count line in m_countLine: its numbers, its size and where its
    // first number stands (valid while m_countWritten).
    bool m_countWritten = false;
    int m_countFirst = 0;
    int m_countSecond = 0;
    std::size_t m_countSize = 0;
    std::size_t m_countFirstAt = 0;
    std::size_t m_countFirstSize = 0;
    // The count line is the last line of its place, which m_lastLines does
    // not hold yet: it is copied there only when another line of any place
    // is written (a count through a queue changes its line every time).
    bool m_countIsLastLine = false;
    int m_lastPlace = 0;
    std::string* m_lastLine = nullptr;
};

} // namespace tarnwel
