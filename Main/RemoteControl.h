#pragma once
// The remote control: scripts drive the player over a local socket, one JSON object a line,
//   {"command": ["name", args...], "request_id": N}
// answered by {"request_id": N, "error": "success", "data": ...} or the error's text (a refused
// command answers with the message the user was shown). Each command is the user's own action,
// run through the same play commands as the keys and buttons. Messages, notifications and files
// that reach their end are pushed to every client as {"event": ...}. UI thread only.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include <memory>
#include <string>

#include "Main/UserMessages.h"
#include "Toolkit/RemoteSocket.h"

class IPlayCommandHost;

class CRemoteControl : public IKXRemoteSocketEvent,
                       public IUserEventObserver,
                       public boost::enable_shared_from_this<CRemoteControl> {
public:
    explicit CRemoteControl(IPlayCommandHost* host);
    ~CRemoteControl() override;
    CRemoteControl(const CRemoteControl&) = delete;
    CRemoteControl& operator=(const CRemoteControl&) = delete;

    // Listens at `path` and starts telling its clients the events; 0 with the reason otherwise.
    int Listen(const std::string& path, std::string* error);

    // One request line; the answer (a line of JSON) goes to `reply`, now or, for a command that
    // asks another loop, once that has answered. Public for the tests, which need no socket.
    using Reply = std::function<void(const std::string&)>;
    void Execute(const std::string& line, const Reply& reply);

    // IKXRemoteSocketEvent
    void OnRemoteLine(int client, const std::string& line) override;

    // IUserEventObserver
    void OnMessageShown(const char* kind, const std::wstring& text) override;
    void OnFileEnd(int window, const std::wstring& path) override;

private:
    IPlayCommandHost* m_host;
    std::unique_ptr<CKXRemoteSocket> m_socket;
};
