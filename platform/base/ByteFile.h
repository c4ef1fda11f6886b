#pragma once
// Files of one byte per character (Latin-1) with CR LF line ends, and the
// atomic replacement of a file.
//
// Text in memory is UTF-8. Writing turns each code point up to U+00FF into the
// byte of that value. So that no value is damaged, a code point above U+00FF,
// a carriage return and a line feed are written as a character reference
// "&#x<lowercase hex>;", and an "&" that would otherwise be read back as the
// start of such a reference is written "&#x26;". Reading undoes exactly this,
// so every text survives a write and a read, and a text without such
// characters is written byte for byte as it stands.

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tarnwel {

// One line's text as Latin-1 bytes, and back.
std::string EncodeLatin1Line(std::string_view utf8);
std::string DecodeLatin1Line(std::string_view bytes);

// Splits file bytes into lines at CR LF, LF or a lone CR. A final line break
// does not start another line.
std::vector<std::string_view> SplitLines(std::string_view bytes);

enum class FileReadResult { ok, missing, failed };

// Reads the whole file. `error` (when given) receives the system's reason.
FileReadResult ReadFileBytes(const std::string& path, std::string& bytes, std::string* error = nullptr);

struct AtomicWriteOptions {
    // Mode of a file that does not exist yet; the process umask applies.
    mode_t newFileMode = 0666;
    // Use `newFileMode` even when the file exists, and without the umask
    // (a file holding a password: 0600).
    bool forceMode = false;
    // Flush the data to the disk before the rename (fsync).
    bool durable = true;
};

// Writes a file so that readers see either the old or the whole new content:
// the bytes go to a temporary file in the same directory, which replaces the
// file by a rename only after every byte was written (and flushed). If
// anything fails, the temporary file is removed and the old file is untouched.
// While its temporary file exists the writer holds a shared lock (flock) on
// the directory, so that a clean-up of stray temporary files, which needs the
// lock exclusively, never removes the file of a save under way.
class CAtomicFileWriter {
public:
    CAtomicFileWriter() = default;
    ~CAtomicFileWriter();
    CAtomicFileWriter(const CAtomicFileWriter&) = delete;
    CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;

    bool Open(const std::string& path, const AtomicWriteOptions& options = {});
    // Buffers and writes; false once any write failed (later calls do nothing).
    bool Write(std::string_view bytes);
    // Writes what is buffered, flushes, and renames over the target.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Discard();

    // The reason of the first failure, for messages.
    const std::string& Error() const { return m_error; }

private:
    bool Flush();
    bool Fail(const char* what);

    std::string m_path;
    std::string m_tempPath;
    std::string m_buffer;
    std::string m_error;
    AtomicWriteOptions m_options;
    int m_fd = -1;
    int m_directoryLock = -1;  // the directory, shared-locked while the temporary file exists
    bool m_failed = false;
};

// Removes the temporary files that interrupted atomic writes of `path` left
// beside it (a process that ended between creating one and renaming it): the
// names the writer gives, the file's name, ".", twelve lowercase hexadecimal
// digits and ".tmp", and nothing else. The caller holds the directory's lock
// exclusively, so that no write is under way. Returns the number removed.
int RemoveStrayTemporaryFiles(const std::string& path);

// The same, when the directory's lock can be had exclusively at once: no
// atomic write and no mapping store of any process is at work beside the
// file. Otherwise nothing is removed (the next load tries again). Returns the
// number removed.
int RemoveStrayTemporaryFilesWhenAlone(const std::string& path);

// The whole file in one call; `error` (when given) receives the reason of a failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, const AtomicWriteOptions& options = {},
                         std::string* error = nullptr);

} // namespace tarnwel
