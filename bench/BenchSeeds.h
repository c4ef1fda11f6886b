#pragma once
// The seed files of the reference server that the whole-run benchmarks share:
// appointments with German texts, and contacts ten to a company; the place
// where one measurement runs; and the progress texts by which they count the
// work a run queued.

#include "resources/StringIds.h"
#include "settings/CReplicationSettings.h"
#include "tests/support/ReferenceServer.h"
#include "tests/support/TemporaryDirectory.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tarnwel::bench {

// `count` appointments, spread over the year.
void WriteAppointmentSeed(std::ostream& out, int count);
// `count` contacts, ten to a company, so count/10 companies (at least one).
void WriteContactSeed(std::ostream& out, int count);

// One measurement's place: a fresh folder, the working directory while this
// lives (the mapping files go there), and a reference server seeded by
// `writeSeed` that keeps its items in the folder.
class CSeededPlace {
public:
    explicit CSeededPlace(const std::function<void(std::ostream&)>& writeSeed);
    ~CSeededPlace();
    CSeededPlace(const CSeededPlace&) = delete;
    CSeededPlace& operator=(const CSeededPlace&) = delete;

    // A file of the folder.
    std::string Path(const std::string& name) const { return m_directory.Path(name); }
    // The default settings with the server's URL.
    CReplicationSettings Settings() const;

private:
    test::CTemporaryDirectory m_directory;
    std::string m_seed;
    test::CReferenceServer m_server;
    std::filesystem::path m_previous;
};

// Progress texts whose first number is the size of a queue a run works off.
inline const std::vector<int> kAppointmentQueueSizeTexts = {
    string_id::kAppointmentsOverwriteOnServer,       string_id::kAppointmentsDeleteOnServer,
    string_id::kAppointmentsAddToServer,             string_id::kAppointmentsAddToOutlookStart,
    string_id::kAppointmentsOverwriteInOutlookStart, string_id::kAppointmentsRemoveStart};
inline const std::vector<int> kContactQueueSizeTexts = {
    string_id::kContactsOverwriteOnServer, string_id::kContactsDeleteOnServer, string_id::kContactsAddToServer,
    string_id::kContactsCopiedToOutlook};
// Progress texts shown once for each record a queue works off.
inline const std::vector<int> kContactQueueRecordTexts = {
    string_id::kContactsAddToOutlookRecord, string_id::kContactsOverwriteInOutlookRecord,
    string_id::kContactsRemoveRecord, string_id::kContactsWithChangedAddressesRecord};

} // namespace tarnwel::bench
