// tarnwel_limit_pieces: the limit's pieces of one replication run as one fresh
// process, for tarnwel_bench_limit. A fresh process pays for its start (loading
// libcurl and the libraries it needs) and for the first touch of every page it
// uses; the pieces timed inside the bench's warm thread pay neither. This
// program links only libcurl, SQLite and pugixml, so its start costs what the
// least client process's start costs.
//
//   tarnwel_limit_pieces initial URL ENVELOPE_FILE CONTACTS(0|1) STORE
//       POSTs the getItems request in ENVELOPE_FILE to URL, parses the reply,
//       turns its items into rows (a client must do that too, so it counts)
//       and writes them into a new store at STORE in one transaction.
//   tarnwel_limit_pieces noop URL ENVELOPE_FILE STORE
//       the same POST and parse, then reads every row of the existing STORE
//       in one read transaction.
//
// Prints "reply N bytes" and then " rows N" or " scanned N bytes" on one line;
// exits 0, or 1 with a message on standard error.

#include "bench/LimitPieces.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Run(int argc, char** argv)
{
    using namespace tarnwel::bench;
    const bool initial = argc == 6 && std::strcmp(argv[1], "initial") == 0 &&
                         (std::strcmp(argv[4], "0") == 0 || std::strcmp(argv[4], "1") == 0);
    const bool noop = argc == 5 && std::strcmp(argv[1], "noop") == 0;
    if (!initial && !noop) {
        std::fprintf(stderr, "Usage: tarnwel_limit_pieces initial URL ENVELOPE_FILE CONTACTS(0|1) STORE\n"
                             "       tarnwel_limit_pieces noop URL ENVELOPE_FILE STORE\n");
        return 2;
    }
    const std::string envelope = ReadFile(argv[3]);
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        throw std::runtime_error("curl_global_init failed");
    const std::string reply = Post(argv[2], envelope, 0);
    pugi::xml_document document;
    Parse(reply, document);
    if (initial) {
        const std::vector<CRow> rows = RowsOf(document, argv[4][0] == '1');
        if (rows.empty())
            throw std::runtime_error("the reply has no items");
        Insert(argv[5], rows);
        std::printf("reply %zu bytes rows %zu\n", reply.size(), rows.size());
    } else {
        const std::size_t bytes = Scan(argv[4]);
        if (bytes == 0)
            throw std::runtime_error(std::string("nothing to scan in ") + argv[4]);
        std::printf("reply %zu bytes scanned %zu bytes\n", reply.size(), bytes);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnwel_limit_pieces: %s\n", error.what());
        return 1;
    }
}
