#pragma once
// The message of the server exception that a call raises.

#include <functional>
#include <string>

namespace tarnwel::test {

// Runs `call` and returns the message of the `Exception` it raised, or
// "<nothing raised>". Exceptions of other classes pass through.
template <typename Exception>
std::string MessageOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Exception& exception) {
        return exception.GetMessageText();
    }
    return "<nothing raised>";
}

} // namespace tarnwel::test
