#include "platform/base/ComError.h"

#include <cstdio>

namespace tarnwel {

std::string CComError::CodeText() const
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(m_code)));
    return text;
}

}  // namespace tarnwel
