#include "fuzz/FuzzSupport.h"

#include "protocol/ReplyReaders.h"
#include "protocol/XmlSearch.h"

#include <pugixml.hpp>

namespace tarnwel::fuzz {

// A reply document goes to the readers of all three kinds, as the getItems
// calls hand their item elements to them.
int FuzzReplyItems(const std::uint8_t* data, std::size_t size)
{
    QuietProcess();
    pugi::xml_document document;
    if (!document.load_buffer(data, size, kReplyParseOptions))
        return 0;

    CAppointmentArray appointments;
    for (const pugi::xml_node& element : ElementsByTagName(document, "Appointment"))
        ReadAppointment(appointments, element);
    for (const CAppointmentRecord& record : appointments)
        (void)record.GetDescription();

    for (const pugi::xml_node& element : ElementsByTagName(document, "Task")) {
        const std::unique_ptr<CTaskRecord> task = ReadTask(element);
        Check(task != nullptr, "ReadTask gave no task", data, size);
        (void)task->GetDescription();
    }

    CContactArray contacts;
    CAddressArray addresses;
    for (const pugi::xml_node& element : ElementsByTagName(document, "Address"))
        ReadAddress(contacts, addresses, element);
    for (const CContactRecord& record : contacts)
        (void)record.GetDescription();
    return 0;
}

} // namespace tarnwel::fuzz
