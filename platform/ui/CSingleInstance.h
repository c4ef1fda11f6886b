#pragma once
// One running client per user's desktop session. The running client holds an
// exclusive lock on a file and listens on a local socket, both in a folder
// only the user can enter: "$XDG_RUNTIME_DIR/tarnwel", else a private folder
// made for it under the temporary directory. The kernel drops the lock when
// the process ends, however it ends, so a killed client never keeps the next
// one from starting; a socket file left by it is replaced. A second process
// finds the lock held and sends its message ("activate", "close") to the
// socket. Another user's or another session's client has another runtime
// folder and is never reached.
//
// Qt-free: the program watches ListenerFd() on its user-interface thread and
// calls TakeMessages when it becomes readable.

#include <string>
#include <vector>

namespace tarnwel {

// The messages other processes send to the running client.
inline constexpr const char* kActivateMessage = "{Tarnwel Client Replication 1.0}";
inline constexpr const char* kCloseMessage = "TarnwelReplicatorClose";

// The folder of the lock and the socket: "$XDG_RUNTIME_DIR/tarnwel" when the
// runtime folder is set (an absolute path), else "<tmp>/tarnwel-<uid>". It is
// made with mode 0700 when missing. Returns the empty text, with the reason
// in `error`, when it cannot be made or is not safe: not a folder (a link
// counts as none), owned by another user, or open to the group or the world.
std::string InstanceDirectory(std::string* error = nullptr);

class CSingleInstance {
public:
    enum class ClaimResult {
        claimed,      // this process is the running client now
        anotherRuns,  // another process holds the lock
        failed,       // no safe folder, or the lock or socket could not be made
    };

    // `directory` empty: InstanceDirectory().
    explicit CSingleInstance(std::string directory = {});
    // Gives the lock up and removes the socket file this object made.
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Takes the lock without waiting and, when it was free, listens on the
    // socket (a stale socket file is replaced). `error` gets the reason of a
    // failure.
    ClaimResult Claim(std::string* error = nullptr);
    bool IsClaimed() const { return m_lockFd >= 0; }

    // The listening socket while claimed (else -1): readable when another
    // process has connected.
    int ListenerFd() const { return m_listenFd; }
    // Takes the connections waiting on the socket without blocking and
    // returns the message each carried (one line, at most 256 bytes), in
    // order. Connections of another user are dropped unread.
    std::vector<std::string> TakeMessages();

    // Sends `message` to the client that holds the lock in this object's
    // folder. False when none listens there (none runs, or it has not begun
    // to listen yet), or the socket is not this user's.
    bool Send(const std::string& message) const;
    // As Send, trying again for up to `waitMs` while the lock is held but the
    // socket does not answer yet (a client that is just starting).
    bool SendToRunning(const std::string& message, int waitMs = 2000) const;

    const std::string& Directory() const { return m_directory; }
    std::string LockPath() const { return m_directory + "/client.lock"; }
    std::string SocketPath() const { return m_directory + "/client.socket"; }

private:
    bool Listen(std::string* error);

    std::string m_directory;
    std::string m_directoryError;
    int m_lockFd = -1;
    int m_listenFd = -1;
};

} // namespace tarnwel
