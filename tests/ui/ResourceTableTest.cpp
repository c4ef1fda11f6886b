#include "platform/ui/CResourceTable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace tarnwel;
using testing::ElementsAre;

namespace {

CDialogTemplate Dialog(int id, const char* caption)
{
    CDialogTemplate t;
    t.id = id;
    t.caption = caption;
    return t;
}

} // namespace

TEST(ResourceTable, AProgramsOwnEntriesComeBeforeTheSharedOnes)
{
    CResourceTable shared("shared");
    shared.AddDialog(Dialog(131, "Information"));
    shared.AddDialog(Dialog(145, "Information"));
    shared.AddIcon({128, ":/icons/app.png"});
    CResourceTable wizard("wizard", &shared);
    wizard.AddDialog(Dialog(131, "Optionen"));
    wizard.AddDialog(Dialog(102, "DRAV Konfiguration"));
    CMenuItem open;
    open.id = 32772;
    open.text = "\xC3\x96" "ffnen";
    wizard.AddMenu({147, {open}});

    EXPECT_EQ(wizard.Dialog(131).caption, "Optionen");
    EXPECT_EQ(shared.Dialog(131).caption, "Information");
    EXPECT_EQ(wizard.Dialog(145).caption, "Information");
    EXPECT_THAT(wizard.DialogIds(), ElementsAre(102, 131, 145));
    EXPECT_THAT(shared.DialogIds(), ElementsAre(131, 145));
    EXPECT_EQ(wizard.FindIcon(128)->file, ":/icons/app.png");
    EXPECT_EQ(wizard.Menu(147).items.at(0).id, 32772);

    EXPECT_EQ(shared.FindDialog(102), nullptr);
    EXPECT_EQ(wizard.FindMenu(150), nullptr);
    EXPECT_THROW(shared.Dialog(102), std::out_of_range);
    EXPECT_THROW(wizard.Menu(150), std::out_of_range);
    EXPECT_THROW(wizard.AddDialog(Dialog(102, "twice")), std::logic_error);
}
