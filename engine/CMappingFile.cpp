#include "engine/CMappingFile.h"

#include "platform/ui/UserNotices.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace tarnwel {

namespace {

// The white space that separates tokens, as the C library's isspace() sees it.
constexpr bool IsSeparator(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// True when the bytes stand for themselves in both directions: printable
// ASCII other than "&".
bool IsPlain(std::string_view text)
{
    for (const char c : text)
        if (c <= ' ' || c > '~' || c == '&')
            return false;
    return true;
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

// Creates the file empty; an existing file is neither emptied nor changed.
bool CreateEmpty(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    return ::close(fd) == 0;
}

} // namespace

std::string CMappingFile::EncodeId(std::string_view id)
{
    std::string out;
    for (const char c : EncodeLatin1Line(id)) {
        if (IsSeparator(c)) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "&#x";
            if (c >= 0x10)
                out += kHex[c >> 4];
            out += kHex[c & 0xF];
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

void CMappingFile::ReadPairs(std::string_view bytes, CMappingTable& table)
{
    std::string first;
    bool haveFirst = false;
    std::size_t pos = 0;
    for (;;) {
        while (pos < bytes.size() && IsSeparator(bytes[pos]))
            ++pos;
        if (pos == bytes.size())
            return;
        const std::size_t start = pos;
        while (pos < bytes.size() && !IsSeparator(bytes[pos]))
            ++pos;
        std::string token = DecodeId(bytes.substr(start, pos - start));
        if (!haveFirst) {
            first = std::move(token);
            haveFirst = true;
            continue;
        }
        // The entry id comes first on each line.
        table.AddMapping(std::move(token), std::move(first));
        haveFirst = false;
    }
}

bool CMappingFile::Load(CMappingTable& table) const
{
    std::string bytes;
    switch (ReadFileBytes(m_path, bytes)) {
    case FileReadResult::ok:
        table.Reserve(table.EntryToServer().size() + bytes.size() / 32);
        ReadPairs(bytes, table);
        return true;
    case FileReadResult::missing:
        if (CreateEmpty(m_path))
            return true;
        ReportToUser("cannot create file", MessageBoxIcon::stop, true);
        return false;
    case FileReadResult::failed:
        break;
    }
    Fatal("ERROR: cannot read from mapping file");
}

void CMappingFile::Save(const CMappingTable& table, const AtomicWriteOptions& options) const
{
    CAtomicFileWriter writer;
    if (!writer.Open(m_path, options)) {
        ReportToUser("ERROR: cannot open map file", MessageBoxIcon::stop, true);
        return;
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
        Fatal("ERROR: cannot write to mapping file");
}

} // namespace tarnwel
