#include "settings/CReplicationSettings.h"

#include "platform/base/ByteFile.h"
#include "platform/base/Text.h"
#include "platform/ui/UserNotices.h"

#include <array>
#include <charconv>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <unordered_map>

namespace tarnwel {

namespace {

// Temporary files of a save that the end of its process interrupted (a
// kill, a second signal). Each holds a whole copy of the settings, the
// password included, so they do not stay. The client and the wizard may save
// the file at the same moment: a save holds a shared lock on the directory
// while its temporary file exists, and the files are removed only when that
// lock can be had exclusively.
void RemoveStaleTemporaryFiles(const std::string& path)
{
    if (const int removed = RemoveStrayTemporaryFilesWhenAlone(path))
        CReplicationSettings::Trace("removed " + std::to_string(removed) + " temporary file(s) of an interrupted save of " +
                                    path);
}

// Visits the fields of the file in file order, each with its key and the kind
// of its value. Writing and reading both walk this one list, so the two can
// never disagree on a key or on the order.
template <typename Rules, typename Visitor>
void VisitRuleLines(std::string_view prefix, Rules& rules, Visitor& visit)
{
    const std::string p(prefix);
    visit.Number(p + " Ovr Action", rules.ovrAction);
    visit.Number(p + " Ovr NoRights", rules.ovrNoRights);
    visit.Number(p + " New Action", rules.newAction);
    visit.Number(p + " New NoRights", rules.newNoRights);
    visit.Number(p + " OLDeleted Action", rules.olDeletedAction);
    visit.Flag(p + " OLDeleted NewerThan", rules.olDeletedNewerThan);
    visit.Date(p + " OLDeleted NewerThanDate", rules.olDeletedNewerThanDate);
    // NoRights follows the date lines in the file, unlike in the record.
    visit.Number(p + " OLDeleted NoRights", rules.olDeletedNoRights);
    visit.Number(p + " TWDeleted Action", rules.twDeletedAction);
    visit.Flag(p + " TWDeleted NewerThan", rules.twDeletedNewerThan);
    visit.Date(p + " TWDeleted NewerThanDate", rules.twDeletedNewerThanDate);
    visit.Number(p + " TWDeleted NoRights", rules.twDeletedNoRights);
}

template <typename Settings, typename Visitor>
void VisitFileLines(Settings& s, Visitor& visit)
{
    visit.Text("URL", s.serverUrl);
    visit.Text("username", s.userName);
    visit.Text("password", s.password);
    visit.Date("since", s.since);
    visit.Flag("all", s.all);
    visit.Number("Soap connector timeout", s.soapTimeout);
    visit.Categories("Category checkboxes", s.replicateAppointments, s.replicateContacts, s.replicateTasks);
    visit.Flag("Logging enabled", s.loggingEnabled);
    visit.Flag("Save Log", s.saveLog);
    visit.Flag("Convert before", s.convertBefore);
    visit.LastRun("Contacts reference", s.lastRun);
    VisitRuleLines("Appo", s.appointmentRules, visit);
    VisitRuleLines("Cont", s.contactRules, visit);
    VisitRuleLines("Task", s.taskRules, visit);
    visit.Flag("Vacuum all", s.vacuumAll);
    visit.Number("Replication schedule in minutes", s.scheduleMinutes);
}

const char* FlagText(int flag)
{
    return flag != 0 ? "1" : "0";
}

class CLineWriter {
public:
    explicit CLineWriter(std::vector<std::string>& lines) : m_lines(lines) {}

    void Text(std::string_view key, const std::string& value) { Put(key, EncodeLatin1Line(value)); }
    void Number(std::string_view key, int value) { Put(key, std::to_string(value)); }
    void Flag(std::string_view key, int value) { Put(key, FlagText(value)); }
    void Date(std::string_view key, const COleDate& value) { Put(key, value.FormatLocaleDate()); }
    void LastRun(std::string_view key, const COleDate& value)
    {
        // The only line without a blank before "=".
        m_lines.push_back(std::string(key) + "= " + value.Format(CReplicationSettings::kLastRunPattern));
    }
    void Categories(std::string_view key, int first, int second, int third)
    {
        Put(key, std::string(FlagText(first)) + " " + FlagText(second) + " " + FlagText(third));
    }

private:
    void Put(std::string_view key, std::string_view value)
    {
        std::string line(key);
        line += " = ";
        line += value;
        m_lines.push_back(std::move(line));
    }

