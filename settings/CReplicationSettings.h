#pragma once
// Everything the user configures for replication, and its file
// "TarnwelClient.ini": 49 lines of "key = value" in a fixed order, one byte per
// character, CR LF line ends.
//
// Reading is by key, not by position: each line is a key, optional blanks,
// "=", one optional blank and the value, which is the rest of the line. A line
// whose key is unknown is ignored; when a key occurs twice the later line
// counts; a field whose line is missing or whose value does not fit takes its
// default. Texts therefore round-trip whatever they hold (blanks, empty texts,
// characters above U+00FF through the character references of
// EncodeLatin1Line).
//
// A UTF-8 byte order mark at the start of the file (an editor may add one) is
// passed over; the file is written without it.
//
// A line that looks meant for the URL, the user name or the password but is
// not read as it (its key in another case, ":" or a blank in place of "=",
// no value at all) leaves the field at its default and is kept: a save
// writes that line again, byte for byte, in the field's place, as long as
// the field still holds the default it got from the load, so a default never
// replaces what the user wrote there. A replication job does not run while
// such a line stands in for a field (DoubtfulKeys).
//
// A record loaded from a file that exists but cannot be read holds the
// defaults and remembers where it came from: it is never saved (the user's
// file keeps every byte) and a replication job refuses to run with it, since
// its credentials and address are not the user's.

#include "platform/base/OleDate.h"
#include "settings/CKindRules.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {

class CReplicationSettings {
public:
    static constexpr const char* kFileName = "TarnwelClient.ini";
    static constexpr const char* kDefaultServerUrl = "http://localhost:8080/tarnwelreplication";
    static constexpr const char* kDefaultUserName = "user";
    static constexpr const char* kDefaultPassword = "vezi";
    static constexpr int kDefaultSoapTimeout = 4000000;
    static constexpr int kManualSchedule = -1;
    // Age of the default "since" and NewerThan dates.
    static constexpr double kDefaultSinceDays = 14.0;
    // The last-run time is always written day first, whatever the locale.
    static constexpr const char* kLastRunPattern = "%d/%m/%Y %H:%M:%S";
    static constexpr int kLineCount = 49;

    // Texts are empty and the dates are the zero date; the numbers and flags
    // hold their file defaults.
    CReplicationSettings() = default;

    std::string userName;
    std::string password;
    std::string serverUrl;
    CKindRules appointmentRules;
    CKindRules contactRules;
    CKindRules taskRules;
    COleDate since;    // changes since this date are replicated when `all` is 0
    COleDate lastRun;  // end of the last replication run
    int all = 1;
    int soapTimeout = kDefaultSoapTimeout;
    int replicateAppointments = 1;
    int replicateContacts = 1;
    int replicateTasks = 1;
    // Never stored in the file: every load sets them to 1.
    int vacuumAppointments = 1;
    int vacuumContacts = 1;
    int vacuumTasks = 1;
    int loggingEnabled = 1;
    int saveLog = 0;
    int convertBefore = 1;
    int vacuumAll = 0;
    int scheduleMinutes = kManualSchedule;  // minutes between scheduled runs, -1 manual

    // Reads the file into the record.
    // - No file: every field takes its default (the dates now minus 14 days,
    //   the last-run time unchanged) and the file is written at once.
    // - A path that exists but cannot be read (no access, an I/O error, a
    //   directory, a pipe or a device in the file's place): the defaults in
    //   memory, a stop box naming the file, and the record is marked
    //   unreadable (CameFromUnreadableFile); the file is left alone, so the
    //   user's settings are not lost to a passing fault.
    // - Otherwise the file's lines are read as ReadFileText says.
    // In every case the three vacuum flags end as 1.
    void Load(const std::string& path);

    // Replaces the file with the record's 49 lines (atomically, mode 0600:
    // it holds the password). On failure the box "cannot create file <path>"
    // appears and the previous file stays as it was. A record from an
    // unreadable file is not written anywhere: a stop box says so instead.
    void Save(const std::string& path) const;

    // Every field but the last-run time to its default. The mark of an
    // unreadable file stays: defaults are not the user's settings either.
    // Lines kept for the URL, the user name and the password are dropped:
    // the defaults are then asked for.
    void SetDefaults();

    // The keys ("URL", "username", "password") whose line the last load
    // could not read and kept, while the field still holds the default it
    // got in its place. A job does not run with such a record: it would
    // send the user's name and password to the wrong server, or the wrong
    // ones to the user's. Copies carry the kept lines.
    std::vector<std::string> DoubtfulKeys() const;

    // True when the last Load met a file that exists but cannot be read;
    // UnreadablePath() names it. Copies carry the mark.
    bool CameFromUnreadableFile() const { return !m_unreadablePath.empty(); }
    const std::string& UnreadablePath() const { return m_unreadablePath; }

    // The 49 lines as written to the file (Latin-1 bytes, without line ends),
    // and the whole file text with CR LF after each line.
    std::vector<std::string> FileLines() const;
    std::string FileText() const;

    // Reads a file's bytes into the record as Load does for a readable file:
    // every field takes its default (SetDefaults), then each known line
    // present with a fitting value sets its field. The vacuum flags are not
    // touched.
    void ReadFileText(std::string_view bytes);

    friend bool operator==(const CReplicationSettings&, const CReplicationSettings&) = default;

    // The English trace line of the settings (standard error).
    static void Trace(std::string_view text);

private:
    // The file the record was loaded from when it could not be read; empty
    // otherwise.
    std::string m_unreadablePath;

    // A line of the file kept for one of the first three lines (URL, user
    // name, password), with the value its field got in its place.
    struct CKeptLine {
        bool kept = false;
        std::string line;   // the file's bytes, without the line end
        std::string value;  // the field's value after the load
        friend bool operator==(const CKeptLine&, const CKeptLine&) = default;
    };
    std::array<CKeptLine, 3> m_keptLines;
};

} // namespace tarnwel
