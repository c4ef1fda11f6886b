#include "platform/soap/SoapConnector.h"

#include "platform/soap/CCurlConnector.h"

namespace tarnwel {
namespace {

SoapConnectorFactory& Factory()
{
    static SoapConnectorFactory factory;
    return factory;
}

} // namespace

long ISoapConnector::Send(const std::string& envelope, IHttpBodySink& sink)
{
    const CHttpResponse response = Send(envelope);
    if (!response.body.empty()) {
        sink.Start(response.status, static_cast<std::int64_t>(response.body.size()));
        sink.Append(response.body);
    }
    return response.status;
}

std::unique_ptr<ISoapConnector> CreateSoapConnector()
{
    if (Factory())
        return Factory()();
    return std::make_unique<CCurlConnector>();
}

CScopedSoapConnectorFactory::CScopedSoapConnectorFactory(SoapConnectorFactory factory)
    : m_previous(std::move(Factory()))
{
    Factory() = std::move(factory);
}

CScopedSoapConnectorFactory::~CScopedSoapConnectorFactory()
{
    Factory() = std::move(m_previous);
}

} // namespace tarnwel
