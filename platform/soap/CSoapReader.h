#pragma once
// Loads a SOAP answer into an XML document and tells whether it is a fault.

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace tarnwel {

class CSoapReader {
public:
    // Parses the answer into the document. The reader keeps the text, which
    // the document is parsed in place in: pass it with std::move so that a
    // large reply is held once. Raises CComError when the text is not a
    // well-formed XML document.
    void Load(std::string text);

    // True when the envelope's Body holds a Fault element (SOAP 1.1).
    bool Fault() const;

    // True when the document is a SOAP envelope whose Body holds the answer of
    // `method`: an element named `method` + "Response", whatever its prefix.
    bool HoldsResponse(std::string_view method) const;

    // False when no element of the document can be named `name`: the answer
    // was UTF-8 (names stand in its text as they are) and the name does not
    // occur in it. True otherwise, so a search of the document must decide.
    bool MayHoldElement(std::string_view name) const;

    // The loaded document; empty before Load.
    const pugi::xml_document& Dom() const { return m_document; }

    // The whole document written back as XML text, without indentation.
    std::string Xml() const;

private:
    std::string m_text;  // the document's names and values point into it, so it goes last
    bool m_textIsUtf8 = false;
    pugi::xml_document m_document;
};

} // namespace tarnwel
