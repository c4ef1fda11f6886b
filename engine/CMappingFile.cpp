#include "engine/CMappingFile.h"

#include "engine/CrashPoint.h"
#include "platform/ui/UserNotices.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace tarnwel {

namespace {

// What separates the two ids of a line.
constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Bytes that an id never holds as they are in the file: control characters,
// the blank and DEL.
constexpr bool IsControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ' || c == '\x7F';
}

// A bit in the highest bit of each of the eight bytes of the word (in
// memory order from the lowest byte) that is a blank, a control character,
// DEL, "&" or above DEL (any doubt gives a bit). Of the bits, the lowest is
// exact: it marks the first such byte.
std::uint64_t CodedBytes(std::uint64_t word)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    const auto hasZeroByte = [](std::uint64_t w) { return (w - kOnes) & ~w & kHighs; };
    const std::uint64_t below = (word - kOnes * '!') & ~word & kHighs;  // a byte below "!"
    return below | (word & kHighs) | hasZeroByte(word ^ (kOnes * 0x7F)) | hasZeroByte(word ^ (kOnes * '&'));
}

std::uint64_t CodedBytes(const char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    return CodedBytes(word);
}

constexpr bool IsCodedByte(char c)
{
    return c <= ' ' || c > '~' || c == '&';
}

// How many bytes from `from` on stand for themselves: printable ASCII other
// than "&" (see IsPlain).
std::size_t PlainRun(std::string_view text, std::size_t from)
{
    static_assert(std::endian::native == std::endian::little, "the first byte is the lowest of a word");
    std::size_t at = from;
    for (; at + 8 <= text.size(); at += 8)
        if (const std::uint64_t coded = CodedBytes(text.data() + at))
            return at + static_cast<std::size_t>(std::countr_zero(coded) / 8) - from;
    if (at == text.size())
        return at - from;
    if (text.size() < 8) {
        while (at < text.size() && !IsCodedByte(text[at]))
            ++at;
        return at - from;
    }
    // The last bytes: the word that ends with them, its bytes before them
    // (already passed) taken for plain ones.
    const std::size_t start = text.size() - 8;
    const unsigned passed = static_cast<unsigned>(at - start);  // 1 to 7
    std::uint64_t word;
    std::memcpy(&word, text.data() + start, 8);
    const std::uint64_t passedBytes = (std::uint64_t{1} << (8 * passed)) - 1;
    word = (word & ~passedBytes) | (0x4141414141414141ull & passedBytes);
    if (const std::uint64_t coded = CodedBytes(word))
        return start + static_cast<std::size_t>(std::countr_zero(coded) / 8) - from;
    return text.size() - from;
}

// True when the bytes stand for themselves in both directions: printable
// ASCII other than "&".
bool IsPlain(std::string_view text)
{
    return PlainRun(text, 0) == text.size();
}

void AppendId(std::string& out, std::string_view id)
{
    if (IsPlain(id))
        out += id;
    else
        out += CMappingFile::EncodeId(id);
}

// Ends the program with exit code 1 after the message. A run saves from its
// worker thread while the user-interface thread goes on, so the program's
// windows and threads are ended by the ui layer, not here.
[[noreturn]] void Fatal(const char* message)
{
    EndProgramAfterMessage(message, 1);
}

// Mapping files and journals are the user's alone, whatever the umask: they
// tell which of the user's items are replicated, and with which server item.
constexpr mode_t kPrivateMode = 0600;

// Opens (creating it when missing) a file with kPrivateMode; an existing file
// keeps its mode. A new file takes the mode without the umask.
int OpenPrivate(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateMode);
    if (fd >= 0) {
        ::fchmod(fd, kPrivateMode);
        return fd;
    }
    if (errno != EEXIST)
        return -1;
    return ::open(path.c_str(), flags | O_CREAT | O_CLOEXEC, kPrivateMode);
}

// Creates the file empty; an existing file is neither emptied nor changed.
bool CreateEmpty(const std::string& path)
{
    const int fd = OpenPrivate(path, O_WRONLY);
    if (fd < 0)
        return false;
    return ::close(fd) == 0;
}

