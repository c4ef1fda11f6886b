#pragma once
// The entry functions of the fuzz harnesses. Each takes one input of any bytes
// and returns 0; a disagreement that must never happen (a date that parses but
// does not format back, a settings file that does not read back as written)
// aborts the process, so that libFuzzer reports the input. The libFuzzer
// programs call them from LLVMFuzzerTestOneInput; the seed test calls them with
// every file of fuzz/corpus/<name>/.

#include <cstddef>
#include <cstdint>

namespace tarnwel::fuzz {

// COleDate::Parse, and the formatting and parsing back of what it accepts.
int FuzzDate(const std::uint8_t* data, std::size_t size);
// The settings file reader, and writing what it read and reading that again.
int FuzzSettings(const std::uint8_t* data, std::size_t size);
// CMappingFile::ReadPairs, and the file form of the ids it read.
int FuzzMappingFile(const std::uint8_t* data, std::size_t size);
// The readers of getItems replies: appointments, tasks, addresses with contacts.
int FuzzReplyItems(const std::uint8_t* data, std::size_t size);
// The getItems calls reading a reply as a stream, against the same reply read
// as a document.
int FuzzReplyStream(const std::uint8_t* data, std::size_t size);
// The authenticate reply of the three services.
int FuzzAuthenticate(const std::uint8_t* data, std::size_t size);
// The result replies of addItems, putItems and deleteItems.
int FuzzItemResults(const std::uint8_t* data, std::size_t size);

struct CFuzzTarget {
    const char* name;  // the folder of its seeds in fuzz/corpus/
    int (*entry)(const std::uint8_t*, std::size_t);
};

inline constexpr CFuzzTarget kFuzzTargets[] = {
    {"date", &FuzzDate},
    {"settings", &FuzzSettings},
    {"mapping", &FuzzMappingFile},
    {"reply_items", &FuzzReplyItems},
    {"reply_stream", &FuzzReplyStream},
    {"authenticate", &FuzzAuthenticate},
    {"item_results", &FuzzItemResults},
};

// Prints `what` with the input's text and aborts.
[[noreturn]] void Disagreement(const char* what, const std::uint8_t* data, std::size_t size);

} // namespace tarnwel::fuzz
