#include "platform/soap/CSoapSerializer.h"

namespace tarnwel {

void CSoapSerializer::StartEnvelope()
{
    text_ += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
             "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">";
}

void CSoapSerializer::StartBody()
{
    text_ += "<SOAP-ENV:Body>";
}

void CSoapSerializer::StartElement(std::string_view name, std::string_view namespaceUri, std::string_view prefix)
{
    openElement_.assign(prefix).append(":").append(name);
    text_.append("<").append(openElement_).append(" xmlns:").append(prefix).append("=\"");
    text_.append(namespaceUri).append("\">");
}

void CSoapSerializer::WriteXml(std::string_view xml)
{
    text_ += xml;
}

void CSoapSerializer::EndElement()
{
    text_.append("</").append(openElement_).append(">");
    openElement_.clear();
}

void CSoapSerializer::EndBody()
{
    text_ += "</SOAP-ENV:Body>";
}

void CSoapSerializer::EndEnvelope()
{
    text_ += "</SOAP-ENV:Envelope>";
}

} // namespace tarnwel