// True when a new file can be made and written beside `path`, as the next
// save will need: a read-only directory or a full disk fails here. The probe
// is named like a save's temporary file, so one left by an end of the process
// is cleaned up with those.
bool CanWriteBeside(const std::string& path)
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                  static_cast<unsigned long long>(generator() & 0xFFFFFFFFFFFFull));
    const std::string probe = path + suffix;
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, "\n", 1) == 1;
    ::close(fd);
    ::unlink(probe.c_str());
    return written;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// What a byte of a line is: a separator of ids, a byte that keeps its token
// from standing for itself (see IsPlain), a NUL byte.
enum : unsigned char { kBlankByte = 1, kCodedByte = 2, kNulByte = 4 };

constexpr unsigned char ByteClass(char c)
{
    return static_cast<unsigned char>((IsBlank(c) ? kBlankByte : 0) | (IsCodedByte(c) ? kCodedByte : 0) |
                                      (c == '\0' ? kNulByte : 0));
}

constexpr auto kByteClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c)
        classes[static_cast<std::size_t>(c)] = ByteClass(static_cast<char>(c));
    return classes;
}();

// Up to four tokens of a line (the last one only tells that there are too
// many), whether each stands for itself, and whether the line holds a NUL
// byte; one pass over the line.
struct CLineTokens {
    std::string_view token[4];
    bool plain[4] = {};
    int count = 0;
    bool nul = false;
};

CLineTokens Tokens(std::string_view line)
{
    CLineTokens tokens;
    unsigned char seen = 0;  // the classes of the bytes of the token under way
    std::size_t start = 0;
    bool inToken = false;
    const auto endToken = [&](std::size_t end) {
        if (tokens.count < 4) {
            tokens.token[tokens.count] = line.substr(start, end - start);
            tokens.plain[tokens.count] = (seen & kCodedByte) == 0;
            ++tokens.count;
        }
        inToken = false;
    };
    unsigned char all = 0;
    for (std::size_t pos = 0; pos < line.size(); ++pos) {
        // Eight bytes of an id that stand for themselves at once (nearly
        // every byte of a file): they carry on or begin a token.
        while (pos + 8 <= line.size() && CodedBytes(line.data() + pos) == 0) {
            if (!inToken) {
                inToken = true;
                start = pos;
                seen = 0;
            }
            pos += 8;
        }
        if (pos == line.size())
            break;
        const unsigned char kind = kByteClasses[static_cast<unsigned char>(line[pos])];
        all |= kind;
        if (kind & kBlankByte) {
            if (inToken)
                endToken(pos);
        } else if (!inToken) {
            inToken = true;
            start = pos;
            seen = kind;
        } else {
            seen |= kind;
        }
    }
    if (inToken)
        endToken(line.size());
    tokens.nul = (all & kNulByte) != 0;
    return tokens;
}

// Calls `visit(line, number, endLength)` for every line of the bytes:
// `endLength` is 2 for CR LF, 1 for a lone CR or LF, 0 for a last line
// without its line end.
template <typename Visit>
void ForEachLine(std::string_view bytes, Visit&& visit)
{
    // The next "\n" and the next "\r" at or after `pos`, each looked for
    // again only once `pos` has passed it (a file of lines that end in "\r"
    // alone is read in one pass too).
    const auto next = [&bytes](char c, std::size_t from) {
        const void* found = std::memchr(bytes.data() + from, c, bytes.size() - from);
        return found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data()) : bytes.size();
    };
    std::size_t number = 0;
    std::size_t pos = 0;
    std::size_t newline = 0, carriageReturn = 0;
    bool newlineKnown = false, carriageReturnKnown = false;
    while (pos < bytes.size()) {
        if (!newlineKnown || newline < pos) {
            newline = next('\n', pos);
            newlineKnown = true;
        }
        if (!carriageReturnKnown || carriageReturn < pos) {
            carriageReturn = next('\r', pos);
            carriageReturnKnown = true;
        }
        std::size_t end = std::min(newline, carriageReturn);
        const std::string_view line = bytes.substr(pos, end - pos);
        std::size_t endLength = 0;
        if (end < bytes.size())
            endLength = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
        pos = end + endLength;
        visit(line, ++number, endLength);
    }
}

void Report(const CMappingFile::LogFunction& log, const char* what, std::size_t number, const char* reason)
{
    if (log)
        log(std::string(what) + " line " + std::to_string(number) + " skipped: " + reason);
}

} // namespace

