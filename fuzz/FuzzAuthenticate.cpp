#include "fuzz/FuzzReplyConnector.h"
#include "fuzz/FuzzSupport.h"

#include "protocol/CServerSession.h"

namespace tarnwel::fuzz {

// The whole input is the authenticate reply; its first byte chooses the
// service (the contact service reads one more right).
int FuzzAuthenticate(const std::uint8_t* data, std::size_t size)
{
    QuietProcess();
    static const std::string kNamespaces[] = {kAppointmentNamespace, kContactNamespace, kTaskNamespace};
    const std::string& namespaceUri = kNamespaces[size == 0 ? 0 : data[0] % 3];

    CScopedReply reply(Bytes(data, size));
    CServerSession session(CServerAccount{"user", "vezi", "http://localhost:8080/tarnwelreplication", 4000000});
    try {
        (void)session.Authenticate(namespaceUri);
    } catch (const TWException&) {
        // A reply the client does not take: the user sees the exception's message.
    }
    return 0;
}

} // namespace tarnwel::fuzz