    std::vector<std::string>& m_lines;
};

// The three text lines at the head of the file, in file order.
constexpr std::array<const char*, 3> kTextKeys = {"URL", "username", "password"};

template <typename Settings>
auto TextFields(Settings& s)
{
    return std::array{&s.serverUrl, &s.userName, &s.password};
}

// True when `line` looks meant for `key` without being its line: the key, in
// any case, after optional blanks, followed by the end of the line, white
// space, "=" or ":". The caller has made sure that no line holds the key
// exactly.
bool LooksMeantFor(std::string_view line, std::string_view key)
{
    while (!line.empty() && IsTrimSpace(static_cast<unsigned char>(line.front())))
        line.remove_prefix(1);
    if (line.size() < key.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(line[i]) != lower(key[i]))
            return false;
    }
    if (line.size() == key.size())
        return true;
    const char next = line[key.size()];
    return IsTrimSpace(static_cast<unsigned char>(next)) || next == '=' || next == ':';
}

std::string_view TrimBytes(std::string_view text)
{
    while (!text.empty() && IsTrimSpace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && IsTrimSpace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// A whole decimal integer of the int range, with an optional sign and
// surrounding white space; nothing else.
bool ParseInteger(std::string_view text, int& value)
{
    text = TrimBytes(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return false;
    }
    if (text.empty())
        return false;
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc{} || end != text.data() + text.size())
        return false;
    value = parsed;
    return true;
}

// Reads each field from the value of its key's line, when that line exists
// and its value fits; otherwise the field keeps what it holds.
class CLineReader {
public:
    using Values = std::unordered_map<std::string_view, std::string_view>;

    explicit CLineReader(const Values& values) : m_values(values) {}

    void Text(const std::string& key, std::string& field)
    {
        if (const auto value = Find(key))
            field = *value;
    }

    void Number(const std::string& key, int& field)
    {
        if (const auto value = Find(key))
            ParseInteger(*value, field);
    }

    // Any integer other than 0 switches a flag on, so flags keep to 0 and 1.
    void Flag(const std::string& key, int& field)
    {
        int number = 0;
        if (const auto value = Find(key); value && ParseInteger(*value, number))
            field = number != 0 ? 1 : 0;
    }

    void Date(const std::string& key, COleDate& field)
    {
        if (const auto value = Find(key))
            SetIfValid(field, COleDate::Parse(*value));
    }

    // Written day first in every locale, so the fixed pattern is tried before
    // the locale-dependent parser (which would read 08/12 as 12 August in a
    // month-first locale). The parser still takes a hand-edited value.
    void LastRun(const std::string& key, COleDate& field)
    {
        const auto value = Find(key);
        if (!value)
            return;
        const std::string trimmed(TrimBytes(*value));
        COleDate date = COleDate::ParseWithPattern(trimmed, CReplicationSettings::kLastRunPattern);
        if (!date.IsValid())
            date = COleDate::Parse(trimmed);
        SetIfValid(field, date);
    }

    // All three numbers or none.
    void Categories(const std::string& key, int& first, int& second, int& third)
    {
        const auto value = Find(key);
        if (!value)
            return;
        int numbers[3] = {};
        std::size_t count = 0;
        std::string_view rest = TrimBytes(*value);
        while (!rest.empty()) {
            std::size_t end = 0;
            while (end < rest.size() && !IsTrimSpace(static_cast<unsigned char>(rest[end])))
                ++end;
            if (count == 3 || !ParseInteger(rest.substr(0, end), numbers[count]))
                return;
            ++count;
            rest = TrimBytes(rest.substr(end));
        }
        if (count != 3)
            return;
        first = numbers[0] != 0 ? 1 : 0;
        second = numbers[1] != 0 ? 1 : 0;
        third = numbers[2] != 0 ? 1 : 0;
    }

private:
    // The value of `key`'s line, decoded to UTF-8.
    std::optional<std::string> Find(const std::string& key) const
    {
        const auto found = m_values.find(key);
        if (found == m_values.end())
            return std::nullopt;
        return DecodeLatin1Line(found->second);
    }

    static void SetIfValid(COleDate& field, const COleDate& date)
    {
        if (date.IsValid())
            field = date;
    }

    const Values& m_values;
};

} // namespace

void CReplicationSettings::SetDefaults()
{
    const COleDate keptLastRun = lastRun;
    std::string keptUnreadablePath = std::move(m_unreadablePath);
    // The assignment also drops the lines kept by a load.
    *this = CReplicationSettings{};
    lastRun = keptLastRun;
    m_unreadablePath = std::move(keptUnreadablePath);

    userName = kDefaultUserName;
    password = kDefaultPassword;
    serverUrl = kDefaultServerUrl;
    const COleDate twoWeeksAgo = COleDate::Now().AddDays(-kDefaultSinceDays);
    since = twoWeeksAgo;
    appointmentRules.SetDefaults(twoWeeksAgo);
    contactRules.SetDefaults(twoWeeksAgo);
    taskRules.SetDefaults(twoWeeksAgo);
}

std::vector<std::string> CReplicationSettings::FileLines() const
{
    std::vector<std::string> lines;
    lines.reserve(kLineCount);
    CLineWriter writer(lines);
    VisitFileLines(*this, writer);
    // A line the load could not read stays as the user wrote it until the
    // field is given a value.
    const auto fields = TextFields(*this);
    for (std::size_t i = 0; i < m_keptLines.size(); ++i) {
        if (m_keptLines[i].kept && *fields[i] == m_keptLines[i].value)
            lines[i] = m_keptLines[i].line;
    }
    return lines;
}

std::string CReplicationSettings::FileText() const
{
    std::string text;
    for (const std::string& line : FileLines()) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> CReplicationSettings::DoubtfulKeys() const
{
    std::vector<std::string> keys;
    const auto fields = TextFields(*this);
    for (std::size_t i = 0; i < m_keptLines.size(); ++i) {
        if (m_keptLines[i].kept && *fields[i] == m_keptLines[i].value)
            keys.emplace_back(kTextKeys[i]);
    }
    return keys;
}

void CReplicationSettings::ReadFileText(std::string_view bytes)
{
    // A byte order mark that an editor put before the first key (a tool that
    // adds one without looking may have put it twice).
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    while (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());
    const std::vector<std::string_view> lines = SplitLines(bytes);
    // Key -> raw value of the last line with that key.
    CLineReader::Values values;
    for (const std::string_view line : lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view value = line.substr(equals + 1);
        if (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        values[TrimBytes(line.substr(0, equals))] = value;
    }
    SetDefaults();
    CLineReader reader(values);
    VisitFileLines(*this, reader);

    // The URL, the user name and the password: a line that looks meant for
    // one of them but was not read is kept (the last such line), so that
    // the default in its place is never saved over it.
    const auto fields = TextFields(*this);
    for (std::size_t i = 0; i < kTextKeys.size(); ++i) {
        if (values.contains(kTextKeys[i]))
            continue;
        for (const std::string_view line : lines) {
            if (LooksMeantFor(line, kTextKeys[i]))
                m_keptLines[i] = {true, std::string(line), *fields[i]};
        }
        if (m_keptLines[i].kept)
            Trace(std::string("the line for ") + kTextKeys[i] + " cannot be read; it is kept as it stands, and " +
                  kTextKeys[i] + " holds its default");
    }
}

void CReplicationSettings::Load(const std::string& path)
{
    std::string bytes;
    std::string reason;
    FileReadResult result = FileReadResult::failed;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        // Reading a pipe or a device could wait or run for ever; a directory
        // holds no settings. None of them is a missing file to be created.
        reason = "not a regular file";
    else
        result = ReadFileBytes(path, bytes, &reason);

    m_unreadablePath.clear();
    switch (result) {
    case FileReadResult::ok:
        ReadFileText(bytes);
        RemoveStaleTemporaryFiles(path);
        break;
    case FileReadResult::missing:
        SetDefaults();
        Save(path);
        RemoveStaleTemporaryFiles(path);
        break;
    case FileReadResult::failed:
        SetDefaults();
        m_unreadablePath = path;
        Trace("cannot read " + path + " (" + reason + "): defaults in memory, the file is left alone");
        ReportToUser("Die Einstellungsdatei <" + path +
                         "> kann nicht gelesen werden.\r\n"
                         "Sie bleibt unverändert. Solange sie nicht gelesen werden kann, wird weder "
                         "repliziert noch werden Einstellungen gespeichert.",
                     MessageBoxIcon::stop);
        break;
    }
    vacuumAppointments = 1;
    vacuumContacts = 1;
    vacuumTasks = 1;
}

void CReplicationSettings::Save(const std::string& path) const
{
    if (CameFromUnreadableFile()) {
        Trace("not saved to " + path + ": the record holds defaults in place of the unreadable " +
              m_unreadablePath);
        ReportToUser("Die Einstellungen werden nicht gespeichert: die Einstellungsdatei <" + m_unreadablePath +
                         "> konnte nicht gelesen werden und bleibt unverändert.",
                     MessageBoxIcon::stop);
        return;
    }
    const AtomicWriteOptions options{.newFileMode = 0600, .forceMode = true};
    if (!WriteFileAtomically(path, FileText(), options))
        ReportToUser("cannot create file <" + path + ">", MessageBoxIcon::stop);
}

void CReplicationSettings::Trace(std::string_view text)
{
    std::clog << "settings: " << text << '\n';
}

} // namespace tarnwel
