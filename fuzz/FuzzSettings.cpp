#include "fuzz/FuzzSupport.h"

#include "settings/CReplicationSettings.h"

namespace tarnwel::fuzz {

int FuzzSettings(const std::uint8_t* data, std::size_t size)
{
    QuietProcess();
    CReplicationSettings read;
    read.ReadFileText(Bytes(data, size));

    // What was read is written whole and reads back as the same file: no
    // field is lost or changed by one more load and save.
    const std::string written = read.FileText();
    Check(read.FileLines().size() == static_cast<std::size_t>(CReplicationSettings::kLineCount),
          "the file does not have its 49 lines", data, size);
    CReplicationSettings again;
    again.ReadFileText(written);
    Check(again.FileText() == written, "a written settings file does not read back as written", data, size);
    return 0;
}

} // namespace tarnwel::fuzz
