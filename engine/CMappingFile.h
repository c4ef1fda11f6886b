#pragma once
// A kind's mapping file ("maps_appo.ids", "maps_cont.ids", "maps_task.ids"):
// one pair a line, the Outlook entry id, one blank, the server id, CR LF, in
// no particular order; one byte per character.
//
// On reading, any white space separates the tokens and each two tokens make a
// pair, however they stand on the lines; a last token without a partner is
// ignored, and a later pair replaces an earlier one with the same key. Tokens
// have no length limit.
//
// Ids are written with the character references of EncodeLatin1Line; white
// space inside an id is written as a reference too ("&#x20;"), so that an id
// holding a blank cannot shift every later pair of the file. An id without
// white space, "&" or characters above U+00FF is written byte for byte.

#include "engine/CMappingTable.h"
#include "platform/base/ByteFile.h"

#include <string>
#include <string_view>

namespace tarnwel {

class CMappingFile {
public:
    explicit CMappingFile(std::string path) : m_path(std::move(path)) {}

    const std::string& Path() const { return m_path; }

    // Adds the file's pairs to `table`. A missing file is created empty.
    // - Neither read nor created: the box "cannot create file"; false.
    // - A file that exists but cannot be read: the box "ERROR: cannot read
    //   from mapping file", then the program ends with exit code 1 (going on
    //   would let the next save replace pairs it never saw).
    bool Load(CMappingTable& table) const;

    // Replaces the file with the pairs of entry-to-server, atomically: the
    // previous file stays as it was unless the new one was written whole.
    // - The new file cannot be created: "ERROR: cannot open map file"; the run
    //   goes on.
    // - A write that fails part way: "ERROR: cannot write to mapping file",
    //   then the program ends with exit code 1.
    // A pair with an empty id cannot be told apart from its neighbours in this
    // format and is left out.
    void Save(const CMappingTable& table, const AtomicWriteOptions& options = {}) const;

    // The pairs of a file's bytes, added to `table`.
    static void ReadPairs(std::string_view bytes, CMappingTable& table);

    // One id as it stands in the file, and back.
    static std::string EncodeId(std::string_view id);
    static std::string DecodeId(std::string_view token);

private:
    std::string m_path;
};

} // namespace tarnwel
