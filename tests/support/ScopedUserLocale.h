#pragma once
// Makes a locale the process's user locale while the object lives, so that a
// test's dates are written and read in a known form whatever the machine's
// environment says.

#include "platform/base/UserLocale.h"

#include <string_view>

namespace tarnwel::test {

class CScopedUserLocale {
public:
    explicit CScopedUserLocale(std::string_view name = "de_DE.UTF-8") { CUserLocale::Use(name); }
    ~CScopedUserLocale() { CUserLocale::UseEnvironment(); }
    CScopedUserLocale(const CScopedUserLocale&) = delete;
    CScopedUserLocale& operator=(const CScopedUserLocale&) = delete;
};

} // namespace tarnwel::test
