// The server addresses offered when a contact is linked to a company: those
// with the Outlook company's prefix first, each list ordered by company
// without regard to case, equal names in the order they were added.

#include "engine/CAddressChoice.h"
#include "platform/base/Text.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>

namespace tarnwel {
namespace {

CAddressRecord Address(const std::string& company, const std::string& id = "")
{
    CAddressRecord address;
    address.company = company;
    address.address_id = id;
    return address;
}

CAddressArray Addresses(const std::vector<std::string>& companies)
{
    CAddressArray addresses;
    for (std::size_t i = 0; i < companies.size(); ++i)
        addresses.push_back(Address(companies[i], std::to_string(i)));
    return addresses;
}

std::vector<std::string> Ids(const CAddressArray& addresses)
{
    std::vector<std::string> ids;
    for (const CAddressRecord& address : addresses)
        ids.push_back(address.address_id);
    return ids;
}

// The names, after checking that the combined list has the same order.
std::vector<std::string> NamesOf(const CAddressChoice& choice)
{
    const auto names = choice.GetCompanyNames();
    const auto combined = choice.GetCombinedList();
    EXPECT_TRUE(names && combined);
    if (!names || !combined)
        return {};
    std::vector<std::string> companies;
    for (const CAddressRecord& address : *combined)
        companies.push_back(address.company);
    EXPECT_EQ(companies, *names);
    return *names;
}

TEST(AddressChoice, PutsThePrefixListFirstAndKeepsEqualNamesInReplyOrder)
{
    CAddressChoice choice;
    choice.Fill(Addresses({"beta", "Alpha", "ALPHA", "Gamma"}), Address("Alpine"));
    EXPECT_EQ(NamesOf(choice), (std::vector<std::string>{"Alpha", "ALPHA", "beta", "Gamma"}));
    EXPECT_EQ(Ids(*choice.GetCombinedList()), (std::vector<std::string>{"1", "2", "0", "3"}));

    // A later addition goes after the names it equals.
    choice.AddToPrefixList(Address("alpha", "4"));
    choice.AddToPrefixList(Address("Aardvark", "5"));
    choice.AddToOtherList(Address("BETA", "6"));
    EXPECT_EQ(Ids(*choice.GetCombinedList()), (std::vector<std::string>{"5", "1", "2", "4", "0", "6", "3"}));
}

TEST(AddressChoice, MatchesAShortCompanyOnlyWhole)
{
    struct Case {
        std::string outlookCompany;
        std::vector<std::string> serverCompanies;
        std::vector<std::string> expected;  // prefix list, then the other
    };
    const Case cases[] = {
        {"AB", {"ABC", "ab", "A", "Ab", ""}, {"ab", "Ab", "", "A", "ABC"}},
        {"", {"x", "", "A"}, {"", "A", "x"}},
        {"abcdef", {"ABX", "aBc", "ab", "ABCZ"}, {"aBc", "ABCZ", "ab", "ABX"}},
    };
    for (const Case& c : cases) {
        CAddressChoice choice;
        choice.Fill(Addresses(c.serverCompanies), Address(c.outlookCompany));
        EXPECT_EQ(NamesOf(choice), c.expected) << "Outlook company \"" << c.outlookCompany << "\"";
    }
}

TEST(AddressChoice, OffersNothingUntilAnAddressIsAdded)
{
    CAddressChoice choice;
    EXPECT_FALSE(choice.GetCombinedList());
    EXPECT_FALSE(choice.GetCompanyNames());
    choice.Fill({}, Address("Alpine"));
    EXPECT_FALSE(choice.GetCombinedList());
    EXPECT_FALSE(choice.GetCompanyNames());

    // One list alone is enough.
    choice.Fill(Addresses({"Zeta", "beta"}), Address("Alpine"));
    EXPECT_EQ(NamesOf(choice), (std::vector<std::string>{"beta", "Zeta"}));
}

// The order the user sees is defined as repeated neighbour exchanges after
// every addition; Fill and the single additions must give exactly that.
TEST(AddressChoice, OrdersLikeRepeatedNeighbourExchanges)
{
    const auto bubble = [](CAddressArray& list) {
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (std::size_t i = 0; i + 1 < list.size(); ++i)
                if (CompareNoCase(list[i].company, list[i + 1].company) > 0) {
                    std::swap(list[i], list[i + 1]);
                    swapped = true;
                }
        }
    };
    // Few distinct names in mixed case, so that many compare equal.
    const std::vector<std::string> pool = {"ab", "AB", "Ab", "abc", "ABD", "b", "B", "", "Ä", "ä", "a", "zz"};
    std::mt19937 random(7);
    CAddressArray addresses;
    for (int i = 0; i < 300; ++i)
        addresses.push_back(Address(pool[random() % pool.size()], std::to_string(i)));
    const CAddressRecord outlook = Address("aBx");

    CAddressArray prefix;
    CAddressArray other;
    const auto addToModel = [&](const CAddressRecord& address, bool toPrefix) {
        CAddressArray& list = toPrefix ? prefix : other;
        list.push_back(address);
        bubble(list);
    };
    // A third by Fill, a third added singly, the last third by Fill again.
    CAddressChoice choice;
    const std::size_t third = addresses.size() / 3;
    const auto fill = [&](std::size_t from, std::size_t to) {
        choice.Fill(CAddressArray(addresses.begin() + from, addresses.begin() + to), outlook);
        for (std::size_t i = from; i < to; ++i)
            addToModel(addresses[i], addresses[i].HasSameCompanyPrefix(outlook));
    };
    fill(0, third);
    for (std::size_t i = third; i < 2 * third; ++i) {
        const bool toPrefix = i % 3 == 0;
        if (toPrefix)
            choice.AddToPrefixList(addresses[i]);
        else
            choice.AddToOtherList(addresses[i]);
        addToModel(addresses[i], toPrefix);
    }
    fill(2 * third, addresses.size());

    CAddressArray expected = prefix;
    expected.insert(expected.end(), other.begin(), other.end());
    EXPECT_EQ(Ids(*choice.GetCombinedList()), Ids(expected));
    NamesOf(choice);
}

} // namespace
} // namespace tarnwel
