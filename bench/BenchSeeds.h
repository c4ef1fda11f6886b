#pragma once
// The seed files of the reference server that the whole-run benchmarks share:
// appointments with German texts, and contacts ten to a company.

#include <ostream>

namespace tarnwel::bench {

// `count` appointments, spread over the year.
void WriteAppointmentSeed(std::ostream& out, int count);
// `count` contacts, ten to a company, so count/10 companies (at least one).
void WriteContactSeed(std::ostream& out, int count);

} // namespace tarnwel::bench
