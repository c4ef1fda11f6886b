#pragma once
// The user's locale, as far as the system needs it: the form of a date written
// "date only" in the user's default locale.

#include <string>
#include <string_view>

namespace tarnwel {

class CUserLocale {
public:
    // The locale named like a POSIX locale ("de_DE.UTF-8", "en_US", "C").
    // "C", "POSIX", empty and unknown names take the German date form.
    static CUserLocale FromName(std::string_view name);

    // The locale of this process: the one given to Use(), else the first
    // non-empty of LC_ALL, LC_TIME and LANG, read once.
    static const CUserLocale& Current();

    // Makes `name` the locale of this process (tests and tools set it explicitly).
    static void Use(std::string_view name);

    // Forgets a locale given to Use(); the environment is read again.
    static void UseEnvironment();

    const std::string& Name() const { return m_name; }

    // The strftime-like pattern of a date-only text, for example "%d.%m.%Y".
    const std::string& DatePattern() const { return m_datePattern; }

private:
    CUserLocale(std::string name, std::string datePattern);
    // The process's one locale of that name; the caller holds the lock.
    static const CUserLocale& Kept(std::string_view name);

    std::string m_name;
    std::string m_datePattern;
};

} // namespace tarnwel
