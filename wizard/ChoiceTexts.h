#pragma once
// The choice texts of the wizard: for each choice page the caption of the
// radio chosen there, as the summary page shows them.

#include <array>
#include <string>

namespace tarnwel {

enum ChoiceSlot : int {
    kFirstReplicationSlot = 0,  // an Outlook item replicated the first time
    kChangedPairSlot = 1,       // a replicated pair changed
    kDeletedPairSlot = 2,       // a replicated pair deleted
};

using CChoiceTexts = std::array<std::string, 3>;

} // namespace tarnwel
