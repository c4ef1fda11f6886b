#include "records/CItemRecord.h"

namespace tarnwel {

std::string CItemRecord::GetParticipantsText() const
{
    if (participants.empty())
        return "Keine Teilnehmer";
    std::string text;
    for (const std::string& name : participants) {
        if (!text.empty())
            text += '\n';
        text += "  - ";
        text += name;
    }
    return text;
}

} // namespace tarnwel
