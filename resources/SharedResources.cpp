#include "resources/SharedResources.h"

#include "resources/dialogs/ConflictDialogIds.h"
#include "resources/dialogs/ContactConflictDialogIds.h"
#include "resources/dialogs/ContactLinkDialogIds.h"

namespace tarnwel {

const CResourceTable& SharedResources()
{
    static const CResourceTable table = [] {
        CResourceTable shared("shared");
        // One line per dialog.
        shared.AddDialog(conflict_dialog::Template());
        shared.AddDialog(contact_conflict_dialog::Template());
        shared.AddDialog(contact_link_dialog::Template());
        return shared;
    }();
    return table;
}

const CDialogTemplate& LoadDialogTemplate(int id)
{
    return SharedResources().Dialog(id);
}

} // namespace tarnwel
