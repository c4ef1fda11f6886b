#include "engine/CAddressChoice.h"

#include "platform/base/Text.h"

#include <algorithm>

namespace tarnwel {

namespace {

bool CompanyBefore(const CAddressRecord& a, const CAddressRecord& b)
{
    return CompareNoCase(a.company, b.company) < 0;
}

// Inserts after the last entry whose company does not sort after the new
// one, so that equal names keep the order in which they were added.
void InsertOrdered(std::optional<CAddressArray>& list, const CAddressRecord& address)
{
    if (!list)
        list.emplace();
    list->insert(std::upper_bound(list->begin(), list->end(), address, CompanyBefore), address);
}

} // namespace

void CAddressChoice::Fill(const CAddressArray& addresses, const CAddressRecord& outlookAddress)
{
    // The same as adding one by one, without shifting the list for each
    // entry: the lists are ordered already, so appending the new entries in
    // their order and sorting stably once gives the same result.
    for (const CAddressRecord& address : addresses) {
        std::optional<CAddressArray>& list =
            address.HasSameCompanyPrefix(outlookAddress) ? m_prefixList : m_otherList;
        if (!list)
            list.emplace();
        list->push_back(address);
    }
    for (std::optional<CAddressArray>* list : {&m_prefixList, &m_otherList})
        if (*list)
            std::stable_sort((*list)->begin(), (*list)->end(), CompanyBefore);
}

void CAddressChoice::AddToPrefixList(const CAddressRecord& address)
{
    InsertOrdered(m_prefixList, address);
}

void CAddressChoice::AddToOtherList(const CAddressRecord& address)
{
    InsertOrdered(m_otherList, address);
}

std::optional<CAddressArray> CAddressChoice::GetCombinedList() const
{
    if (!m_prefixList && !m_otherList)
        return std::nullopt;
    CAddressArray combined;
    combined.reserve((m_prefixList ? m_prefixList->size() : 0) + (m_otherList ? m_otherList->size() : 0));
    for (const std::optional<CAddressArray>* list : {&m_prefixList, &m_otherList})
        if (*list)
            combined.insert(combined.end(), (*list)->begin(), (*list)->end());
    return combined;
}

std::optional<std::vector<std::string>> CAddressChoice::GetCompanyNames() const
{
    if (!m_prefixList && !m_otherList)
        return std::nullopt;
    std::vector<std::string> names;
    for (const std::optional<CAddressArray>* list : {&m_prefixList, &m_otherList})
        if (*list)
            for (const CAddressRecord& address : **list)
                names.push_back(address.company);
    return names;
}

} // namespace tarnwel
