#pragma once
// The templates of the wizard's pages and its about box.

#include "platform/ui/DialogTemplate.h"

namespace tarnwel::wizard_pages {

CDialogTemplate ConnectionPageTemplate();
CDialogTemplate FirstPageTemplate();
CDialogTemplate ChangedPageTemplate();
CDialogTemplate DeletedPageTemplate();
CDialogTemplate SummaryPageTemplate();
CDialogTemplate AboutDialogTemplate();

} // namespace tarnwel::wizard_pages
