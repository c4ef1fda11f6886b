#pragma once
// Runs a call and gives the code of the CComError it raised, 0 when it raised
// none; for tables of calls that must fail with a given code.

#include "platform/base/ComError.h"

#include <cstdint>

namespace tarnwel::test {

template <class Call>
std::int32_t ComErrorCode(Call&& call)
{
    try {
        call();
    } catch (const CComError& error) {
        return error.Code();
    }
    return 0;
}

} // namespace tarnwel::test
