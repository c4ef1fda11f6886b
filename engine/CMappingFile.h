#pragma once
// A kind's mapping file ("maps_appo.ids", "maps_cont.ids", "maps_task.ids"):
// one pair a line, the Outlook entry id, one blank, the server id, CR LF, in
// no particular order; one byte per character.
//
// The file is read line by line (CR LF, LF or a lone CR ends a line). A line
// holds two tokens separated by blanks or tabs: the entry id, then the server
// id. A line with one token only, with more than two, or with a NUL byte is
// damaged: it is skipped with a trace line and costs its own pair only, every
// other line still gives its pair. Empty lines are passed over; a later pair
// replaces an earlier one with the same key. Tokens have no length limit.
//
// Ids are written with the character references of EncodeLatin1Line; white
// space and the other control characters inside an id are written as
// references too ("&#x20;"), so that an odd id cannot break its line. An id
// without such characters, "&" or characters above U+00FF is written byte for
// byte.
//
// The journal ("<file>.journal" beside it) makes every change of the tables
// durable the moment it is made: each pair that a store adds or removes is
// appended as one record with one write(), before the run goes on. A process
// that ends at any moment (killed, crashed) leaves the file and the journal;
// the next load reads the file and replays the journal over it, and the next
// full save replaces the file atomically and removes the journal. Records,
// each ending in CR LF, ids encoded as in the file:
//
//   add <entry id> <server id>       AddMapping
//   remove <server id>               RemoveMapping
//   forget <entry id>                RemoveEntry
//   clear                            Clear
//   pending <entry id> <server id>   JournalPending
//
// A last record without its line end was cut by the end of the process and is
// ignored; a damaged record costs its own change only.
//
// "pending" names the pair of a new local item whose batch is about to be
// committed: written before the commit, followed by its "add" after it. It
// changes no table. A pending pair that no later record settles (a later
// record that names its entry id or its server id, or "clear") is kept aside
// by Load (UnsettledPairs): the process ended between the two records, and
// only the local store can tell whether the commit happened. Until the store
// settles it (COutlookStore), a save keeps it in the journal.
//
// The identity file ("<file>.store" beside it) names the local store whose
// items the pairs belong to: the store's identity (the StoreID of its default
// folder), encoded as an id of the file, one line, CR LF. It is replaced
// atomically, and only by RecordStoreId: the stores decide when (see
// COutlookStore). The mapping file's own lines do not change with it.

#include "engine/CMappingTable.h"
#include "platform/base/ByteFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {

class CMappingFile {
public:
    // Receives the trace lines about damaged lines and records.
    using LogFunction = std::function<void(const std::string&)>;

    explicit CMappingFile(std::string path, LogFunction log = {});
    ~CMappingFile();
    CMappingFile(const CMappingFile&) = delete;
    CMappingFile& operator=(const CMappingFile&) = delete;

    const std::string& Path() const { return m_path; }
    // A trace line to the log function given.
    void Log(const std::string& text) const;
    std::string JournalPath() const { return m_path + ".journal"; }
    std::string StoreIdPath() const { return m_path + ".store"; }

    // What Load found in the identity file.
    enum class StoreIdState {
        none,      // no identity file: no store recorded (files from before identities, or new ones)
        recorded,  // RecordedStoreId() names the store
        damaged,   // the file holds no readable identity
    };
    StoreIdState GetStoreIdState() const { return m_storeIdState; }
    const std::string& RecordedStoreId() const { return m_recordedStoreId; }
    // Replaces the identity file with `storeId` (not empty), atomically and
    // flushed to the disk. False when it cannot be written; the previous
    // file then stays as it was.
    bool RecordStoreId(const std::string& storeId);

    // What Load met that the user must hear of: lines of the file and
    // records of the journal that were skipped as damaged (each costs a pair
    // or a change), and a missing mapping file beside an identity file (the
    // file was removed after a run had recorded its store: its pairs are
    // gone).
    std::size_t DamagedLines() const { return m_damagedLines; }
    bool FileWasLost() const { return m_fileWasLost; }

    // Adds the pairs of the file and then the changes of its journal to
    // `table`. A missing file is created empty. Temporary files that an
    // interrupted save left are removed, unless another store of the same
    // directory is at work. Then the journal is opened for appending.
    // - Neither read nor created: the box "cannot create file"; false.
    // - The journal cannot be opened for appending, or no new file can be
    //   made and written beside the file for the next save (a read-only
    //   directory, a full disk): the box "ERROR: cannot open map file";
    //   false. Nothing would remember the pairs a run makes.
    // - A file or journal that exists but cannot be read: the box "ERROR:
    //   cannot read from mapping file", then the program ends with exit code
    //   1 (going on would let the next save replace pairs it never saw).
    bool Load(CMappingTable& table);

