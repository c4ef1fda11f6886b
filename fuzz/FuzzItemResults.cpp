#include "fuzz/FuzzReplyConnector.h"
#include "fuzz/FuzzSupport.h"

#include "protocol/CServerSession.h"

namespace tarnwel::fuzz {

// The whole input is the reply of an item call; its first byte chooses the
// call: addItems, putItems or deleteItems of one of the three kinds.
int FuzzItemResults(const std::uint8_t* data, std::size_t size)
{
    QuietProcess();
    CScopedReply reply(Bytes(data, size));
    CServerSession session(CServerAccount{"user", "vezi", "http://localhost:8080/tarnwelreplication", 4000000});

    CAppointmentArray appointments(1);
    CContactArray contacts(1);
    CTaskArray tasks(1);
    appointments[0].id_client = contacts[0].id_client = tasks[0].id_client = "abc";
    appointments[0].id_tarnwel = contacts[0].id_tarnwel = tasks[0].id_tarnwel = "9";

    CStringMap addErrors;
    CStringArray done, refused, failed;
    try {
        switch (size == 0 ? 0 : data[0] % 9) {
        case 0: (void)session.AddAppointments(appointments, addErrors); break;
        case 1: (void)session.AddContacts(contacts, addErrors); break;
        case 2: (void)session.AddTasks(tasks, addErrors); break;
        case 3: session.PutAppointments(appointments, done, refused, failed); break;
        case 4: session.PutContacts(contacts, done, refused, failed); break;
        case 5: session.PutTasks(tasks, done, refused, failed); break;
        case 6: session.DeleteAppointments(appointments, done, refused, failed); break;
        case 7: session.DeleteContacts(contacts, done, refused, failed); break;
        default: session.DeleteTasks(tasks, done, refused, failed); break;
        }
    } catch (const TWException&) {
        // A reply the client does not take: the user sees the exception's message.
    }
    return 0;
}

} // namespace tarnwel::fuzz
