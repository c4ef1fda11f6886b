#pragma once
// Writes one SOAP 1.1 request envelope. The steps follow the envelope's
// structure: envelope, body, the method element (in its namespace, under a
// prefix), the method's content as raw XML, and the closing tags.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwel {

class CSoapSerializer {
public:
    // Room for an envelope of about `bytes`, so that a large one is not
    // copied while it grows.
    void Reserve(std::size_t bytes) { m_text.reserve(bytes); }
    void StartEnvelope();
    void StartBody();
    // <prefix:name xmlns:prefix="namespaceUri">; the names are written as given.
    void StartElement(std::string_view name, std::string_view namespaceUri, std::string_view prefix);
    // Appended unchanged: the caller vouches that it is well-formed XML content.
    void WriteXml(std::string_view xml);
    void EndElement();
    void EndBody();
    void EndEnvelope();

    const std::string& Text() const { return m_text; }
    std::string TakeText() { return std::move(m_text); }

private:
    std::string m_text;
    std::string m_openElement;  // qualified name of the open method element
};

} // namespace tarnwel
