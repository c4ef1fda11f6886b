#pragma once
// The server addresses offered to the user when a contact is to be linked to
// a company, built fresh for each question. Addresses whose company begins
// like the Outlook contact's company (three characters, without regard to
// case) come first, the others after them; each list is ordered by company
// name without regard to case, names that compare equal keeping the order in
// which they were added.

#include "records/RecordArrays.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwel {

class CAddressChoice {
public:
    // Adds every address of `addresses` in order: to the prefix list when its
    // company has the same prefix as `outlookAddress`'s, else to the other.
    void Fill(const CAddressArray& addresses, const CAddressRecord& outlookAddress);

    // Appends a copy to the list (creating it) and keeps the list ordered.
    void AddToPrefixList(const CAddressRecord& address);
    void AddToOtherList(const CAddressRecord& address);

    // None while nothing was added; else the prefix list, then the other.
    std::optional<CAddressArray> GetCombinedList() const;
    // The companies of GetCombinedList, in the same order.
    std::optional<std::vector<std::string>> GetCompanyNames() const;

private:
    std::optional<CAddressArray> m_prefixList;
    std::optional<CAddressArray> m_otherList;
};

} // namespace tarnwel
