#include "platform/soap/CXmlPullReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

using Token = CXmlPullReader::Token;

// The tokens of `reader` up to its end, one a line: "<name a=v>" (with the
// depth), "</name>", "'text'" with C for CDATA, W for white space, E when an
// end tag follows.
// With `more`, for a document that arrives in pieces: what gets the next one,
// and each token's offset joins its line.
std::string Trace(CXmlPullReader& reader, const std::function<void()>& more = {})
{
    std::string trace;
    for (Token token = reader.Next(); token != Token::end; token = reader.Next()) {
        if (token == Token::more) {
            more();
            continue;
        }
        if (token == Token::startElement) {
            trace += std::to_string(reader.Depth()) + "<" + std::string(reader.Name());
            for (std::size_t i = 0; i < reader.AttributeCount(); ++i)
                trace += " " + std::string(reader.AttributeName(i)) + "=" + reader.AttributeValue(i);
            trace += ">";
        } else if (token == Token::endElement) {
            trace += "</" + std::string(reader.Name()) + ">";
        } else {
            trace += "'" + std::string(reader.Text()) + "'";
            if (reader.IsCData())
                trace += "C";
            if (reader.IsWhiteSpace())
                trace += "W";
            if (reader.EndTagFollows())
                trace += "E";
        }
        if (more)
            trace += " @" + std::to_string(reader.Offset());
        trace += "\n";
    }
    return trace;
}

std::string Trace(const std::string& document)
{
    CXmlPullReader reader(document);
    return Trace(reader);
}

TEST(XmlPullReader, ReadsWellFormedDocuments)
{
    const struct {
        const char* name;
        std::string document;
        const char* trace;
    } cases[] = {
        {"prolog, prefixes, attributes",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- c --><?pi x?>\n"
         "<s:r xmlns:s='urn:s' a = \"x&amp;y\tz\r\nw\"><s:b/></s:r >\n<!-- after -->\n",
         "0<s:r xmlns:s=urn:s a=x&y z w>\n1<s:b>\n</s:b>\n</s:r>\n"},
        {"references", "<r>&lt;&gt;&amp;&apos;&quot;&#65;&#x41;&#xfc;&#x1F600;</r>",
         "0<r>\n'<>&'\"AAü😀'E\n</r>\n"},
        {"line ends", "<r>a\r\nb\rc&#13;</r>", "0<r>\n'a\nb\nc\r'E\n</r>\n"},
        {"CDATA and comments split texts", "<r> a<![CDATA[<x>&amp;\r\n]]><!--c--> <?p?>b</r>",
         "0<r>\n' a'\n'<x>&amp;\n'C\n' 'W\n'b'E\n</r>\n"},
        {"white space", "<r>\n <e> </e>\n</r>", "0<r>\n'\n 'W\n1<e>\n' 'WE\n</e>\n'\n'WE\n</r>\n"},
        {"other bytes pass", "<r>\x01\xC3</r>", "0<r>\n'\x01\xC3'E\n</r>\n"},
    };
    for (const auto& c : cases) {
        try {
            EXPECT_EQ(Trace(c.document), c.trace) << c.name;
        } catch (const CXmlSyntaxError& error) {
            ADD_FAILURE() << c.name << ": " << error.what();
        }
    }
}

