#include "resources/StringTable.h"

#include <gtest/gtest.h>

using namespace tarnwel;

TEST(StringTable, ReturnsTheTextOfAnIdAndEmptyForAnUnknownOne)
{
    EXPECT_EQ(LoadResourceText(274), "Termin:\r\n");
    EXPECT_EQ(LoadResourceText(287), "' wurde ge\xC3\xA4ndert.\r\n\r\nUnterschiedliche Felder:\r\n");
    EXPECT_EQ(LoadResourceText(-1), "");
    EXPECT_EQ(LoadResourceText(99999), "");
}

TEST(StringTable, KeepsBlanksLineBreaksAndUmlautsOfTheEngineTexts)
{
    struct Case {
        int id;
        const char* text;
    };
    const Case cases[] = {
        // tabs and an umlaut
        {161, "\t\t-- Beide Seiten bleiben unver\xC3\xA4ndert."},
        // CR LF inside, placeholder in capitals
        {162, "Der DESCR\r\nwurde vom Server repliziert, aber zwischenzeitlich aus Outlook gel\xC3\xB6scht."},
        // leading blank, doubled blank, trailing blank
        {185, " %d Termine werden vom Server repliziert."},
        {186, "%d von  %d Terminen auf der Serverseite bearbeitet."},
        {214, "Aufgaben werden repliziert. "},
        // the task run's overwrite text speaks of contacts
        {225, "%d von %d Kontakten in Outlook ge\xC3\xA4ndert. "},
        // a lone LF among CR LF pairs
        {236, "Die folgenden Outlook-Daten %s \r\nsollten auf dem Server eingef\xC3\xBCgt werden,\r\naber die Operation "
              "konnte aufgrund\r\neines Serverfehlers nicht durchgef\xC3\xBChrt werden.\n\nBitte beachten Sie:\r\nDer "
              "Datensatz bleibt auf beiden Seiten (DRAV und Outlook) unver\xC3\xA4ndert."},
        // no blank before the placeholder, "weden" as the program spells it
        {240, "Die folgenden Daten%s\nsollten auf dem Server gel\xC3\xB6scht weden,\naber die Operation konnte aufgrund\n"
              "fehlender Zugriffsrechte auf dem Server nicht durchgef\xC3\xBChrt werden.\n\nSoll der Datensatz wieder in "
              "Outlook eingef\xC3\xBCgt werden?\nWenn Sie 'Nein' w\xC3\xA4hlen, bleiben die Daten in Outlook "
              "unwiderruflich gel\xC3\xB6scht."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadResourceText(c.id), c.text) << "id " << c.id;
    EXPECT_EQ(LoadResourceText(237), LoadResourceText(238));
    // Ids whose text the table does not hold stay empty.
    EXPECT_EQ(LoadResourceText(202), "");
}
