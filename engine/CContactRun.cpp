#include "engine/CContactRun.h"

#include "engine/CContactConflictDialog.h"
#include "engine/CContactLinkDialog.h"
#include "engine/CrashPoint.h"
#include "engine/OutlookPassDecision.h"
#include "platform/ui/MessageBox.h"
#include "resources/StringIds.h"

namespace tarnwel {

void CReplicator::ReplicateContacts()
{
    CContactRun(*this).Run();
}

namespace {

std::string YesNo(bool flag)
{
    return flag ? "yes" : "no";
}

} // namespace

// --- Steps of the skeleton -----------------------------------------------------

void CContactRun::ReadRights(const std::string& rights)
{
    // Write, address, delete; the fourth position is not used. A missing
    // position is not granted.
    m_writeRight = rights.size() > 0 && rights[0] == 'Y';
    m_addressRight = rights.size() > 1 && rights[1] == 'Y';
    m_deleteRight = rights.size() > 2 && rights[2] == 'Y';
    m_replicator.Log("Rights: write " + YesNo(m_writeRight) + ", address " + YesNo(m_addressRight) + ", delete " +
                     YesNo(m_deleteRight));
}

int CContactRun::FetchServerRecords(CStringArray ids)
{
    // With "all" set every contact comes anyway; the ids would only lengthen
    // the request.
    if (m_replicator.Settings().all)
        CStringArray().swap(ids);
    return m_replicator.GetContacts(m_serverRecords, m_addresses, m_since, std::move(ids));
}

void CContactRun::DecideChangedPair(CContactRecord& server, CContactRecord& cached, const std::string& entryId)
{
    // The store keeps `cached`; the decision works on a copy, so that the
    // store still describes the Outlook contact as it is.
    CContactRecord outlook = cached;
    CChangedContactFacts facts;
    facts.addressDiffers = !server.address.IsSameAddress(outlook.address);
    facts.outlookNewer = server.last_updated.IsBefore(outlook.last_updated);
    facts.outlookChangedSinceLastRun = outlook.last_updated.IsAfter(m_replicator.Settings().lastRun);
    facts.writeRight = m_writeRight;
    facts.addressRight = m_addressRight;
    const bool personalDiffers = !server.IsSamePersonalPart(outlook);
    m_replicator.Log("\tpersonal part differs: " + YesNo(personalDiffers) + ", company differs: " +
                     YesNo(facts.addressDiffers) + ", Outlook newer: " + YesNo(facts.outlookNewer));

    switch (DecideChangedContact(facts, m_rules)) {
    case ChangedContactAction::askUser:
        AskAboutChangedPair(server, outlook, entryId, personalDiffers, facts.addressDiffers, facts.outlookNewer);
        break;
    case ChangedContactAction::writeServer:
        outlook.address.address_id = server.address.address_id;
        outlook.address.address_action = facts.addressDiffers ? kAddressOverwrite : kAddressNoChange;
        m_overwriteOnServer.push_back(outlook);
        break;
    case ChangedContactAction::overwriteOutlook:
        OverwriteOutlook(server, entryId);
        break;
    case ChangedContactAction::askToOverwriteOutlook:
    {
        // Enter keeps both sides as they are: overwriting Outlook must be chosen.
        CMessageBoxRequest box;
        box.text = "You don't have the necessary rights on\nserver to overwrite on .tarnWel the " +
                   server.GetDescription() +
                   "\n\nOverwrite Outlook instead?\n(Press CANCEL to leave everything unchanged)";
        box.buttons = MessageBoxButtons::okCancel;
        box.defaultButton = MessageBoxResult::cancel;
        if (ShowMessageBox(std::move(box)) == MessageBoxResult::ok)
            OverwriteOutlook(server, entryId);
        break;
    }
    case ChangedContactAction::leave:
        m_replicator.Log("\tleft unchanged on both sides");
        break;
    }
}

void CContactRun::DecideOutlookRecord(const CContactRecord& outlook, bool newItem)
{
    switch (DecideContactOutlookPass(newItem, m_rules, m_writeRight, m_addressRight, outlook.last_updated)) {
    case OutlookPassAction::leave:
        break;
    case OutlookPassAction::removeFromOutlook:
        m_removeFromOutlook.push_back(outlook);
        break;
    case OutlookPassAction::addToServer: {
        CContactRecord contact = outlook;
        PlanNewAddress(contact);
        m_addToServer.push_back(contact);
        break;
    }
    case OutlookPassAction::askWhatToDo:
        AskAboutOutlookContact(outlook, newItem);
        break;
    case OutlookPassAction::askToRemove:
        AskToRemove(outlook);
        break;
    }
}

void CContactRun::WorkServerQueues()
{
    CKindRun::WorkServerQueues();
    AddCopiesToServer();
}

void CContactRun::WorkLocalQueues()
{
    CKindRun::WorkLocalQueues();
    WriteChangedAddresses();
}

void CContactRun::OnOverwriteNotDone(const std::string& serverId, bool refused)
{
    // The server kept the contact at its former company: the Outlook contact
    // must not show the chosen one, and a copy of the person left at the
    // former company would only duplicate the person there.
    m_changedAddresses.erase(serverId);
    std::erase_if(m_addCopiesToServer, [&](const CContactRecord& copy) { return copy.id_tarnwel == serverId; });
    std::erase_if(m_copies, [&](const auto& entry) { return entry.second.id_tarnwel == serverId; });
    if (!refused)
        return;
    const CContactRecord* outlook = m_store->FindByServerId(serverId);
    m_replicator.Log("\tThe Outlook " + (outlook ? outlook->GetDescription() : serverId) +
                     "\r\nhas been submitted for overwriting in Tarnwel, but the write failed,\r\nso the item will "
                     "remain unchanged in both Tarnwel and Outlook");
}

// --- Changed pairs -------------------------------------------------------------

void CContactRun::AskAboutChangedPair(CContactRecord& server, CContactRecord& outlook, const std::string& entryId,
                                      bool personalDiffers, bool addressDiffers, bool outlookNewer)
{
    CContactConflictDialog dialog;
    dialog.m_addressRight = m_addressRight;
    dialog.m_writeRight = m_writeRight;
    dialog.m_personalDiffers = personalDiffers;
    dialog.m_addressDiffers = addressDiffers;
    dialog.m_outlookNewer = outlookNewer;
    dialog.m_text = outlook.GetContactDifferences(server, personalDiffers, addressDiffers);
    dialog.SetShowOverwrite(true);
    // Linking is offered only when the company differs and may be written.
    const COfferedAddresses offered =
        m_writeRight && addressDiffers ? OfferAddresses(outlook.address) : COfferedAddresses{};
    dialog.SetCompanyNames(offered.Companies());
    dialog.DoModal();
    m_replicator.Log("\tanswer: " + std::to_string(dialog.m_choice));

    switch (dialog.m_choice) {
    case CContactConflictDialog::kNewAddressChoice:  // the Outlook company becomes a new server address
        PlanNewAddress(outlook);
        m_overwriteOnServer.push_back(outlook);
        break;
    case CContactConflictDialog::kOverwriteServerChoice:  // the Outlook company overwrites the server address
        outlook.address.address_id = server.address.address_id;
        outlook.address.address_action = kAddressOverwrite;
        m_overwriteOnServer.push_back(outlook);
        break;
    case CContactConflictDialog::kLinkChoice:
        if (const CAddressRecord* chosen = offered.Chosen(dialog.m_index))
            LinkChangedPair(server, outlook, *chosen, dialog.m_keepCopy);
        else
            m_replicator.Log("\tno address was chosen; left unchanged on both sides");
        break;
    case CContactConflictDialog::kOverwriteOutlookChoice:
        OverwriteOutlook(server, entryId);
        break;
    default:
        break;
    }
}

void CContactRun::LinkChangedPair(const CContactRecord& server, CContactRecord& outlook,
                                  const CAddressRecord& chosen, bool keepCopy)
{
    // The person stays at the former company as a copy, unless the chosen
    // company is that one.
    if (keepCopy && !chosen.IsSameAddress(server.address)) {
        outlook.address.CopyAddressFields(server.address);
        outlook.address.address_action = kAddressNoChange;
        m_addCopiesToServer.push_back(outlook);
        m_copies.insert_or_assign(outlook.id_client, outlook);
    }
    TakeAddress(outlook, chosen);
    m_changedAddresses.insert_or_assign(server.id_tarnwel, outlook);
    SetActionForTakenAddress(outlook);
    m_overwriteOnServer.push_back(outlook);
}

void CContactRun::OverwriteOutlook(CContactRecord& server, const std::string& entryId)
{
    server.id_client = entryId;
    m_overwriteInOutlook.push_back(server);
}

// --- Outlook pass --------------------------------------------------------------

void CContactRun::AskAboutOutlookContact(CContactRecord outlook, bool newItem)
{
    CContactLinkDialog dialog;
    dialog.m_addressRight = m_addressRight;
    dialog.m_writeRight = m_writeRight;
    dialog.m_newAddressCaption = CContactRunKind::kDialog.createOnServer;
    dialog.m_linkCaption = CContactRunKind::kLinkCaption;
    dialog.m_deleteCaption = CContactRunKind::kDialog.removeInOutlook;
    dialog.m_text = std::string(newItem ? CContactRunKind::kDialog.neverReplicated
                                        : CContactRunKind::kDialog.serverDeleted) +
                    outlook.GetDescription();
    const COfferedAddresses offered = m_writeRight ? OfferAddresses(outlook.address) : COfferedAddresses{};
    dialog.SetCompanyNames(offered.Companies());
    dialog.DoModal();
    m_replicator.Log("\tanswer: " + std::to_string(dialog.m_choice));

    switch (dialog.m_choice) {
    case CContactLinkDialog::kNewAddressChoice:
        PlanNewAddress(outlook);
        m_addToServer.push_back(outlook);
        break;
    case CContactLinkDialog::kLinkChoice: {
        const CAddressRecord* chosen = offered.Chosen(dialog.m_index);
        if (!chosen) {
            m_replicator.Log("\tno address was chosen; the contact is left as it is");
            break;
        }
        // The Outlook contact shows the chosen company's data; the server
        // creates the person there.
        TakeAddress(outlook, *chosen);
        m_overwriteInOutlook.push_back(outlook);
        SetActionForTakenAddress(outlook);
        m_addToServer.push_back(outlook);
        break;
    }
    case CContactLinkDialog::kDeleteChoice:
        m_removeFromOutlook.push_back(outlook);
        break;
    default:
        break;
    }
}

// --- Addresses -----------------------------------------------------------------

void CContactRun::PlanNewAddress(CContactRecord& contact)
{
    int& counter = m_replicator.NewIdCounter();
    contact.address.address_id = kTemporaryAddressPrefix + std::to_string(counter);
    ++counter;
    contact.address.address_action = kAddressNew;
    m_addresses.push_back(contact.address);
    m_replicator.Log("\tnew address " + contact.address.address_id + " for " + contact.address.company);
}

void CContactRun::TakeAddress(CContactRecord& contact, const CAddressRecord& chosen)
{
    contact.address.CopyAddressFields(chosen);
}

void CContactRun::SetActionForTakenAddress(CContactRecord& contact)
{
    // An address planned earlier in this run is still to be created; the
    // server resolves its temporary id to the one address it makes.
    contact.address.address_action =
        contact.address.address_id.starts_with(kTemporaryAddressPrefix) ? kAddressNew : kAddressNoChange;
}

auto CContactRun::OfferAddresses(const CAddressRecord& outlookAddress) const -> COfferedAddresses
{
    CAddressChoice choice;
    choice.Fill(m_addresses, outlookAddress);
    return {choice.GetCombinedList(), choice.GetCompanyNames()};
}

const CAddressRecord* CContactRun::COfferedAddresses::Chosen(int index) const
{
    if (!addresses || index < 0 || static_cast<std::size_t>(index) >= addresses->size())
        return nullptr;
    return &(*addresses)[static_cast<std::size_t>(index)];
}

// --- Queue phase ---------------------------------------------------------------

void CContactRun::AddCopiesToServer()
{
    if (m_replicator.AbortRequested())
        return;
    m_replicator.LogHeading("Processing ADD-COPIES-TO-TARNWEL queue...");
    m_sink.ShowStatusCount(string_id::kContactsCopiedToOutlook, Count(m_addCopiesToServer), 0);
    CStringMap addErrors;
    const CStringMap added = m_replicator.AddContacts(m_addCopiesToServer, addErrors);
    CrashPoint("addItems of the copies answered");
    const std::unique_ptr<CNoRightsPolicy> newPolicy = Policy(&CNoRightsPolicyFactory::MakeNewPolicy);
    const std::unique_ptr<CNoRightsPolicy> deletedPolicy = Policy(&CNoRightsPolicyFactory::MakeTWDeletedPolicy);
    for (const auto& [entryId, serverId] : added) {
        const auto found = m_copies.find(entryId);
        if (found == m_copies.end()) {
            m_replicator.Log("\tAdded entry " + entryId + " was not sent as a copy; skipped");
            continue;
        }
        CContactRecord copy = found->second;
        if (serverId != "ERROR") {
            // The copy becomes an Outlook contact of its own, mapped to the
            // new server contact when ADD-TO-OUTLOOK runs.
            copy.id_tarnwel = serverId;
            m_addToOutlook.push_back(copy);
            continue;
        }
        m_replicator.Log("\tThe Outlook " + copy.GetDescription() +
                         "\r\nhas been submitted to be added in Tarnwel as a copy, but the\r\nthe write failed, so "
                         "the item will not be created in Outlook either");
        if (copy.id_tarnwel == kNoId)
            Apply(newPolicy.get(), "New", m_removeFromOutlook, copy);
        else
            Apply(deletedPolicy.get(), "TWDeleted", m_removeFromOutlook, copy);
    }
    ShowAddErrors(addErrors);
    m_sink.OnItemTick();
}

void CContactRun::WriteChangedAddresses()
{
    m_replicator.LogHeading("Processing Outlook items with changed addresses...");
    std::vector<std::pair<const std::string, CContactRecord>*> changed;
    changed.reserve(m_changedAddresses.size());
    for (auto& entry : m_changedAddresses)
        changed.push_back(&entry);
    const int total = Count(changed);
    WriteInBatches(
        total, [&](int i) { m_sink.ShowStatusCount(string_id::kContactsWithChangedAddressesRecord, i, total); },
        [&](int i) {
            auto& [serverId, record] = *changed[static_cast<std::size_t>(i)];
            // The Outlook contact may have been removed earlier in this run
            // (a refused copy whose policy removes it shares its entry id).
            if (m_store->FindByEntryId(record.id_client))
                m_store->UpdateItem(record);
            else
                m_replicator.Log("\tThe Outlook contact of " + serverId + " is gone; its company is not written");
        });
}

} // namespace tarnwel