TEST(XmlPullReader, RefusesMalformedDocuments)
{
    const std::string cases[] = {
        "", " \n", "<!-- only -->", "text", "x<r/>", "<r/>x", "<r/><s/>", "<r/><![CDATA[x]]>",
        // nesting and truncation
        "<r>", "<r><e></r>", "<r><e></r></e>", "</r>", "<r></s>", "<r", "<r a", "<r a=", "<r a='1", "<r a='1'",
        "<r/", "<r></r", "<r>&amp", "<r><!-- x", "<r><![CDATA[x", "<r><?p x",
        // references
        "<r>&e;</r>", "<r>&amp</r>", "<r>& </r>", "<r>&#;</r>", "<r>&#x;</r>", "<r>&#12a;</r>", "<r>&#0;</r>",
        "<r>&#xD800;</r>", "<r>&#x110000;</r>", "<r>&#99999999999999999999;</r>", "<r a='&x;'/>",
        // declarations
        "<!DOCTYPE r><r/>", "<!DOCTYPE r [<!ENTITY e 'x'>]><r>&e;</r>", "<r><!ENTITY e 'x'></r>",
        "<r><?xml version='1.0'?></r>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>",
        // tags, attributes, markup
        "<1r/>", "< r/>", "<r a='1' a='2'/>", "<r a=1/>", "<r a='<'/>", "<r a='1'b='2'/>", "<r a/>",
        "<r>]]></r>", "<r><!-- a -- b --></r>", "<r><!x></r>", "<r><?></r>", "</>",
        std::string("<r>a\0b</r>", 10), std::string("<r a='\0'/>", 10), std::string("<r/>\0", 5),
    };
    for (const std::string& document : cases) {
        EXPECT_THROW(Trace(document), CXmlSyntaxError) << document;
    }

    const auto nested = [](std::size_t depth) {
        std::string document;
        for (std::size_t i = 0; i < depth; ++i)
            document += "<a>";
        for (std::size_t i = 0; i < depth; ++i)
            document += "</a>";
        return document;
    };
    EXPECT_NO_THROW(Trace(nested(CXmlPullReader::kMaxDepth)));
    EXPECT_THROW(Trace(nested(CXmlPullReader::kMaxDepth + 1)), CXmlSyntaxError);
}

// The tokens of `document` handed to the reader in pieces of `piece` bytes,
// with what it has read dropped each time, and where each token begins; or
// the error it ends with.
std::string PiecewiseTrace(const std::string& document, std::size_t piece)
{
    std::vector<std::unique_ptr<std::string>> windows;  // each stays while the reader may look back
    std::size_t next = 0;
    const auto take = [&] {
        const std::string more = document.substr(next, piece);
        next += more.size();
        return more;
    };
    windows.push_back(std::make_unique<std::string>(take()));
    while (next < document.size() && !CXmlPullReader::PrologIsWhole(*windows.back()))
        *windows.back() += take();
    try {
        CXmlPullReader reader(*windows.back(), next >= document.size());
        return Trace(reader, [&] {
            if (next >= document.size())
                throw std::logic_error("more wanted after the last piece");
            const std::size_t dropped = reader.Position();
            windows.push_back(std::make_unique<std::string>(windows.back()->substr(dropped) + take()));
            reader.Feed(*windows.back(), dropped, next >= document.size());
        });
    } catch (const CXmlSyntaxError& error) {
        return error.what();
    }
}

std::string WholeTrace(const std::string& document)
{
    try {
        CXmlPullReader reader(document);
        return Trace(reader, [] { throw std::logic_error("more wanted of a whole document"); });
    } catch (const CXmlSyntaxError& error) {
        return error.what();
    }
}

// A document that arrives in pieces reads as the whole one: the same tokens,
// or the same error at the same offset, wherever it is cut.
TEST(XmlPullReader, ReadsADocumentInPiecesAsTheWholeOne)
{
    const std::string documents[] = {
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- c --><?pi x?>\n"
        "<s:r xmlns:s='urn:s' a = \"x&amp;y\tz\r\nw\" b='>'><s:b/>t&#xfc;&lt;\r\n<![CDATA[d]]]]><!--e--> "
        "<e> </e>\n</s:r >\n<!-- after -->\n",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>", "<r>a</r>x", "<r></r><s/>", "<r><e></r>",
        "<r a='1' a='2'/>", "<r>&nbsp;</r>", "<!DOCTYPE r><r/>", std::string("<r>a\0b</r>", 10), "<r><!-- a -- b --></r>",
        "<r>]]></r>", "<r><a><b>", "<r",
    };
    for (const std::string& document : documents) {
        const std::string whole = WholeTrace(document);
        for (std::size_t piece = 1; piece <= document.size(); ++piece)
            ASSERT_EQ(PiecewiseTrace(document, piece), whole) << document << " in pieces of " << piece;
    }
}

// Every document cut short ends in an error, never in a read past its end.
TEST(XmlPullReader, EveryTruncatedDocumentFails)
{
    const std::string document =
        "<?xml version=\"1.0\"?><s:r xmlns:s=\"urn:s\"><a b='&amp;c'>t&#xfc;<![CDATA[d]]><!--e--><?f g?></a>"
        "<h/></s:r>";
    ASSERT_NO_THROW(Trace(document));
    for (std::size_t length = 0; length < document.size(); ++length) {
        const std::string cut = document.substr(0, length);  // a copy, so a tool sees any over-read
        EXPECT_THROW(Trace(cut), CXmlSyntaxError) << cut;
    }
}