CMappingFile::CMappingFile(std::string path, LogFunction log) : m_path(std::move(path)), m_log(std::move(log)) {}

CMappingFile::~CMappingFile()
{
    CloseJournal();
    if (m_directoryLock >= 0)
        ::close(m_directoryLock);  // releases the lock
}

std::string CMappingFile::EncodeId(std::string_view id)
{
    std::string out;
    for (const char c : EncodeLatin1Line(id)) {
        if (IsControl(c)) {
            static constexpr char kHex[] = "0123456789abcdef";
            const auto value = static_cast<unsigned char>(c);
            out += "&#x";
            if (value >= 0x10)
                out += kHex[value >> 4];
            out += kHex[value & 0xF];
            out += ';';
        } else {
            out += c;
        }
    }
    return out;
}

std::string CMappingFile::DecodeId(std::string_view token)
{
    if (IsPlain(token))
        return std::string(token);
    return DecodeLatin1Line(token);
}

namespace {

// Token `i` as an id: the token itself when it stands for itself (nearly
// every id), else its decoded text in `decoded`.
std::string_view IdOf(const CLineTokens& tokens, int i, std::string& decoded)
{
    if (tokens.plain[i])
        return tokens.token[i];
    decoded = DecodeLatin1Line(tokens.token[i]);
    return decoded;
}

} // namespace

void CMappingFile::ReadPairs(std::string_view bytes, CMappingTable& table, const LogFunction& log)
{
    ReadPairsOf(bytes, table, log);
}

bool CMappingFile::ReadPairsOf(std::string_view bytes, CMappingTable& table, const LogFunction& log)
{
    std::string serverId, entryId;
    // Whether every line so far is "<entry id> <server id>" CR LF, both ids
    // standing for themselves: the form a save writes.
    bool savedForm = true;
    std::size_t pairs = 0;
    // The plain pairs of the last lines wait a few lines before they reach
    // the table, their index buckets asked for meanwhile: the look-ups of a
    // large table overlap instead of waiting for memory one by one. Every
    // other line first lets the waiting pairs in, so the order stays.
    struct CWaiting {
        std::string_view serverId, entryId;
        std::uint32_t serverHash, entryHash;
    };
    constexpr std::size_t kAhead = 8;
    CWaiting waiting[kAhead];
    std::size_t waitingFrom = 0, waitingCount = 0;
    const auto addOldest = [&] {
        const CWaiting& pair = waiting[waitingFrom];
        table.AddMapping(pair.serverId, pair.serverHash, pair.entryId, pair.entryHash);
        waitingFrom = (waitingFrom + 1) % kAhead;
        --waitingCount;
    };
    const auto addWaiting = [&] {
        while (waitingCount > 0)
            addOldest();
    };
    ForEachLine(bytes, [&](std::string_view line, std::size_t number, std::size_t endLength) {
        // Nearly every line: two ids that stand for themselves, one blank
        // between them.
        const std::size_t first = PlainRun(line, 0);
        if (first > 0 && first + 1 < line.size() && line[first] == ' ' &&
            PlainRun(line, first + 1) == line.size() - first - 1) {
            if (waitingCount == kAhead)
                addOldest();
            CWaiting& pair = waiting[(waitingFrom + waitingCount++) % kAhead];
            pair.serverId = line.substr(first + 1);
            pair.entryId = line.substr(0, first);
            pair.serverHash = CIdIndex::Hash(pair.serverId);
            pair.entryHash = CIdIndex::Hash(pair.entryId);
            table.Prefetch(pair.serverHash);
            table.Prefetch(pair.entryHash);
            ++pairs;
            savedForm = savedForm && endLength == 2;
            return;
        }
        addWaiting();
        savedForm = false;
        const CLineTokens tokens = Tokens(line);
        if (tokens.nul)
            return Report(log, "Mapping file", number, "it holds a NUL byte");
        if (tokens.count == 0)
            return;
        if (tokens.count == 1)
            return Report(log, "Mapping file", number, "one id only");
        if (tokens.count > 2)
            return Report(log, "Mapping file", number, "more than two ids");
        // The entry id comes first on each line.
        table.AddMapping(IdOf(tokens, 1, serverId), IdOf(tokens, 0, entryId));
    });
    addWaiting();
    // Each line's ids new to the table: the pairs stand in the table in the
    // order of their lines, and saving them writes these bytes again.
    return savedForm && table.IdCount() == 2 * pairs;
}

