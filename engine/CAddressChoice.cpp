#include "engine/CAddressChoice.h"

namespace tarnwel {

void CAddressChoice::Fill(const CAddressArray&, const CAddressRecord&) {}
void CAddressChoice::AddToPrefixList(const CAddressRecord&) {}
void CAddressChoice::AddToOtherList(const CAddressRecord&) {}
std::optional<CAddressArray> CAddressChoice::GetCombinedList() const { return std::nullopt; }
std::optional<std::vector<std::string>> CAddressChoice::GetCompanyNames() const { return std::nullopt; }

} // namespace tarnwel
