#include "bench/BenchSeeds.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace tarnwel::bench {

namespace {

// Writes the seed file and names it.
std::string WrittenSeed(const test::CTemporaryDirectory& directory, const std::function<void(std::ostream&)>& write)
{
    const std::string path = directory.Path("seed.json");
    std::ofstream out(path);
    write(out);
    return path;
}

} // namespace

CSeededPlace::CSeededPlace(const std::function<void(std::ostream&)>& writeSeed)
    : m_seed(WrittenSeed(m_directory, writeSeed)),
      m_server({"--seed", m_seed, "--store", m_directory.Path("server.db")}),
      m_previous(std::filesystem::current_path())
{
    std::filesystem::current_path(m_directory.Path());
}

CSeededPlace::~CSeededPlace()
{
    std::filesystem::current_path(m_previous);
}

CReplicationSettings CSeededPlace::Settings() const
{
    CReplicationSettings settings;
    settings.SetDefaults();
    settings.serverUrl = m_server.Url();
    return settings;
}

void WriteAppointmentSeed(std::ostream& out, int count)
{
    out << "{\"appointments\": [\n";
    char line[512];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line,
                      "%s{\"description\": \"Besprechung %d mit Müller & Söhne\", \"location\": \"Raum %d\","
                      " \"start\": \"2026-%02d-%02d %02d:00:00\", \"end\": \"2026-%02d-%02d %02d:30:00\","
                      " \"comment\": \"Agenda:\\n1. Rückblick\\n2. Planung <intern>\"}\n",
                      i == 0 ? "" : ",", i, i % 40, 1 + i % 12, 1 + i % 28, 8 + i % 9, 1 + i % 12, 1 + i % 28,
                      9 + i % 9);
        out << line;
    }
    out << "]}\n";
}

void WriteContactSeed(std::ostream& out, int count)
{
    constexpr int kPerCompany = 10;
    out << "{\"addresses\": [\n";
    char line[512];
    for (int company = 0; company * kPerCompany < count; ++company) {
        std::snprintf(line, sizeof line,
                      "%s{\"company\": \"Müller & Söhne %d\", \"street\": \"Hauptstraße %d\","
                      " \"zipcode\": \"%04d\", \"city\": \"Bern\", \"firmPhone\": \"+41 31 555 %04d\","
                      " \"contacts\": [\n",
                      company == 0 ? "" : ",", company, 1 + company % 200, 1000 + company % 9000, company % 10000);
        out << line;
        for (int i = company * kPerCompany; i < std::min(count, (company + 1) * kPerCompany); ++i) {
            std::snprintf(line, sizeof line,
                          "%s{\"salutation\": \"%s\", \"firstName\": \"Jörg %d\", \"lastName\": \"Weiß\","
                          " \"position\": \"Einkauf\", \"phone\": \"+41 31 555 %05d\","
                          " \"email\": \"person%d@example.org\", \"comment\": \"Kunde seit 2004\\nRabatt <10%%>\"}\n",
                          i == company * kPerCompany ? "" : ",", i % 2 == 0 ? "Herr" : "Frau", i, i, i);
            out << line;
        }
        out << "]}\n";
    }
    out << "]}\n";
}

} // namespace tarnwel::bench
