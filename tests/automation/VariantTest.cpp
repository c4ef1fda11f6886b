#include "platform/automation/DispatchObject.h"
#include "platform/base/ComError.h"
#include "tests/support/ScopedUserLocale.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tarnwel {
namespace {

// Runs a conversion and gives its result, or nothing when it raised a type mismatch.
template <class Result>
std::optional<Result> Convert(const std::function<Result()>& conversion)
{
    try {
        return conversion();
    } catch (const CComError& error) {
        EXPECT_EQ(error.Code(), com_codes::kTypeMismatch);
        return std::nullopt;
    }
}

struct TextCase {
    CVariant value;
    std::optional<std::string> text;
};

TEST(VariantTest, ConvertsToTextAsAutomationDoes)
{
    test::CScopedUserLocale german;
    const TextCase cases[] = {
        {CVariant(), ""},
        {CVariant(true), "True"},
        {CVariant(false), "False"},
        {CVariant(-42), "-42"},
        {CVariant(2.5), "2.5"},
        {CVariant(0.1 + 0.2), "0.3"},
        {CVariant(COleDate::FromFields(2024, 3, 5)), "05.03.2024"},
        {CVariant(COleDate::FromFields(2024, 3, 5, 14, 30, 7)), "05.03.2024 14:30:07"},
        {CVariant(COleDate::Invalid()), ""},
        {CVariant("Grüße"), "Grüße"},
        {CVariant::Omitted(), std::nullopt},
        {CVariant(DispatchPtr()), std::nullopt},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(Convert<std::string>([&] { return c.value.ToText(); }), c.text) << c.text.value_or("(mismatch)");
}

TEST(VariantTest, ConvertsDatesInTheUserLocale)
{
    test::CScopedUserLocale american("en_US.UTF-8");
    EXPECT_EQ(CVariant(COleDate::FromFields(2024, 3, 5, 9, 0, 0)).ToText(), "03/05/2024 09:00:00");
    EXPECT_EQ(CVariant("03/05/2024").ToDate(), COleDate::FromFields(2024, 3, 5));
}

struct NumberCase {
    CVariant value;
    std::optional<bool> boolean;
    std::optional<int> integer;
    std::optional<double> real;
};

TEST(VariantTest, ConvertsToNumbersAndBooleans)
{
    const NumberCase cases[] = {
        {CVariant(), false, 0, 0.0},
        {CVariant(true), true, -1, -1.0},
        {CVariant(7), true, 7, 7.0},
        {CVariant(2.5), true, 2, 2.5},     // rounds half to even
        {CVariant(3.5), true, 4, 3.5},
        {CVariant(-0.0), false, 0, -0.0},
        {CVariant(1e12), true, std::nullopt, 1e12},
        {CVariant(" 12 "), true, 12, 12.0},
        {CVariant("+1.5e1"), true, 15, 15.0},
        {CVariant("fAlSe"), false, std::nullopt, std::nullopt},
        {CVariant("True"), true, std::nullopt, std::nullopt},
        {CVariant("12abc"), std::nullopt, std::nullopt, std::nullopt},
        {CVariant(""), std::nullopt, std::nullopt, std::nullopt},
        {CVariant::Omitted(), std::nullopt, std::nullopt, std::nullopt},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.real) + " / " + testing::PrintToString(c.integer));
        EXPECT_EQ(Convert<bool>([&] { return c.value.ToBool(); }), c.boolean);
        EXPECT_EQ(Convert<int>([&] { return c.value.ToInt(); }), c.integer);
        EXPECT_EQ(Convert<double>([&] { return c.value.ToDouble(); }), c.real);
    }
}

TEST(VariantTest, ConvertsToDatesAndObjects)
{
    test::CScopedUserLocale german;
    EXPECT_EQ(CVariant("2024-03-05 10:15:00").ToDate(), COleDate::FromFields(2024, 3, 5, 10, 15));
    EXPECT_EQ(CVariant("05.03.2024").ToDate(), COleDate::FromFields(2024, 3, 5));
    EXPECT_EQ(CVariant(1.5).ToDate(), COleDate(1.5));
    EXPECT_EQ(CVariant().ToDate(), COleDate(0.0));
    EXPECT_FALSE(Convert<COleDate>([] { return CVariant("no date").ToDate(); }));
    EXPECT_FALSE(Convert<COleDate>([] { return CVariant(true).ToDate(); }));

    EXPECT_EQ(CVariant().ToObject(), nullptr);
    EXPECT_EQ(CVariant(DispatchPtr()).ToObject(), nullptr);
    EXPECT_FALSE(Convert<DispatchPtr>([] { return CVariant("text").ToObject(); }));
}

TEST(VariantTest, AssignedTextReplacesWhateverTheValueHeld)
{
    const std::string longText(40, 'x');
    CVariant value(longText);
    // A part of its own text, longer and shorter texts, the empty text, and
    // values of other types.
    value.AssignText(std::string_view(*value.GetText()).substr(30, 5));
    EXPECT_EQ(value.ToText(), "xxxxx");
    value.AssignText("Grüße aus einem längeren Text als vorher");
    EXPECT_EQ(value.ToText(), "Grüße aus einem längeren Text als vorher");
    value.AssignText(std::string_view(*value.GetText()).substr(8, 3));  // "Grüße " is 8 bytes
    EXPECT_EQ(value.ToText(), "aus");
    value.AssignText("");
    EXPECT_EQ(value, CVariant(""));
    for (CVariant other : {CVariant(), CVariant(7), CVariant(COleDate(2.0))}) {
        other.AssignText("neu");
        EXPECT_EQ(other, CVariant("neu"));
    }
}

} // namespace
} // namespace tarnwel
