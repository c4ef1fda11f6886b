#pragma once
// Which local item store a program uses: the file store that
// TARNWEL_PIMSTORE names (tests, the demo, the benchmarks); otherwise the
// desktop's data server when the session bus can start it; else the file
// store at its default path.

#include <chrono>
#include <string>

namespace tarnwel {

// How long the check of the session bus may take in all. A desktop without
// a bus or without a data server answers at once; this only bounds a bus
// that does not answer.
constexpr std::chrono::milliseconds kSessionBusCheckLimit{2000};

// Whether the session bus offers the data server: the bus of
// $DBUS_SESSION_BUS_ADDRESS (else the socket $XDG_RUNTIME_DIR/bus; no bus is
// ever launched for the check) answers within `limit`, and its source
// registry (org.gnome.evolution.dataserver.Sources5) either runs or is one
// the bus can start. Nothing is started by the check itself.
bool SessionBusOffersDataServer(std::chrono::milliseconds limit = kSessionBusCheckLimit);

enum class LocalStore { fileStore, dataServer };

struct CStoreChoice {
    LocalStore store = LocalStore::fileStore;
    std::string description;  // for the user, English: which store and where
};

// Chooses the store as above and registers it under "Outlook.Application"
// (with its lock file).
CStoreChoice RegisterChosenStore(std::chrono::milliseconds limit = kSessionBusCheckLimit);

} // namespace tarnwel