namespace {

// The pending pairs of a journal while it is replayed: each is settled by a
// later record that names its entry id or its server id.
class CPendingPairs {
public:
    void Add(std::string_view entryId, std::string_view serverId)
    {
        SettleNaming(entryId, serverId);
        const std::size_t at = m_pairs.size();
        m_pairs.push_back(CMappingFile::CPendingPair{std::string(entryId), std::string(serverId)});
        m_byEntry.emplace(m_pairs.back().entryId, at);
        m_byServer.emplace(m_pairs.back().serverId, at);
    }
    // Either id may be empty: it names nothing then.
    void SettleNaming(std::string_view entryId, std::string_view serverId)
    {
        if (m_byEntry.empty())
            return;
        if (const auto found = m_byEntry.find(std::string(entryId)); !entryId.empty() && found != m_byEntry.end())
            Settle(found->second);
        if (const auto found = m_byServer.find(std::string(serverId)); !serverId.empty() && found != m_byServer.end())
            Settle(found->second);
    }
    void SettleAll()
    {
        m_pairs.clear();
        m_byEntry.clear();
        m_byServer.clear();
    }
    void TakeUnsettled(std::vector<CMappingFile::CPendingPair>& into)
    {
        for (std::size_t at = 0; at < m_pairs.size(); ++at)
            if (m_byEntry.contains(m_pairs[at].entryId) && m_byEntry.at(m_pairs[at].entryId) == at)
                into.push_back(std::move(m_pairs[at]));
        SettleAll();
    }

private:
    void Settle(std::size_t at)
    {
        m_byEntry.erase(m_pairs[at].entryId);
        m_byServer.erase(m_pairs[at].serverId);
    }

    std::vector<CMappingFile::CPendingPair> m_pairs;
    std::unordered_map<std::string, std::size_t> m_byEntry, m_byServer;
};

} // namespace

void CMappingFile::ReplayJournal(std::string_view bytes, CMappingTable& table, const LogFunction& log,
                                 std::vector<CPendingPair>* unsettled)
{
    std::string first, second;
    CPendingPairs pending;
    ForEachLine(bytes, [&](std::string_view line, std::size_t number, std::size_t endLength) {
        if (endLength == 0)
            return Report(log, "Mapping journal", number, "its end was cut off");
        const CLineTokens tokens = Tokens(line);
        if (tokens.nul)
            return Report(log, "Mapping journal", number, "it holds a NUL byte");
        if (tokens.count == 0)
            return;
        const std::string_view tag = tokens.token[0];
        if (tag == "add" && tokens.count == 3) {
            const std::string_view entryId = IdOf(tokens, 1, first);
            const std::string_view serverId = IdOf(tokens, 2, second);
            pending.SettleNaming(entryId, serverId);
            table.AddMapping(serverId, entryId);
        } else if (tag == "remove" && tokens.count == 2) {
            const std::string_view serverId = IdOf(tokens, 1, first);
            pending.SettleNaming({}, serverId);
            table.RemoveMapping(serverId);
        } else if (tag == "forget" && tokens.count == 2) {
            const std::string_view entryId = IdOf(tokens, 1, first);
            pending.SettleNaming(entryId, {});
            table.RemoveEntry(entryId);
        } else if (tag == "clear" && tokens.count == 1) {
            pending.SettleAll();
            table.Clear();
        } else if (tag == "pending" && tokens.count == 3) {
            const std::string_view entryId = IdOf(tokens, 1, first);
            const std::string_view serverId = IdOf(tokens, 2, second);
            if (!entryId.empty() && !serverId.empty())
                pending.Add(entryId, serverId);
        } else {
            Report(log, "Mapping journal", number, "not a record");
        }
    });
    if (unsettled)
        pending.TakeUnsettled(*unsettled);
}

std::string CMappingFile::PendingRecords(const std::vector<CPendingPair>& pairs)
{
    std::string records;
    for (const CPendingPair& pair : pairs) {
        records += "pending ";
        AppendId(records, pair.entryId);
        records += ' ';
        AppendId(records, pair.serverId);
        records += "\r\n";
    }
    return records;
}

