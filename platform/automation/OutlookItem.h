#pragma once

#include "platform/automation/UserProperties.h"

#include <string>

namespace tarnwel {

// What every item of the mail/calendar store offers, whatever its kind. Add,
// Find and FindNext hand items out in this form; the kind's wrapper
// (CAppointmentItem, CContactItem, CTaskItem) is made from it.
class COutlookItem : public CDispatchWrapper {
public:
    using CDispatchWrapper::CDispatchWrapper;

    std::string GetEntryID() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Text, EntryID); }
    TARNWEL_TEXT_PROPERTY(MessageClass)
    COleDate GetLastModificationTime() const { TARNWEL_RETURN_CONVERTED_PROPERTY(Date, LastModificationTime); }
    TARNWEL_TEXT_PROPERTY(Body)

    void Save() const { Invoke("Save"); }
    void Delete() const { Invoke("Delete"); }
    CUserProperties GetUserProperties() const
    {
        static thread_local CMemberIdCache memberIdCache;
        return CUserProperties(GetProperty("UserProperties", memberIdCache).ToObject());
    }
};

} // namespace tarnwel
