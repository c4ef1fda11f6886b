#include "platform/soap/CSoapReader.h"

#include "platform/base/ComError.h"

#include <sstream>
#include <string_view>

namespace tarnwel {
namespace {

constexpr std::string_view kEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";

std::string_view LocalName(const pugi::xml_node node)
{
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view Prefix(const pugi::xml_node node)
{
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

// The namespace URI that is in force for the node's prefix.
std::string_view NamespaceOf(const pugi::xml_node node)
{
    const std::string_view prefix = Prefix(node);
    const std::string attributeName = prefix.empty() ? std::string("xmlns") : "xmlns:" + std::string(prefix);
    for (pugi::xml_node scope = node; scope; scope = scope.parent()) {
        if (const pugi::xml_attribute declaration = scope.attribute(attributeName.c_str()))
            return declaration.value();
    }
    return {};
}

bool IsEnvelopeElement(const pugi::xml_node node, std::string_view localName)
{
    return node.type() == pugi::node_element && LocalName(node) == localName &&
           NamespaceOf(node) == kEnvelopeNamespace;
}

// Whether a child of the envelope's body (the document element a SOAP
// Envelope, its Body children) satisfies `matches`.
template <typename Matches>
bool AnyBodyChild(const pugi::xml_document& document, Matches matches)
{
    const pugi::xml_node envelope = document.document_element();
    if (!IsEnvelopeElement(envelope, "Envelope"))
        return false;
    for (const pugi::xml_node body : envelope.children()) {
        if (!IsEnvelopeElement(body, "Body"))
            continue;
        for (const pugi::xml_node child : body.children()) {
            if (matches(child))
                return true;
        }
    }
    return false;
}

} // namespace

void CSoapReader::Load(std::string text)
{
    m_document.reset();
    m_textIsUtf8 = false;
    m_text = std::move(text);
    // The parse options of the reply readers: a value that is nothing but
    // white space stays a value; the text that opens an element is kept as
    // the element's value, not as a node of its own.
    const pugi::xml_parse_result result = m_document.load_buffer_inplace(
        m_text.data(), m_text.size(),
        pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata);
    if (!result) {
        m_document.reset();
        m_text.clear();
        throw CComError(com_codes::kFail, std::string("The server's answer is not XML: ") + result.description() +
                                              " at offset " + std::to_string(result.offset));
    }
    m_textIsUtf8 = result.encoding == pugi::encoding_utf8;
    if (!m_document.document_element()) {
        m_document.reset();
        m_text.clear();
        throw CComError(com_codes::kFail, "The server's answer is empty");
    }
}

bool CSoapReader::Fault() const
{
    return AnyBodyChild(m_document, [](const pugi::xml_node child) { return IsEnvelopeElement(child, "Fault"); });
}

bool CSoapReader::HoldsResponse(std::string_view method) const
{
    return AnyBodyChild(m_document, [method](const pugi::xml_node child) {
        const std::string_view name = LocalName(child);
        return child.type() == pugi::node_element && name.size() == method.size() + 8 &&
               name.substr(0, method.size()) == method && name.substr(method.size()) == "Response";
    });
}

bool CSoapReader::MayHoldElement(std::string_view name) const
{
    // Parsing in place ends names with a zero but never changes their letters.
    return !m_textIsUtf8 || std::string_view(m_text).find(name) != std::string_view::npos;
}

std::string CSoapReader::Xml() const
{
    std::ostringstream text;
    m_document.save(text, "", pugi::format_raw | pugi::format_no_declaration);
    return text.str();
}

} // namespace tarnwel