void CMappingFile::Log(const std::string& text) const
{
    if (m_log)
        m_log(text);
}

namespace {

// The lines of a file's bytes, as their line feeds count them, plus one.
std::size_t LineCountBound(std::string_view bytes)
{
    std::size_t lines = 1;
    for (const char* at = bytes.data(); const void* found = std::memchr(at, '\n', bytes.data() + bytes.size() - at);
         at = static_cast<const char*>(found) + 1)
        ++lines;
    return lines;
}

} // namespace

std::string CMappingFile::StoreIdFileBytes(std::string_view storeId)
{
    return EncodeId(storeId) + "\r\n";
}

std::optional<std::string> CMappingFile::ReadStoreId(std::string_view bytes)
{
    std::optional<std::string> storeId;
    bool first = true;
    ForEachLine(bytes, [&](std::string_view line, std::size_t, std::size_t) {
        if (!first)
            return;
        first = false;
        const CLineTokens tokens = Tokens(line);
        if (!tokens.nul && tokens.count == 1)
            storeId = DecodeId(tokens.token[0]);
    });
    if (storeId && storeId->empty())
        storeId.reset();
    return storeId;
}

bool CMappingFile::RecordStoreId(const std::string& storeId)
{
    std::string error;
    if (storeId.empty() || !WriteFileAtomically(StoreIdPath(), StoreIdFileBytes(storeId), {}, &error)) {
        Log(m_path + ": the store's identity cannot be recorded (" + error + ")");
        return false;
    }
    CrashPoint("store identity recorded");
    m_storeIdState = StoreIdState::recorded;
    m_recordedStoreId = storeId;
    return true;
}

