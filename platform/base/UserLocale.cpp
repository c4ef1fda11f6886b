#include "platform/base/UserLocale.h"

#include <cstdlib>
#include <mutex>
#include <atomic>
#include <deque>

namespace tarnwel {

namespace {

constexpr const char* kGermanDate = "%d.%m.%Y";

struct DateForm {
    std::string_view prefix;  // language, or language_TERRITORY
    const char* pattern;
};

// Short date forms of common locales; the longest matching prefix counts.
constexpr DateForm kDateForms[] = {
    {"de", "%d.%m.%Y"},   {"da", "%d.%m.%Y"},   {"fi", "%d.%m.%Y"},   {"nb", "%d.%m.%Y"},
    {"no", "%d.%m.%Y"},   {"pl", "%d.%m.%Y"},   {"ru", "%d.%m.%Y"},   {"cs", "%d.%m.%Y"},
    {"sk", "%d.%m.%Y"},   {"tr", "%d.%m.%Y"},   {"uk", "%d.%m.%Y"},   {"en", "%d/%m/%Y"},
    {"en_US", "%m/%d/%Y"}, {"fr", "%d/%m/%Y"},  {"es", "%d/%m/%Y"},   {"it", "%d/%m/%Y"},
    {"pt", "%d/%m/%Y"},   {"el", "%d/%m/%Y"},   {"nl", "%d-%m-%Y"},   {"sv", "%Y-%m-%d"},
    {"lt", "%Y-%m-%d"},   {"hu", "%Y.%m.%d"},   {"ja", "%Y/%m/%d"},   {"zh", "%Y/%m/%d"},
    {"ko", "%Y.%m.%d"},
};

// Every locale made current stays alive for the life of the process (one per
// name given to Use), so Current() can hand out a reference without a lock.
std::mutex g_mutex;
std::deque<CUserLocale> g_locales;
std::atomic<const CUserLocale*> g_current{nullptr};

std::string NameFromEnvironment()
{
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "C";
}

} // namespace

CUserLocale::CUserLocale(std::string name, std::string datePattern)
    : m_name(std::move(name)), m_datePattern(std::move(datePattern))
{
}

CUserLocale CUserLocale::FromName(std::string_view name)
{
    // "de_DE.UTF-8@euro" -> "de_DE"
    std::string_view base = name.substr(0, name.find_first_of(".@"));
    const DateForm* best = nullptr;
    for (const DateForm& form : kDateForms) {
        const bool matches = base == form.prefix ||
            (base.size() > form.prefix.size() && base.substr(0, form.prefix.size()) == form.prefix &&
             base[form.prefix.size()] == '_');
        if (matches && (!best || form.prefix.size() > best->prefix.size()))
            best = &form;
    }
    return CUserLocale(std::string(name), best ? best->pattern : kGermanDate);
}

const CUserLocale& CUserLocale::Current()
{
    if (const CUserLocale* current = g_current.load(std::memory_order_acquire))
        return *current;
    std::lock_guard lock(g_mutex);
    if (const CUserLocale* current = g_current.load(std::memory_order_acquire))
        return *current;
    const CUserLocale& fromEnvironment = Kept(NameFromEnvironment());
    g_current.store(&fromEnvironment, std::memory_order_release);
    return fromEnvironment;
}

const CUserLocale& CUserLocale::Kept(std::string_view name)
{
    // A name used before takes its kept locale, so that switching back and
    // forth does not make the list grow without end.
    for (const CUserLocale& kept : g_locales)
        if (kept.m_name == name)
            return kept;
    return g_locales.emplace_back(FromName(name));
}

void CUserLocale::Use(std::string_view name)
{
    std::lock_guard lock(g_mutex);
    g_current.store(&Kept(name), std::memory_order_release);
}

void CUserLocale::UseEnvironment()
{
    std::lock_guard lock(g_mutex);
    g_current.store(nullptr, std::memory_order_release);
}

} // namespace tarnwel
