#pragma once
// The world of whole contact runs: the reference server seeded with companies
// (server addresses) and the persons at them (server contacts), Outlook
// contacts that show a person and a company, and the mapping file. A contact
// reads as one line on either side: "First Last|e-mail|company|city".

#include "tests/engine/RunWorld.h"

#include <string>
#include <vector>

namespace tarnwel::test {

struct CContactSide {
    using Record = CContactRecord;
    using Store = CContactStore;
    static constexpr const char* kRightsKey = "contact";
    // Write, address, delete, and one position that is not used.
    static constexpr const char* kFullRights = "YYYY";
    static constexpr const char* kNamespace = kContactNamespace;
    static constexpr int kEndText = 213;
    static constexpr int kStatusControl = 1088;

    static CKindRules& Rules(CReplicationSettings& settings) { return settings.contactRules; }
    static void Replicate(CReplicator& replicator) { replicator.ReplicateContacts(); }

    static void Write(Record& record, const COutlookItem& item) { record.WriteContactItem(CContactItem(item)); }
    static Record Read(const COutlookItem& item)
    {
        Record record;
        record.ReadContactItem(CContactItem(item));
        return record;
    }
    // Every server contact, each with its company, and every server address.
    static CContactArray Fetch(CServerSession& session, CAddressArray& addresses)
    {
        CContactArray records;
        session.Authenticate(kNamespace);
        session.GetContacts(records, addresses, "1900-01-01", {});
        session.SignOut(kNamespace);
        return records;
    }
    static CContactArray Fetch(CServerSession& session)
    {
        CAddressArray addresses;
        return Fetch(session, addresses);
    }
    static std::string Line(const Record& record)
    {
        return record.firstName + " " + record.lastName + "|" + record.email + "|" + record.address.company + "|" +
               record.address.city;
    }
    static std::string OutlookLine(const COutlookItem& item) { return Line(Read(item)); }
    static std::string ServerLine(const Record& record) { return Line(record); }
};

// A server address of the seed.
struct CServerCompany {
    std::string id;
    std::string company;
    std::string city = "";
    std::string lastUpdated = "";  // "YYYY-MM-DD hh:mm:ss" (server time), empty: the seeding time
};

// A server contact of the seed: a person at one of the seeded companies.
struct CServerPerson {
    std::string id;
    std::string companyId;
    std::string name;  // "First Last"
    std::string email = "";
    std::string lastUpdated = "";
};

// An Outlook contact: the person and the company it shows.
struct COutlookContact {
    std::string name;  // "First Last"
    std::string email;
    std::string company;
    std::string city;
};

class CContactWorld : public CRunWorldBase<CContactSide> {
public:
    // --- Before the first run ------------------------------------------------

    // A server address; the server replies with the addresses in this order.
    void Company(CServerCompany company) { m_companies.push_back(std::move(company)); }
    void ServerContact(CServerPerson person) { m_persons.push_back(std::move(person)); }

    static CContactRecord Make(const COutlookContact& contact)
    {
        CContactRecord record;
        const auto blank = contact.name.find(' ');
        record.firstName = contact.name.substr(0, blank);
        record.lastName = blank == std::string::npos ? "" : contact.name.substr(blank + 1);
        record.email = contact.email;
        record.address.company = contact.company;
        record.address.city = contact.city;
        return record;
    }

    // A new Outlook contact; its entry id.
    std::string OutlookContact(const COutlookContact& contact) { return AddOutlookRecord(Make(contact)); }

    // A replicated pair: the server contact and its Outlook partner, which
    // shows its own person and company data.
    std::string Pair(const CServerPerson& server, const COutlookContact& outlook)
    {
        ServerContact(server);
        const std::string entryId = OutlookContact(outlook);
        MapPair(entryId, server.id);
        return entryId;
    }

    // --- Reading both sides -------------------------------------------------

    // The line of a contact with these fields, on either side.
    static std::string Line(const COutlookContact& contact) { return CContactSide::Line(Make(contact)); }

    // The server's addresses: id -> "company|city".
    Lines Addresses() const
    {
        CServerSession session = Session();
        CAddressArray addresses;
        CContactSide::Fetch(session, addresses);
        Lines lines;
        for (const CAddressRecord& address : addresses)
            lines[address.address_id] = address.company + "|" + address.city;
        return lines;
    }

    // The server contact and the Outlook contact as the run reads them.
    CContactRecord ServerRecord(const std::string& serverId) const
    {
        CServerSession session = Session();
        for (const CContactRecord& record : CContactSide::Fetch(session))
            if (record.id_tarnwel == serverId)
                return record;
        ADD_FAILURE() << "no server contact " << serverId;
        return {};
    }
    CContactRecord OutlookRecord(const std::string& entryId) const
    {
        const std::optional<COutlookItem> item = FindOutlookItem(entryId);
        return item ? CContactSide::Read(*item) : CContactRecord();
    }

    // Runs once more: nothing is asked, and neither side, the server's
    // addresses nor the mapping change.
    void ExpectNextRunChangesNothing()
    {
        const Lines addresses = Addresses();
        CRunWorldBase::ExpectNextRunChangesNothing();
        EXPECT_EQ(Addresses(), addresses);
    }

protected:
    std::string SeedItems() const override
    {
        std::string items = "\"addresses\": [";
        for (std::size_t i = 0; i < m_companies.size(); ++i) {
            const CServerCompany& company = m_companies[i];
            items += std::string(i ? ", " : "") + "{" + SeedIdAndTime(company.id, company.lastUpdated) +
                     ", \"company\": " + JsonText(company.company) + ", \"city\": " + JsonText(company.city) +
                     ", \"contacts\": [";
            bool first = true;
            for (const CServerPerson& person : m_persons) {
                if (person.companyId != company.id)
                    continue;
                const CContactRecord record = Make({person.name, person.email, "", ""});
                items += std::string(first ? "" : ", ") + "{" + SeedIdAndTime(person.id, person.lastUpdated) +
                         ", \"firstName\": " + JsonText(record.firstName) + ", \"lastName\": " +
                         JsonText(record.lastName) + ", \"email\": " + JsonText(person.email) + "}";
                first = false;
            }
            items += "]}";
        }
        return items + "]";
    }

private:
    std::vector<CServerCompany> m_companies;
    std::vector<CServerPerson> m_persons;
};

} // namespace tarnwel::test
