#include "platform/automation/DispatchBase.h"

namespace tarnwel {

void RequireArguments(std::string_view member, const std::vector<CVariant>& arguments, std::size_t count)
{
    if (arguments.size() < count)
        throw CComError(com_codes::kBadParamCount, std::string(member) + " needs " + std::to_string(count) +
                                                       " argument" + (count == 1 ? "" : "s"));
}

} // namespace tarnwel
