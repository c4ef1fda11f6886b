#include "fuzz/FuzzReplyConnector.h"
#include "fuzz/FuzzSupport.h"

#include "platform/base/ComError.h"
#include "platform/soap/CSoapReader.h"
#include "platform/soap/CXmlPullReader.h"
#include "protocol/CServerSession.h"
#include "protocol/ReplyReaders.h"
#include "protocol/XmlSearch.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>
#include <string>

namespace tarnwel::fuzz {

namespace {

std::string DateText(const COleDate& date)
{
    return date.IsValid() ? date.Format("%Y-%m-%d %H:%M:%S") : "status " + std::to_string(int(date.GetStatus()));
}

std::string CommonText(const CItemRecord& record)
{
    std::string text = record.id_tarnwel + '|' + record.id_client + '|' + DateText(record.last_updated);
    for (const std::string& participant : record.participants)
        text += '|' + participant;
    return text;
}

std::string RecordText(const CAppointmentRecord& r)
{
    return CommonText(r) + '|' + r.description + '|' + r.location + '|' + DateText(r.start) + '|' +
           DateText(r.end) + '|' + r.comment + '|' + std::to_string(r.wholeDayEvent);
}

std::string RecordText(const CTaskRecord& r)
{
    std::string text = CommonText(r) + '|' + r.title + '|' + r.description + '|' + std::to_string(r.priority) + '|' +
                       std::to_string(r.percentComplete) + '|' + r.delegatedJob + '|' + DateText(r.deadline) + '|' +
                       DateText(r.startDate) + '|' + std::to_string(r.subtaskCount);
    for (const CTaskRecord* sub = r.nextSubtask; sub != nullptr; sub = sub->nextSubtask)
        text += "|sub " + CommonText(*sub) + '|' + sub->title;
    return text;
}

std::string RecordText(const CAddressRecord& a)
{
    return a.status + '|' + a.employees + '|' + a.company + '|' + a.appendix + '|' + a.street + '|' + a.zipcode +
           '|' + a.city + '|' + a.country + '|' + a.state + '|' + a.firmPhone + '|' + a.firmFax + '|' +
           a.firmEmail + '|' + a.URL + '|' + a.misc + '|' + a.addressComment + '|' + a.address_id;
}

std::string RecordText(const CContactRecord& c)
{
    return CommonText(c) + '|' + c.salutation + '|' + c.position + '|' + c.firstName + '|' + c.lastName + '|' +
           c.title + '|' + c.department + '|' + c.phone + '|' + c.fax + '|' + c.mobile + '|' + c.email + '|' +
           c.comment + '|' + c.privateAddress + '|' + c.privatePhone + '|' + c.privateFax + '|' + c.mobilePrivate +
           '|' + c.emailPrivate + '|' + RecordText(c.address);
}

template <typename Records>
std::string ArrayText(const Records& records)
{
    std::string text;
    for (const auto& record : records)
        text += RecordText(record) + '\n';
    return text;
}

// What a call gave: its count and records, or the class of its failure.
struct COutcome {
    std::string text;
};

COutcome Run(const std::function<std::string()>& call)
{
    try {
        return {call()};
    } catch (const ServerConnectException&) {
        return {"connect failure"};
    } catch (const ServerDataReadExeception&) {
        return {"read failure"};
    }
}

} // namespace

// The whole input is a getItems reply. Each getItems call reads it from the
// stream; the same reply loaded as a document and read by the document's
// readers must give the same records, the same count and the same failure,
// unless the stream reader refused the text as malformed (it is the stricter
// of the two), which then fails the call as a connection failure.
int FuzzReplyStream(const std::uint8_t* data, std::size_t size)
{
    QuietProcess();
    const std::string_view reply = Bytes(data, size);
    CServerSession session(CServerAccount{"user", "vezi", "http://localhost:8080/tarnwelreplication", 4000000});
    CScopedReply scope(reply);

    // The document's view of the same reply, as the calls read it before.
    CSoapReader document;
    bool taken = false;
    try {
        document.Load(std::string(reply));
        taken = !document.Fault() && document.HoldsResponse("getItems") &&
                ElementsByTagName(document.Dom(), "wrong-session-id").empty();
    } catch (const CComError&) {
    }
    bool streamRefuses = false;
    if (CXmlPullReader::IsUtf8(reply)) {
        try {
            CXmlPullReader reader(reply);
            while (reader.Next() != CXmlPullReader::Token::end) {
            }
        } catch (const CXmlSyntaxError&) {
            streamRefuses = true;
        }
    }

    const auto compare = [&](const char* kind, const COutcome& streamed, const std::function<std::string()>& fromDom) {
        if (streamRefuses) {
            Check(streamed.text == "connect failure", kind, data, size);
            return;
        }
        const COutcome expected = taken ? Run(fromDom) : COutcome{"connect failure"};
        if (streamed.text != expected.text) {
            std::fprintf(stderr, "stream:\n%s\ndocument:\n%s\n", streamed.text.c_str(), expected.text.c_str());
            Disagreement(kind, data, size);
        }
    };

    compare("appointments", Run([&] {
                CAppointmentArray records;
                const int count = session.GetAppointments(records, "1900-01-01", {});
                return std::to_string(count) + '\n' + ArrayText(records);
            }),
            [&] {
                CAppointmentArray records;
                int count = 0;
                for (const pugi::xml_node& element : ElementsByTagName(document.Dom(), "Appointment")) {
                    ++count;
                    ReadAppointment(records, element);
                }
                return std::to_string(count) + '\n' + ArrayText(records);
            });

    compare("contacts", Run([&] {
                CContactArray contacts;
                CAddressArray addresses;
                const int count = session.GetContacts(contacts, addresses, "1900-01-01", {});
                return std::to_string(count) + '\n' + ArrayText(contacts) + ArrayText(addresses);
            }),
            [&] {
                CContactArray contacts;
                CAddressArray addresses;
                int count = 0;
                for (const pugi::xml_node& element : ElementsByTagName(document.Dom(), "Address")) {
                    ++count;
                    ReadAddress(contacts, addresses, element);
                }
                return std::to_string(count) + '\n' + ArrayText(contacts) + ArrayText(addresses);
            });

    std::vector<std::unique_ptr<CTaskRecord>> keep;
    compare("tasks", Run([&] {
                CTaskArray tasks;
                const int count = session.GetTasks(tasks, "1900-01-01", {});
                return std::to_string(count) + '\n' + ArrayText(tasks);
            }),
            [&]() -> std::string {
                // The chains as the call links them.
                std::vector<std::unique_ptr<CTaskRecord>> read;
                for (const pugi::xml_node& element : ElementsByTagName(document.Dom(), "Task"))
                    read.push_back(ReadTask(element));
                const int count = static_cast<int>(read.size());
                CTaskArray tasks;
                if (!LinkTaskChains(read, keep, tasks, true))
                    throw ServerDataReadExeception("");
                return std::to_string(count) + '\n' + ArrayText(tasks);
            });
    return 0;
}

} // namespace tarnwel::fuzz
