#include "engine/CNoRightsAskPolicy.h"

#include "engine/CNoRightsIgnorePolicy.h"
#include "engine/CNoRightsQueuePolicy.h"
#include "platform/ui/MessageBox.h"

namespace tarnwel {

CNoRightsAskPolicy::CNoRightsAskPolicy(std::string question) : m_question(std::move(question)) {}

std::string CNoRightsAskPolicy::FormatQuestion(const CItemRecord& record) const
{
    std::string text = m_question;
    const std::size_t placeholder = text.find("%s");
    if (placeholder != std::string::npos)
        text.replace(placeholder, 2, record.GetDescription());
    return text;
}

CNoRightsPolicy& CNoRightsAskPolicy::Ask(const CItemRecord& record)
{
    const MessageBoxResult answer =
        ShowMessageBox(FormatQuestion(record), MessageBoxButtons::yesNo, MessageBoxIcon::question);
    if (answer == MessageBoxResult::yes)
        m_inner = std::make_unique<CNoRightsQueuePolicy>();
    else
        m_inner = std::make_unique<CNoRightsIgnorePolicy>();
    return *m_inner;
}

void CNoRightsAskPolicy::ApplyToTask(CTaskArray& queue, const CTaskRecord& record)
{
    Ask(record).ApplyToTask(queue, record);
}

void CNoRightsAskPolicy::ApplyToContact(CContactArray& queue, const CContactRecord& record)
{
    Ask(record).ApplyToContact(queue, record);
}

void CNoRightsAskPolicy::ApplyToAppointment(CAppointmentArray& queue, const CAppointmentRecord& record)
{
    Ask(record).ApplyToAppointment(queue, record);
}

} // namespace tarnwel
