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


private:
    int m_pid = -1;
    int m_port = 0;
    std::string m_url;
};

// A loopback port that refuses every connection for as long as the object
// lives: it is bound but never listens, so no other server can take it.
class CClosedPort {
public:
    CClosedPort();
    ~CClosedPort();
    CClosedPort(const CClosedPort&) = delete;
    CClosedPort& operator=(const CClosedPort&) = delete;

    int Port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// A loopback server that takes every connection and never answers: it
// listens but never accepts, so the system completes each connection and
// keeps what the client sends.
class CSilentServer {
public:
    CSilentServer();
    ~CSilentServer();
    CSilentServer(const CSilentServer&) = delete;
    CSilentServer& operator=(const CSilentServer&) = delete;

    // "http://127.0.0.1:<port>/tarnwelreplication"
    std::string Url() const;

private:
    int m_fd = -1;
    int m_port = 0;
};

} // namespace tarnwel::test