bool CMappingFile::Load(CMappingTable& table)
{
    m_damagedLines = 0;
    m_fileWasLost = false;
    const LogFunction log = [this](const std::string& text) {
        ++m_damagedLines;
        Log(m_path + ": " + text);
    };
    m_fileTable = nullptr;

    // The identity first: a mapping file that is missing beside it was
    // removed after a run.
    std::string bytes;
    m_recordedStoreId.clear();
    switch (ReadFileBytes(StoreIdPath(), bytes)) {
    case FileReadResult::ok:
        if (std::optional<std::string> storeId = ReadStoreId(bytes)) {
            m_storeIdState = StoreIdState::recorded;
            m_recordedStoreId = std::move(*storeId);
        } else {
            m_storeIdState = StoreIdState::damaged;
            Log(StoreIdPath() + ": no store identity can be read from it");
        }
        break;
    case FileReadResult::missing:
        m_storeIdState = StoreIdState::none;
        break;
    case FileReadResult::failed:
        Fatal("ERROR: cannot read from mapping file");
    }

    // Whether a save of the table as loaded would write the file's bytes again.
    bool savedForm = table.IdCount() == 0;
    switch (ReadFileBytes(m_path, bytes)) {
    case FileReadResult::ok:
        // One pair a line: room for all of them at once.
        table.Reserve(LineCountBound(bytes));
        savedForm = ReadPairsOf(bytes, table, log) && savedForm;
        break;
    case FileReadResult::missing:
        m_fileWasLost = m_storeIdState != StoreIdState::none;
        if (m_fileWasLost)
            Log(m_path + ": missing beside its identity file; the pairs of the earlier runs are lost");
        if (CreateEmpty(m_path))
            break;
        ReportToUser("cannot create file", MessageBoxIcon::stop, true);
        return false;
    case FileReadResult::failed:
        Fatal("ERROR: cannot read from mapping file");
    }
    m_unsettled.clear();
    switch (ReadFileBytes(JournalPath(), bytes)) {
    case FileReadResult::ok:
        savedForm = savedForm && bytes.empty();
        ReplayJournal(bytes, table, log, &m_unsettled);
        if (!m_unsettled.empty())
            Log(m_path + ": " + std::to_string(m_unsettled.size()) +
                " pending pair(s) of a batch whose commit was not recorded");
        break;
    case FileReadResult::missing:
        break;
    case FileReadResult::failed:
        Fatal("ERROR: cannot read from mapping file");
    }

    if (m_directoryLock < 0)
        m_directoryLock = ::open(DirectoryOf(m_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    CleanUpWhenAlone(false);

    // Both the journal and the next save must be possible before the run
    // changes anything.
    if (!OpenJournal() || !CanWriteBeside(m_path)) {
        CloseJournal();
        ReportToUser("ERROR: cannot open map file", MessageBoxIcon::stop, true);
        return false;
    }
    m_journalRecords = false;
    if (savedForm)
        NoteFileHolds(table);
    return true;
}

void CMappingFile::CleanUpWhenAlone(bool removeEmptyJournal)
{
    // Every store holds a shared lock on the directory while it works; an
    // exclusive one is granted only when no other store (of this process or
    // another) is writing beside it, so no temporary file in use is removed.
    if (m_directoryLock < 0 || ::flock(m_directoryLock, LOCK_EX | LOCK_NB) != 0) {
        if (m_directoryLock >= 0)
            ::flock(m_directoryLock, LOCK_SH);
        return;
    }
    if (removeEmptyJournal && m_journal >= 0) {
        // Only the journal this store opened, and only while it is empty.
        struct stat own {}, named {};
        if (::fstat(m_journal, &own) == 0 && own.st_size == 0 && ::stat(JournalPath().c_str(), &named) == 0 &&
            own.st_dev == named.st_dev && own.st_ino == named.st_ino) {
            CloseJournal();
            if (::unlink(JournalPath().c_str()) != 0 && errno != ENOENT)
                Log(m_path + ": the journal cannot be removed (" + std::strerror(errno) + ")");
        }
    }
    if (const int removed = RemoveStrayTemporaryFiles(m_path) + RemoveStrayTemporaryFiles(StoreIdPath()))
        Log(m_path + ": removed " + std::to_string(removed) + " temporary file(s) of an interrupted save");
    ::flock(m_directoryLock, LOCK_SH);
}

void CMappingFile::NoteFileHolds(const CMappingTable& table)
{
    m_fileTable = &table;
    m_fileVersion = table.Version();
}

bool CMappingFile::FileHolds(const CMappingTable& table) const
{
    return m_fileTable == &table && m_fileVersion == table.Version() && !m_journalRecords;
}

bool CMappingFile::OpenJournal()
{
    if (m_journal >= 0) {
        // Another store of the same file (a vacuum beside a run) may have
        // saved the file and removed the journal since: records written to
        // the removed one would be lost, so a new journal is begun.
        struct stat info {};
        if (::fstat(m_journal, &info) == 0 && info.st_nlink > 0)
            return true;
        CloseJournal();
    }
    m_journal = OpenPrivate(JournalPath(), O_WRONLY | O_APPEND);
    return m_journal >= 0;
}

void CMappingFile::CloseJournal()
{
    if (m_journal >= 0) {
        ::close(m_journal);
        m_journal = -1;
    }
}

void CMappingFile::Append(const std::string& record, const CMappingTable& table)
{
    // One write() a record: once it has returned, the record is in the
    // system's page cache and survives the end of this process; no flush to
    // the disk per record.
    m_journalRecords = true;
    if (OpenJournal()) {
        for (;;) {
            const ssize_t put = ::write(m_journal, record.data(), record.size());
            if (put == static_cast<ssize_t>(record.size()))
                return;
            if (put < 0 && errno == EINTR)
                continue;
            break;
        }
    }
    Log(m_path + ": the journal cannot be written (" + std::strerror(errno) + "); saving the whole file");
    bool openFailed = false;
    if (!WriteWhole(table, {}, openFailed))
        Fatal("ERROR: cannot write to mapping file");
}

void CMappingFile::JournalAdd(const std::string& serverId, const std::string& entryId, const CMappingTable& table)
{
    std::string record = "add ";
    AppendId(record, entryId);
    record += ' ';
    AppendId(record, serverId);
    record += "\r\n";
    Append(record, table);
}

void CMappingFile::JournalRemove(const std::string& serverId, const CMappingTable& table)
{
    std::string record = "remove ";
    AppendId(record, serverId);
    record += "\r\n";
    Append(record, table);
}

void CMappingFile::JournalForget(const std::string& entryId, const CMappingTable& table)
{
    std::string record = "forget ";
    AppendId(record, entryId);
    record += "\r\n";
    Append(record, table);
}

void CMappingFile::JournalChanges(const std::vector<CChange>& changes, const CMappingTable& table)
{
    if (changes.empty())
        return;
    std::string records;
    for (const CChange& change : changes) {
        records += change.add ? "add " : "forget ";
        AppendId(records, change.entryId);
        if (change.add) {
            records += ' ';
            AppendId(records, change.serverId);
        }
        records += "\r\n";
    }
    Append(records, table);
}

bool CMappingFile::JournalPending(const std::vector<CChange>& changes)
{
    std::vector<CPendingPair> pairs;
    for (const CChange& change : changes)
        if (change.add && !change.entryId.empty() && !change.serverId.empty())
            pairs.push_back({change.entryId, change.serverId});
    if (pairs.empty())
        return false;
    const std::string records = PendingRecords(pairs);
    m_journalRecords = true;
    if (OpenJournal()) {
        const off_t before = ::lseek(m_journal, 0, SEEK_END);
        for (;;) {
            const ssize_t put = ::write(m_journal, records.data(), records.size());
            if (put == static_cast<ssize_t>(records.size()))
                return true;
            if (put < 0 && errno == EINTR)
                continue;
            break;
        }
        // A part that reached the journal goes again, so that the next
        // record does not continue a cut one.
        const int error = errno;
        if (before >= 0 && ::ftruncate(m_journal, before) != 0)
            Log(m_path + ": the journal cannot be cut back (" + std::strerror(errno) + ")");
        errno = error;
    }
    Log(m_path + ": the journal cannot be written (" + std::strerror(errno) + "); the new pairs are not marked pending");
    return false;
}

void CMappingFile::JournalClear(const CMappingTable& table)
{
    Append("clear\r\n", table);
}

bool CMappingFile::WriteWhole(const CMappingTable& table, const AtomicWriteOptions& options, bool& openFailed)
{
    // Every save writes the file for the user alone, also over a file that
    // an earlier version made readable by others.
    AtomicWriteOptions privateFile = options;
    privateFile.newFileMode = kPrivateMode;
    privateFile.forceMode = true;
    CAtomicFileWriter writer;
    if (!writer.Open(m_path, privateFile)) {
        openFailed = true;
        return false;
    }
    std::string line;
    for (const auto& [entryId, serverId] : table.EntryToServer()) {
        if (entryId.empty() || serverId.empty())
            continue;
        line.clear();
        AppendId(line, entryId);
        line += ' ';
        AppendId(line, serverId);
        line += "\r\n";
        if (!writer.Write(line))
            break;
    }
    if (!writer.Commit())
        return false;
    CrashPoint("mapping file replaced");
    // The file holds every change of the journal now. Should the process end
    // before the journal is gone, replaying it over the new file gives the
    // same tables again.
    CloseJournal();
    m_journalRecords = false;
    if (!m_unsettled.empty()) {
        // Pending pairs not yet settled against the local store are not in
        // the tables: the journal is replaced by theirs alone.
        AtomicWriteOptions privateJournal = privateFile;
        std::string error;
        if (!WriteFileAtomically(JournalPath(), PendingRecords(m_unsettled), privateJournal, &error))
            Log(m_path + ": the journal cannot be replaced (" + error + ")");
        m_journalRecords = true;
    } else if (::unlink(JournalPath().c_str()) != 0 && errno != ENOENT) {
        Log(m_path + ": the journal cannot be removed (" + std::strerror(errno) + ")");
        m_journalRecords = true;  // its records would be replayed over the file
    }
    NoteFileHolds(table);
    return true;
}

void CMappingFile::Save(const CMappingTable& table, const AtomicWriteOptions& options)
{
    if (FileHolds(table)) {
        // Writing would give the file's own bytes again (a run that changed
        // no pair): the file stays as it is, untouched, and so does the work
        // of another store that saved it meanwhile.
        CleanUpWhenAlone(true);
        return;
    }
    bool openFailed = false;
    if (WriteWhole(table, options, openFailed)) {
        CleanUpWhenAlone(false);
        return;
    }
    if (openFailed) {
        ReportToUser("ERROR: cannot open map file", MessageBoxIcon::stop, true);
        return;
    }
    Fatal("ERROR: cannot write to mapping file");
}

} // namespace tarnwel