    // One change of the tables, appended to the journal; `table` holds the
    // tables after the change. When the journal cannot be written, the
    // whole file is saved instead; when that fails too, the box "ERROR:
    // cannot write to mapping file", then the program ends with exit code 1.
    void JournalAdd(const std::string& serverId, const std::string& entryId, const CMappingTable& table);
    void JournalRemove(const std::string& serverId, const CMappingTable& table);
    void JournalForget(const std::string& entryId, const CMappingTable& table);
    void JournalClear(const CMappingTable& table);
    // Several "add" and "forget" records in one write(), in order.
    struct CChange {
        bool add;  // add (entry id, server id), else forget (entry id)
        std::string serverId;
        std::string entryId;
    };
    void JournalChanges(const std::vector<CChange>& changes, const CMappingTable& table);
    // A "pending" record for each "add" of `changes`, in one write(). Unlike
    // the other records, no whole save stands in for it when the journal
    // cannot be written (the tables hold pairs of items not yet committed):
    // false then, and nothing is written.
    bool JournalPending(const std::vector<CChange>& changes);

    // The pending pairs of the journal that Load found without a record
    // that settles them, in the journal's order (one a pair of ids).
    struct CPendingPair {
        std::string entryId;
        std::string serverId;
        friend bool operator==(const CPendingPair&, const CPendingPair&) = default;
    };
    const std::vector<CPendingPair>& UnsettledPairs() const { return m_unsettled; }
    // The unsettled pairs are settled: made (their "add" records written) or
    // dropped. A save no longer keeps them.
    void ForgetUnsettledPairs() { m_unsettled.clear(); }

    // Replaces the file with the pairs of entry-to-server, atomically: the
    // previous file stays as it was unless the new one was written whole.
    // Then the journal, whose changes the file now holds, is removed.
    // When the file already holds exactly what the save would write (the
    // table is in the state in which this file loaded it from a file in the
    // form a save writes, or last saved it, and the journal has no record
    // since), nothing is written: the file keeps its bytes, and the empty
    // journal is removed unless another store of the directory is at work.
    // - The new file cannot be created: "ERROR: cannot open map file"; the run
    //   goes on, and the journal keeps the changes for the next load.
    // - A write that fails part way: "ERROR: cannot write to mapping file",
    //   then the program ends with exit code 1.
    // A pair with an empty id cannot be told apart from its neighbours in this
    // format and is left out. The new file, like a new journal or a file
    // Load creates, is the user's alone (0600, whatever the umask and the
    // mode of the file it replaces); `options` give only the flushing.
    void Save(const CMappingTable& table, const AtomicWriteOptions& options = {});

    // The pairs of a file's bytes, added to `table`; `log` (when given) hears
    // of every damaged line.
    static void ReadPairs(std::string_view bytes, CMappingTable& table, const LogFunction& log = {});
    // The changes of a journal's bytes, applied to `table` in order; the
    // pending pairs that no later record settles go to `unsettled` (when
    // given), one for each entry id and each server id, the later one kept.
    static void ReplayJournal(std::string_view bytes, CMappingTable& table, const LogFunction& log = {},
                              std::vector<CPendingPair>* unsettled = nullptr);
    // The "pending" records of the pairs, as the journal holds them.
    static std::string PendingRecords(const std::vector<CPendingPair>& pairs);

    // One id as it stands in the file, and back.
    static std::string EncodeId(std::string_view id);
    static std::string DecodeId(std::string_view token);

    // The bytes of an identity file for `storeId`, and the identity of an
    // identity file's bytes: the one token of its first line, decoded;
    // none when that line holds no token, more than one or a NUL byte.
    static std::string StoreIdFileBytes(std::string_view storeId);
    static std::optional<std::string> ReadStoreId(std::string_view bytes);

private:
    bool OpenJournal();
    void CloseJournal();
    void Append(const std::string& record, const CMappingTable& table);
    // Writes the whole file; false when it could not be replaced.
    bool WriteWhole(const CMappingTable& table, const AtomicWriteOptions& options, bool& openFailed);
    // Removes stray temporary files when no other store of the directory
    // holds it, and (`removeEmptyJournal`) the journal this store opened
    // while it is empty.
    void CleanUpWhenAlone(bool removeEmptyJournal);
    // ReadPairs; true when saving the pairs read into a table that held no
    // id before writes these bytes again.
    static bool ReadPairsOf(std::string_view bytes, CMappingTable& table, const LogFunction& log);
    // The file holds what a save of the table in its present state writes.
    void NoteFileHolds(const CMappingTable& table);
    bool FileHolds(const CMappingTable& table) const;

    std::string m_path;
    LogFunction m_log;
    int m_journal = -1;        // open for appending while the store works
    int m_directoryLock = -1;  // the directory, shared-locked while the store works
    // The table and its version whose save the file holds (none: null).
    const CMappingTable* m_fileTable = nullptr;
    std::uint64_t m_fileVersion = 0;
    bool m_journalRecords = false;  // a record was appended since the journal was empty
    StoreIdState m_storeIdState = StoreIdState::none;
    std::string m_recordedStoreId;
    std::size_t m_damagedLines = 0;
    bool m_fileWasLost = false;
    std::vector<CPendingPair> m_unsettled;
};

} // namespace tarnwel
