#pragma once
// Everything the user configures for replication, and its file
// "TarnwelClient.ini": 49 lines of "key = value" in a fixed order, one byte per
// character, CR LF line ends.
//
// Reading is by key, not by position: each line is a key, optional blanks,
// "=", one optional blank and the value, which is the rest of the line. A line
// whose key is unknown is ignored; when a key occurs twice the later line
// counts; a line that is missing or whose value does not fit its field leaves
// only that field unchanged. Texts therefore round-trip whatever they hold
// (blanks, empty texts, characters above U+00FF through the character
// references of EncodeLatin1Line).

#include "engine/CKindRules.h"
#include "platform/base/OleDate.h"

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
    // - A file that exists but cannot be read: the defaults in memory and the
    //   box "cannot read file <path>"; the file is left alone, so the user's
    //   settings are not lost to a passing fault.
    // - Otherwise every known line present with a fitting value sets its field
    //   (an empty file changes nothing).
    // In every case the three vacuum flags end as 1.
    void Load(const std::string& path);

    // Replaces the file with the record's 49 lines (atomically, mode 0600:
    // it holds the password). On failure the box "cannot create file <path>"
    // appears and the previous file stays as it was.
    void Save(const std::string& path) const;

    // Every field but the last-run time to its default.
    void SetDefaults();

    // The 49 lines as written to the file (Latin-1 bytes, without line ends),
    // and the whole file text with CR LF after each line.
    std::vector<std::string> FileLines() const;
    std::string FileText() const;

    // Applies the lines of a file's bytes to the record as Load does for an
    // existing file (the vacuum flags are not touched).
    void ReadFileText(std::string_view bytes);

    friend bool operator==(const CReplicationSettings&, const CReplicationSettings&) = default;
};

} // namespace tarnwel
