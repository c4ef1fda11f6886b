#pragma once
// Loads a SOAP answer into an XML document and tells whether it is a fault.

#include <pugixml.hpp>

#include <string>

namespace tarnwel {

class CSoapReader {
public:
    // Parses the answer into the document. Raises CComError when the text is
    // not a well-formed XML document.
    void Load(const std::string& text);

    // True when the envelope's Body holds a Fault element (SOAP 1.1).
    bool Fault() const;

    // The loaded document; empty before Load.
    const pugi::xml_document& Dom() const { return m_document; }

    // The whole document written back as XML text, without indentation.
    std::string Xml() const;

private:
    pugi::xml_document m_document;
};

} // namespace tarnwel
