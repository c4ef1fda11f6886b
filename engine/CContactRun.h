#pragma once
// The contact run. One Outlook contact holds two server objects: the person
// (a server contact) and the company (a server address that several contacts
// share). The run shares the skeleton of the other kinds (CKindRun over
// CContactRunKind, RunKinds.h) and overrides the steps where the company
// matters:
//
// - the login's rights text has four positions: write, address, delete, and
//   one that is not used;
// - getItems also gives the server's addresses; they and the addresses
//   planned during the run are what the user can link a contact to;
// - a changed pair is decided by the contact rules with the company part in
//   view (new address, overwrite the address, link to another address, keep
//   a copy of the person at the former company, overwrite Outlook, leave);
// - a new Outlook contact is created with a new address or linked to an
//   existing one;
// - a seventh queue adds the copies left at a former company, and a final
//   pass writes the chosen company's data into the relinked Outlook contacts.
//
// New addresses carry temporary ids "NEW-ID-<n>" from the replicator's
// counter until the server creates them. A temporary id may be named several
// times in one run (a second contact linked to an address planned earlier);
// the run relies on the server to make one address of it. Address ids are
// never stored on the client.

#include "engine/CAddressChoice.h"
#include "engine/CKindRun.h"
#include "engine/RunKinds.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarnwel {

// The address actions a contact carries to the server.
inline constexpr const char* kAddressNew = "new";              // create the address; its id is temporary
inline constexpr const char* kAddressOverwrite = "overwrite";  // overwrite the address with the company fields
inline constexpr const char* kAddressNoChange = "no_change";   // the contact belongs to the address as it is
inline constexpr const char* kTemporaryAddressPrefix = "NEW-ID-";

class CContactRun final : public CKindRun<CContactRunKind> {
public:
    explicit CContactRun(CReplicator& replicator) : CKindRun(replicator) {}

private:
    // --- Steps of the skeleton ------------------------------------------------
    // Four positions: write, address, delete, and one that is not used.
    void ReadRights(const std::string& rights) override;
    // getItems of the contacts and the server's addresses.
    int FetchServerRecords(CStringArray ids) override;
    // Decided by the contact rules with the company part in view.
    void DecideChangedPair(CContactRecord& server, CContactRecord& outlook, const std::string& entryId) override;
    // Created with a new address or linked to an existing one.
    void DecideOutlookRecord(const CContactRecord& outlook, bool newItem) override;
    // The server's queues, then ADD-COPIES-TO-TARNWEL.
    void WorkServerQueues() override;
    // The Outlook queues, then the relinked contacts' company data.
    void WorkLocalQueues() override;
    // Drops what was planned for the contact's new company.
    void OnOverwriteNotDone(const std::string& serverId, bool refused) override;

    // --- Changed pairs ----------------------------------------------------------
    void AskAboutChangedPair(CContactRecord& server, CContactRecord& outlook, const std::string& entryId,
                             bool personalDiffers, bool addressDiffers, bool outlookNewer);
    void LinkChangedPair(const CContactRecord& server, CContactRecord& outlook, const CAddressRecord& chosen,
                         bool keepCopy);
    void OverwriteOutlook(CContactRecord& server, const std::string& entryId);

    // --- Outlook pass -----------------------------------------------------------
    void AskAboutOutlookContact(CContactRecord outlook, bool newItem);

    // --- Addresses --------------------------------------------------------------
    // Gives the contact a new address with the next temporary id and offers
    // that address to the later questions of the run.
    void PlanNewAddress(CContactRecord& contact);
    // The contact takes the chosen address; "new" when it is one planned in
    // this run, else "no_change".
    static void TakeAddress(CContactRecord& contact, const CAddressRecord& chosen);
    static void SetActionForTakenAddress(CContactRecord& contact);
    // The addresses a question offers for linking (an address choice over
    // every known address), and their company names in the same order.
    struct COfferedAddresses {
        std::optional<CAddressArray> addresses;
        std::optional<std::vector<std::string>> companies;
        // For the dialog: null when nothing is offered.
        const std::vector<std::string>* Companies() const { return companies ? &*companies : nullptr; }
        // The entry the dialog's index names; null when it names none.
        const CAddressRecord* Chosen(int index) const;
    };
    COfferedAddresses OfferAddresses(const CAddressRecord& outlookAddress) const;

    // --- Queue phase ------------------------------------------------------------
    void AddCopiesToServer();
    void WriteChangedAddresses();

    bool m_addressRight = false;
    // The server's addresses in reply order, then those planned in the run.
    CAddressArray m_addresses;
    // Copies of persons left at their former company, by the Outlook entry id
    // of the contact they were made from.
    std::map<std::string, CContactRecord> m_copies;
    // Relinked contacts whose Outlook item gets the chosen company's data, by
    // server id.
    std::map<std::string, CContactRecord> m_changedAddresses;
    CContactArray m_addCopiesToServer;  // ADD-COPIES-TO-TARNWEL
};

} // namespace tarnwel
