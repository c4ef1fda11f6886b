#include "tools/CPrintingProgressSink.h"

#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

namespace tarnwel {
namespace {

TEST(PrintingProgressSink, FillsTheCountsIntoTheirPlaceholders)
{
    const struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"%d von  %d Terminen", "3 von  10 Terminen"},
        {" %d Termine", " 3 Termine"},
        {"100%% von %d", "100% von 3"},
        {"%d, %d, %d", "3, 10, %d"},  // a third placeholder has no number
        {"%s und %", "%s und %"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CPrintingProgressSink::FormatCounts(c.format, 3, 10), c.expected) << c.format;
}

TEST(PrintingProgressSink, WritesEachChangeOnceUnderItsKind)
{
    std::ostringstream out;
    CPrintingProgressSink sink(out);
    sink.SetHeaderText("Verbinde zu Server");
    sink.SetStatusLineText(kContactKind, "Kontakte sind nicht repliziert worden");
    sink.SetStatusControl(kAppointmentKind);
    sink.ShowStatus(259);
    sink.ShowStatus(259);  // unchanged: not written again
    sink.SetStatusControl(kTaskKind);
    sink.ShowStatus(259);  // another kind's line
    sink.ShowStatusCount(1, 1, 2);
    sink.SetResultText("Fertig\r\nzweite Zeile");
    EXPECT_EQ(out.str(), "* Verbinde zu Server\n"
                         "Kontakte: Kontakte sind nicht repliziert worden\n"
                         "Termine: " + LoadResourceText(259) + "\n"
                         "Aufgaben: " + LoadResourceText(259) + "\n"
                         "Aufgaben: <text 1>\n"
                         "= Fertig\nzweite Zeile\n");
}

TEST(PrintingProgressSink, CountLinesFollowTheirTextKindAndLastLineWhenTheyAlternate)
{
    // Counts switch between texts and kinds and meet other lines of their
    // place; each line is what its prefix and its formatted terminal text
    // make (162 holds a "\r\n"), and a line that repeats the last one of
    // its place is left out.
    std::ostringstream out;
    CPrintingProgressSink sink(out);
    const auto line = [](const char* prefix, int id, int first, int second) {
        return std::string(prefix) +
               CPrintingProgressSink::FormatCounts(LoadResourceText(id).empty() ? "<text " + std::to_string(id) + ">"
                                                                                 : LoadResourceText(id),
                                                   first, second) +
               "\n";
    };
    std::string expected;
    sink.SetStatusControl(kAppointmentKind);
    sink.ShowStatusCount(193, 1, 2);
    expected += line("Termine: ", 193, 1, 2);
    sink.ShowStatusCount(162, 1, 2);
    expected += "Termine: Der DESCR\nwurde vom Server repliziert, aber zwischenzeitlich aus Outlook gel\xc3\xb6scht.\n";
    sink.SetStatusControl(kContactKind);
    sink.ShowStatusCount(162, 1, 2);  // the same text, another kind's line
    expected += "Kontakte: Der DESCR\nwurde vom Server repliziert, aber zwischenzeitlich aus Outlook gel\xc3\xb6scht.\n";
    sink.SetHeaderText("Kopf");
    expected += "* Kopf\n";
    sink.ShowStatusCount(162, 1, 2);  // still the last line of its place
    sink.SetStatusControl(kAppointmentKind);
    sink.ShowStatusCount(193, 2, 2);
    expected += line("Termine: ", 193, 2, 2);
    sink.ShowStatusCount(193, 2, 2);
    sink.SetStatusControl(kContactKind);
    sink.ShowStatusCount(193, 2, 2);
    expected += line("Kontakte: ", 193, 2, 2);
    sink.SetStatusControl(static_cast<ItemKind>(77));
    sink.ShowStatusCount(9999, 5, 6);
    expected += "Status 77: <text 9999>\n";
    EXPECT_EQ(out.str(), expected);
}

TEST(PrintingProgressSink, ACountThroughAQueueWritesEveryLineOnceWhateverTheWidthOfItsNumbers)
{
    // A count whose numbers grow a digit, repeat, and meet lines of their
    // own place and of others in between.
    std::ostringstream out;
    CPrintingProgressSink sink(out);
    std::string expected;
    sink.SetStatusControl(kAppointmentKind);
    const auto count = [&](int first, int second, bool written) {
        sink.ShowStatusCount(193, first, second);
        if (written)
            expected += "Termine: " + CPrintingProgressSink::FormatCounts(LoadResourceText(193), first, second) + "\n";
    };
    for (const int first : {8, 9, 10, 11, 99, 100, 1000, -1, 0})
        count(first, 120, true);
    count(0, 120, false);  // the same line again
    count(0, 9, true);     // the second number changes, narrower
    count(1, 9, true);
    const std::string same = "Termine: " + CPrintingProgressSink::FormatCounts(LoadResourceText(193), 1, 9);
    sink.SetStatusLineText(kAppointmentKind, same.substr(9));  // the count line once more: left out
    count(1, 9, false);
    sink.SetStatusLineText(kContactKind, "anderswo");  // another place's line between
    expected += "Kontakte: anderswo\n";
    count(1, 9, false);
    count(2, 9, true);
    sink.SetStatusLineText(kAppointmentKind, "dazwischen");  // a line of its own place between
    expected += "Termine: dazwischen\n";
    count(2, 9, true);
    count(3, 9, true);
    sink.SetStatusLineText(kAppointmentKind, same.substr(9));  // an earlier count's text is a change again
    expected += same + "\n";
    EXPECT_EQ(out.str(), expected);
}

// Keeps what was written and what had been flushed at the last flush.
class CFlushRecordingBuffer : public std::stringbuf {
public:
    const std::string& Flushed() const { return m_flushed; }

protected:
    int sync() override
    {
        m_flushed = str();
        return 0;
    }

private:
    std::string m_flushed;
};

TEST(PrintingProgressSink, FlushesPerStepNotPerLine)
{
    CFlushRecordingBuffer buffer;
    std::ostream out(&buffer);
    CPrintingProgressSink sink(out);
    sink.SetRunningState();
    sink.SetStatusControl(kAppointmentKind);
    sink.ShowStatusCount(1, 20, 0);  // a step's announcement goes out at once
    const std::string announced = "Termine: <text 1>\n";
    EXPECT_EQ(buffer.Flushed(), announced);
    sink.ShowStatusCount(193, 1, 20);  // counts through the queue wait in the buffer
    sink.ShowStatusCount(193, 2, 20);
    EXPECT_EQ(buffer.Flushed(), announced);
    sink.OnStepDone();
    EXPECT_EQ(buffer.Flushed(), announced + "Termine: 1 von 20 neuen Terminen in Outlook eingefügt.\n"
                                            "Termine: 2 von 20 neuen Terminen in Outlook eingefügt.\n");
    sink.ShowStatusCount(193, 3, 20);
    sink.ShowStatus(259);  // as does a text without numbers, with what came before it
    EXPECT_EQ(buffer.Flushed(), buffer.str());
    sink.ShowStatusCount(193, 4, 20);
    sink.SetResultText("Fertig");
    EXPECT_EQ(buffer.Flushed(), buffer.str());
    sink.ShowStatusCount(193, 5, 20);
    sink.SetFinishedState();
    EXPECT_EQ(buffer.Flushed(), buffer.str());
}

TEST(PrintingProgressSink, CountLinesKeepTheStreamsTiesFlushesAndFailures)
{
    // A stream tied to another flushes that one before each line; one with
    // unitbuf flushes after each line; a buffer that takes no more bytes
    // leaves the stream bad.
    CFlushRecordingBuffer tiedBuffer, buffer;
    std::ostream tied(&tiedBuffer), out(&buffer);
    out.tie(&tied);
    CPrintingProgressSink sink(out);
    sink.SetStatusControl(kAppointmentKind);
    tied << "Frage?";
    sink.ShowStatusCount(193, 1, 20);
    EXPECT_EQ(tiedBuffer.Flushed(), "Frage?");
    EXPECT_EQ(buffer.Flushed(), "");
    out.tie(nullptr);
    out.setf(std::ios_base::unitbuf);
    sink.ShowStatusCount(193, 2, 20);
    EXPECT_EQ(buffer.Flushed(), buffer.str());
    EXPECT_EQ(buffer.str(), "Termine: 1 von 20 neuen Terminen in Outlook eingefügt.\n"
                            "Termine: 2 von 20 neuen Terminen in Outlook eingefügt.\n");

    struct CFullBuffer : std::streambuf {
        int_type overflow(int_type) override { return traits_type::eof(); }
    } fullBuffer;
    std::ostream full(&fullBuffer);
    CPrintingProgressSink failing(full);
    failing.SetStatusControl(kAppointmentKind);
    failing.ShowStatusCount(193, 1, 20);
    EXPECT_TRUE(full.bad());

    // A buffer that throws leaves the stream bad, or throws on as write()
    // does when the stream asks for exceptions.
    struct CThrowingBuffer : std::streambuf {
        int_type overflow(int_type) override { throw std::runtime_error("disk gone"); }
    } throwingBuffer;
    std::ostream throwing(&throwingBuffer);
    CPrintingProgressSink quiet(throwing);
    quiet.SetStatusControl(kAppointmentKind);
    quiet.ShowStatusCount(193, 1, 20);
    EXPECT_TRUE(throwing.bad());
    throwing.clear();
    throwing.exceptions(std::ios_base::badbit);
    CPrintingProgressSink loud(throwing);
    loud.SetStatusControl(kAppointmentKind);
    EXPECT_ANY_THROW(loud.ShowStatusCount(193, 2, 20));
}

} // namespace
} // namespace tarnwel
