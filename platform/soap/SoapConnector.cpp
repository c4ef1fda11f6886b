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
