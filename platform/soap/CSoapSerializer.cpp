#include "platform/soap/CSoapSerializer.h"

namespace tarnwel {

void CSoapSerializer::StartEnvelope()
{
    m_text += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
             "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">";
}

void CSoapSerializer::StartBody()
{
    m_text += "<SOAP-ENV:Body>";
}

void CSoapSerializer::StartElement(std::string_view name, std::string_view namespaceUri, std::string_view prefix)
{
    m_openElement.assign(prefix).append(":").append(name);
    m_text.append("<").append(m_openElement).append(" xmlns:").append(prefix).append("=\"");
    m_text.append(namespaceUri).append("\">");
}

void CSoapSerializer::WriteXml(std::string_view xml)
{
    m_text += xml;
}

void CSoapSerializer::EndElement()
{
    m_text.append("</").append(m_openElement).append(">");
    m_openElement.clear();
}

void CSoapSerializer::EndBody()
{
    m_text += "</SOAP-ENV:Body>";
}

void CSoapSerializer::EndEnvelope()
{
    m_text += "</SOAP-ENV:Envelope>";
}

} // namespace tarnwel
