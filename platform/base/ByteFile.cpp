#include "platform/base/ByteFile.h"

#include "platform/base/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwel {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The length of a character reference "&#x<hex>;" that starts at `pos` and
// names a Unicode scalar value (stored in `codePoint`), or 0.
std::size_t ReferenceAt(std::string_view text, std::size_t pos, char32_t& codePoint)
{
    if (text.compare(pos, 3, "&#x") != 0)
        return 0;
    std::size_t i = pos + 3;
    char32_t value = 0;
    int digits = 0;
    for (; i < text.size() && HexValue(text[i]) >= 0; ++i, ++digits) {
        if (digits == 6)
            return 0;
        value = value * 16 + static_cast<char32_t>(HexValue(text[i]));
    }
    if (digits == 0 || i >= text.size() || text[i] != ';')
        return 0;
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    codePoint = value;
    return i + 1 - pos;
}

void AppendReference(std::string& out, char32_t c)
{
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, "&#x%x;", static_cast<unsigned>(c));
    out.append(buffer, static_cast<std::size_t>(length));
}

std::string SystemError(const char* what, const std::string& path)
{
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// A file reached through a symbolic link is replaced where it lies, so the
// link stays a link.
std::string ResolveLinks(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;  // a dangling link: the rename replaces the link itself
    std::string target(resolved);
    std::free(resolved);
    return target;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

int OpenDirectory(const std::string& directory)
{
    return ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Makes the rename itself durable. The new content is complete on disk
// already; a failure here is not worth failing the write for.
void SyncDirectoryOf(const std::string& path)
{
    const int fd = OpenDirectory(DirectoryOf(path));
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string EncodeLatin1Line(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const char32_t c = NextCodePoint(utf8, pos);
        char32_t ignored;
        if (c == U'&' && ReferenceAt(utf8, start, ignored) > 0)
            AppendReference(out, c);
        else if (c > 0xFF || c == U'\r' || c == U'\n')
            AppendReference(out, c);
        else
            out.push_back(static_cast<char>(c));
    }
    return out;
}

std::string DecodeLatin1Line(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t pos = 0; pos < bytes.size();) {
        char32_t codePoint;
        if (bytes[pos] == '&') {
            if (const std::size_t length = ReferenceAt(bytes, pos, codePoint)) {
                AppendUtf8(out, codePoint);
                pos += length;
                continue;
            }
        }
        AppendUtf8(out, static_cast<unsigned char>(bytes[pos]));
        ++pos;
    }
    return out;
}

std::vector<std::string_view> SplitLines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

FileReadResult ReadFileBytes(const std::string& path, std::string& bytes, std::string* error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const bool missing = errno == ENOENT;
        if (error)
            *error = SystemError("cannot open", path);
        return missing ? FileReadResult::missing : FileReadResult::failed;
    }
    std::string content;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0)
        content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = SystemError("cannot read", path);
            ::close(fd);
            return FileReadResult::failed;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    bytes = std::move(content);
    return FileReadResult::ok;
}

CAtomicFileWriter::~CAtomicFileWriter()
{
    Discard();
}

bool CAtomicFileWriter::Open(const std::string& path, const AtomicWriteOptions& options)
{
    Discard();
    m_path = ResolveLinks(path);
    m_options = options;
    m_failed = false;
    m_error.clear();
    m_buffer.clear();

    // The new file's mode: the existing file's, or the requested one with the
    // umask applied by open() itself.
    struct stat existing {};
    const bool keepMode = !options.forceMode && ::stat(m_path.c_str(), &existing) == 0;
    // A directory that cannot be opened cannot be cleaned up either, so the
    // write goes on without the lock.
    m_directoryLock = OpenDirectory(DirectoryOf(m_path));
    while (m_directoryLock >= 0 && ::flock(m_directoryLock, LOCK_SH) != 0 && errno == EINTR) {
    }
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp", static_cast<unsigned long long>(generator() & 0xFFFFFFFFFFFFull));
        m_tempPath = m_path + suffix;
        m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, options.newFileMode);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_tempPath.clear();
        return Fail("cannot create");
    }
    if (options.forceMode && ::fchmod(m_fd, options.newFileMode) != 0)
        return Fail("cannot set the mode of");
    if (keepMode && ::fchmod(m_fd, existing.st_mode & 07777) != 0)
        return Fail("cannot set the mode of");
    return true;
}

bool CAtomicFileWriter::Write(std::string_view bytes)
{
    if (m_failed || m_fd < 0)
        return false;
    m_buffer.append(bytes);
    return m_buffer.size() < (1u << 16) || Flush();
}

bool CAtomicFileWriter::Flush()
{
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t put = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return Fail("cannot write");
        }
        done += static_cast<std::size_t>(put);
    }
    m_buffer.clear();
    return true;
}

bool CAtomicFileWriter::Commit()
{
    if (m_failed || m_fd < 0)
        return false;
    if (!Flush())
        return false;
    if (m_options.durable && ::fsync(m_fd) != 0)
        return Fail("cannot flush");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return Fail("cannot close");
    if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        return Fail("cannot replace");
    m_tempPath.clear();
    Discard();  // releases the directory
    if (m_options.durable)
        SyncDirectoryOf(m_path);
    return true;
}

void CAtomicFileWriter::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    if (m_directoryLock >= 0) {
        ::close(m_directoryLock);  // releases the lock
        m_directoryLock = -1;
    }
    m_buffer.clear();
}

bool CAtomicFileWriter::Fail(const char* what)
{
    if (!m_failed)
        m_error = SystemError(what, m_path);
    m_failed = true;
    Discard();
    return false;
}

int RemoveStrayTemporaryFiles(const std::string& path)
{
    // The names that CAtomicFileWriter::Open gives: the file's name, ".",
    // twelve lowercase hex digits, ".tmp".
    const std::string target = ResolveLinks(path);
    const std::size_t slash = target.find_last_of('/');
    const std::string directory = DirectoryOf(target);
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + ".";
    DIR* dir = ::opendir(directory.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.size() != prefix.size() + 16 || name.substr(0, prefix.size()) != prefix ||
            name.substr(prefix.size() + 12) != ".tmp")
            continue;
        bool hex = true;
        for (const char c : name.substr(prefix.size(), 12))
            hex = hex && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
        if (!hex)
            continue;
        const std::string file = directory + "/" + std::string(name);
        if (::unlink(file.c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

int RemoveStrayTemporaryFilesWhenAlone(const std::string& path)
{
    const int lock = OpenDirectory(DirectoryOf(ResolveLinks(path)));
    if (lock < 0)
        return 0;
    int removed = 0;
    if (::flock(lock, LOCK_EX | LOCK_NB) == 0)
        removed = RemoveStrayTemporaryFiles(path);
    ::close(lock);  // releases the lock
    return removed;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, const AtomicWriteOptions& options,
                         std::string* error)
{
    CAtomicFileWriter writer;
    const bool written = writer.Open(path, options) && writer.Write(bytes) && writer.Commit();
    if (!written && error)
        *error = writer.Error();
    return written;
}

} // namespace tarnwel
