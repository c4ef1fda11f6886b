#pragma once
// The wizard's settings record: the client's record and file code, plus
// what the wizard needs of its own: the path the record was loaded from (and
// is saved to by "Fertigstellen"), whether that load created the file with
// the defaults, and the setters that give one rule to all three kinds.
// The vacuum flags of the base record are never stored in the file; the
// wizard does not use them.

#include "settings/CReplicationSettings.h"

#include <string>

namespace tarnwel {

class CWizardSettings : public CReplicationSettings {
public:
    // The path until a load sets another.
    std::string settingsPath = kFileName;
    // 1 when the last load found no readable file (the record holds the
    // defaults, and a missing file was written with them at once), 0 when it
    // read the file.
    int createdWithDefaults = 0;

    // Stores `path`, then loads from it as the client does.
    void Load(const std::string& path);
    // Save to the stored path; a failure shows the box "cannot create file
    // <path>" and leaves the previous file whole.
    void SaveToStoredPath() const;

    // The action field of appointments, contacts and tasks = `code`; nothing
    // else changes.
    void SetOvrActionForAll(int code);
    void SetNewActionForAll(int code);
    void SetOLDeletedActionForAll(int code);
    void SetTWDeletedActionForAll(int code);
};

} // namespace tarnwel
