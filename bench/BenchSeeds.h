#pragma once
// The seed files of the reference server that the whole-run benchmarks share:
// appointments with German texts, and contacts ten to a company; and the
// progress texts by which they count the work a run queued.

#include "resources/StringIds.h"

#include <ostream>
#include <vector>

namespace tarnwel::bench {

// `count` appointments, spread over the year.
void WriteAppointmentSeed(std::ostream& out, int count);
// `count` contacts, ten to a company, so count/10 companies (at least one).
void WriteContactSeed(std::ostream& out, int count);

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
