#pragma once
// A line-based local control socket: clients connect to a Unix socket file owned by the user and
// exchange lines of text with the program. It carries lines only; what they mean is decided by
// the caller. Every call, and every notification, happens on the UI thread.
#include <cstddef>
#include <memory>
#include <string>

class IKXRemoteSocketEvent {
public:
    virtual ~IKXRemoteSocketEvent() = default;
    // One line a client sent, without its line end ("\n", a "\r\n" too). Called on the UI thread.
    virtual void OnRemoteLine(int client, const std::string& line) = 0;
    // The client went away (or was dropped for a line too long, or for leaving too many replies
    // unread). Default: nothing.
    virtual void OnRemoteClosed(int client) {}
};

class CKXRemoteSocket {
public:
    explicit CKXRemoteSocket(IKXRemoteSocketEvent* sink);
    ~CKXRemoteSocket();  // closes every client and removes the socket file it made
    CKXRemoteSocket(const CKXRemoteSocket&) = delete;
    CKXRemoteSocket& operator=(const CKXRemoteSocket&) = delete;
    // Listens on a Unix socket at `path` (UTF-8 file system path). Returns 1, or 0 with a
    // human-readable English reason in *error: a path that exists and is not a socket is refused
    // and left untouched; a socket file on which a live server answers is refused ("in use"); a stale
    // socket file (nobody answers) is replaced. The socket file is created with mode 0600 (owner only).
    int Listen(const std::string& path, std::string* error);
    // Sends one line (a "\n" is appended) to one client; nothing if that client is gone. A line
    // break inside `line` goes out as a space, so that one call is always one line at the client.
    void Send(int client, const std::string& line);
    // Sends one line to every connected client.
    void Broadcast(const std::string& line);
    int ClientCount() const;
    static constexpr std::size_t kMaxLine = 1 << 20;  // a longer line drops its client
    // Replies a client leaves unread beyond this many bytes drop it: memory stays bounded.
    static constexpr std::size_t kMaxUnsent = 16 << 20;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
