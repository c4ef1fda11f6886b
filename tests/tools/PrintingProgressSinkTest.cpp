#include "tools/CPrintingProgressSink.h"

#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <sstream>

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
    sink.SetStatusLineText(1088, "Kontakte sind nicht repliziert worden");
    sink.SetStatusControl(1087);
    sink.ShowStatus(259);
    sink.ShowStatus(259);  // unchanged: not written again
    sink.SetStatusControl(1089);
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

} // namespace
} // namespace tarnwel