TEST(XmlPullReader, ReadsOneElementFromItsOffsetAndSkipsElements)
{
    const std::string document = "<r><a x='1'><b>t</b><c/></a><d/></r>";
    CXmlPullReader reader(document, document.find("<a"));
    EXPECT_EQ(Trace(reader), "0<a x=1>\n1<b>\n't'E\n</b>\n1<c>\n</c>\n</a>\n");

    CXmlPullReader skipping(document);
    ASSERT_EQ(skipping.Next(), Token::startElement);
    ASSERT_EQ(skipping.Next(), Token::startElement);
    skipping.SkipElement();
    EXPECT_EQ(skipping.Name(), "a");
    ASSERT_EQ(skipping.Next(), Token::startElement);
    EXPECT_EQ(skipping.Name(), "d");
}

// A child of plain text is read whole at once, as Next reads it token by
// token; any other next child is left for Next, nothing of it read.
TEST(XmlPullReader, ReadsAChildOfPlainTextWholeOrNotAtAll)
{
    const struct {
        std::string document;
        const char* text;  // null: not read at once
    } cases[] = {
        {"<r><a>t</a><b/></r>", "t"},
        {"<r><a></a></r>", ""},
        {"<r><s:ab> \n </s:ab>x</r>", " \n "},
        {"<r><a x='1'>t</a></r>", nullptr},
        {"<r><a/></r>", nullptr},
        {"<r><a>t&amp;u</a></r>", nullptr},
        {"<r><a>t\r\nu</a></r>", nullptr},
        {"<r><a>t<b/></a></r>", nullptr},
        {"<r><a><![CDATA[t]]></a></r>", nullptr},
        {"<r><a>t]]></a></r>", nullptr},
        {"<r><a>t</ab></r>", nullptr},
        {"<r><ab>t</a></r>", nullptr},
        {"<r><a>t</a ></r>", nullptr},
        {"<r> <a>t</a></r>", nullptr},
        {"<r><a>t</a", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        CXmlPullReader stepwise(c.document);
        ASSERT_EQ(stepwise.Next(), Token::startElement);
        std::string expected;
        try {
            expected = Trace(stepwise);
        } catch (const CXmlSyntaxError& error) {
            expected = error.what();
        }

        CXmlPullReader reader(c.document);
        ASSERT_EQ(reader.Next(), Token::startElement);
        std::string_view text;
        std::size_t start = 0;
        std::string trace;
        if (reader.ReadPlainElement(text, start)) {
            ASSERT_NE(c.text, nullptr);
            EXPECT_EQ(text, c.text);
            EXPECT_EQ(start, c.document.find('<', 1));
            trace = "1<" + std::string(reader.Name()) + ">\n";
            if (!text.empty())
                trace += "'" + std::string(text) + "'" + (text.find_first_not_of(" \n") == std::string_view::npos ? "W" : "") + "E\n";
            trace += "</" + std::string(reader.Name()) + ">\n";
            EXPECT_EQ(reader.Depth(), 1u);
        } else {
            EXPECT_EQ(c.text, nullptr);
        }
        try {
            trace += Trace(reader);
        } catch (const CXmlSyntaxError& error) {
            trace = error.what();
        }
        EXPECT_EQ(trace, expected);
    }
}

TEST(XmlPullReader, TellsWhetherADocumentIsUtf8)
{
    EXPECT_TRUE(CXmlPullReader::IsUtf8("<r/>"));
    EXPECT_TRUE(CXmlPullReader::IsUtf8("<?xml version='1.0' encoding='UTF-8'?><r/>"));
    EXPECT_FALSE(CXmlPullReader::IsUtf8("<?xml version='1.0' encoding='ISO-8859-1'?><r/>"));
    EXPECT_FALSE(CXmlPullReader::IsUtf8("\xFF\xFE<\0r\0/\0>\0"));
    EXPECT_FALSE(CXmlPullReader::IsUtf8(std::string("<\0r\0", 4)));
}

} // namespace
} // namespace tarnwel
