#pragma once
// Starts the reference replication server on a free loopback port for one
// test and stops it when the object goes.

#include <string>
#include <vector>

namespace tarnwel::test {

class CReferenceServer {
public:
    // `arguments` go to "serve" after the port: a seed file, fault switches.
    explicit CReferenceServer(const std::vector<std::string>& arguments = {});
    ~CReferenceServer();
    CReferenceServer(const CReferenceServer&) = delete;
    CReferenceServer& operator=(const CReferenceServer&) = delete;

    // "http://127.0.0.1:<port>/tarnwelreplication"
    const std::string& Url() const { return m_url; }
    int Port() const { return m_port; }

    // Runs the server's command line with `arguments` and returns what it
    // printed ("dump --store FILE", for instance). Raises on a failure.
    static std::string RunCommand(const std::vector<std::string>& arguments);

    // A loopback port that nothing listens on at the moment of the call.
    static int UnusedPort();

private:
    int m_pid = -1;
    int m_port = 0;
    std::string m_url;
};

} // namespace tarnwel::test
