#include "Toolkit/RemoteSocket.h"

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxSocketPath = sizeof(sockaddr_un::sun_path) - 1;
// How much is taken from a client at a time; Qt holds no more than this for it either, so a
// client that floods us waits in the kernel's buffer instead of in our memory.
constexpr qint64 kReadChunk = 64 * 1024;

std::string ErrorText(int error) { return std::strerror(error); }

bool FillAddress(const std::string& path, sockaddr_un* address) {
    if (path.size() > kMaxSocketPath) return false;
    std::memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path, path.data(), path.size());
    return true;
}

enum class Probe { kLive, kStale, kUnknown };

// Whether a server answers on the socket file at `path`. A refused connection means the file
// is left over from a server that is gone; a full backlog still means someone is listening.
Probe ProbeSocket(const std::string& path, int* error) {
    sockaddr_un address;
    if (!FillAddress(path, &address)) {
        *error = ENAMETOOLONG;
        return Probe::kUnknown;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = errno;
        return Probe::kUnknown;
    }
    const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    const int connectError = errno;
    ::close(fd);
    if (result == 0) return Probe::kLive;
    switch (connectError) {
        case EAGAIN:
        case EINPROGRESS:
            return Probe::kLive;
        case ECONNREFUSED:
        case ENOENT:  // gone meanwhile: nothing to replace
            return Probe::kStale;
        default:
            *error = connectError;
            return Probe::kUnknown;
    }
}

// Moves `from` to `to` unless something already is at `to`.
int MoveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without the flag: a hard link refuses an existing name just as well.
    if (::link(from.c_str(), to.c_str()) != 0) return -1;
    ::unlink(from.c_str());
    return 0;
}

// Line breaks inside a reply would split it into two lines at the client.
std::string AsOneLine(const std::string& line) {
    std::string out;
    out.reserve(line.size() + 1);
    for (char c : line) out += (c == '\n' || c == '\r') ? ' ' : c;
    out += '\n';
    return out;
}

}  // namespace

struct CKXRemoteSocket::Impl {
    struct Client {
        QLocalSocket* socket = nullptr;
        std::string buffer;    // received bytes not yet handed out, from `head`
        std::size_t head = 0;  // start of the line being gathered
        std::size_t scan = 0;  // where the search for its newline goes on
        bool delivering = false;
        bool peerGone = false;
    };
    enum class Notify { kNow, kLater };

    explicit Impl(IKXRemoteSocketEvent* s) : sink(s) {}

    IKXRemoteSocketEvent* sink;
    QObject context;  // the receiver of every connection made here: they end with it
    std::unique_ptr<QLocalServer> server;
    std::map<int, Client> clients;
    int lastId = 0;
    std::string path;  // absolute; empty while not listening
    dev_t device = 0;
    ino_t inode = 0;
    // Cleared when the object goes: a notification may end in the owner destroying it.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);

    void Accept();
    void Pump(int id);
    void Close(int id, Notify notify);
    void Release(QLocalSocket* socket);
    void RemoveOwnFile();
};

void CKXRemoteSocket::Impl::Accept() {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        if (lastId == INT_MAX) {  // ids are never reused: no more clients for this object
            Release(socket);
            continue;
        }
        const int id = ++lastId;
        socket->setReadBufferSize(kReadChunk);
        clients[id].socket = socket;
        QObject::connect(socket, &QLocalSocket::readyRead, &context, [this, id] { Pump(id); });
        QObject::connect(socket, &QLocalSocket::disconnected, &context, [this, id] {
            auto it = clients.find(id);
            if (it == clients.end()) return;
            it->second.peerGone = true;
            Pump(id);  // what it sent before it went is still delivered
        });
        // What Qt took in with the connection brings no readyRead of its own.
        if (socket->bytesAvailable() > 0)
            QMetaObject::invokeMethod(&context, [this, id] { Pump(id); }, Qt::QueuedConnection);
    }
}

void CKXRemoteSocket::Impl::Pump(int id) {
    {
        auto it = clients.find(id);
        if (it == clients.end() || it->second.delivering) return;  // the running pass takes what came
        it->second.delivering = true;
    }
    const std::shared_ptr<bool> living = alive;
    for (;;) {
        auto it = clients.find(id);
        if (it == clients.end()) return;  // dropped meanwhile
        Client& c = it->second;
        const std::size_t newline = c.buffer.find('\n', c.scan);
        if (newline == std::string::npos) {
            c.scan = c.buffer.size();
            if (c.buffer.size() - c.head > kMaxLine) {
                Close(id, Notify::kNow);
                return;
            }
            if (c.head > 0) {
                c.buffer.erase(0, c.head);
                c.scan -= c.head;
                c.head = 0;
            }
            const QByteArray more = c.socket->read(kReadChunk);
            if (!more.isEmpty()) {
                c.buffer.append(more.constData(), static_cast<std::size_t>(more.size()));
                continue;
            }
            c.delivering = false;
            // Bytes after the last newline of a client that went away are no line: they go with it.
            if (c.peerGone || c.socket->state() == QLocalSocket::UnconnectedState) Close(id, Notify::kNow);
            return;
        }
        if (newline - c.head > kMaxLine) {
            Close(id, Notify::kNow);
            return;
        }
        std::size_t end = newline;
        if (end > c.head && c.buffer[end - 1] == '\r') --end;
        const std::string line = c.buffer.substr(c.head, end - c.head);
        c.head = newline + 1;
        c.scan = c.head;
        if (sink) sink->OnRemoteLine(id, line);
        if (!*living) return;
    }
}

void CKXRemoteSocket::Impl::Close(int id, Notify notify) {
    auto it = clients.find(id);
    if (it == clients.end()) return;
    QLocalSocket* socket = it->second.socket;
    clients.erase(it);
    Release(socket);
    if (!sink) return;
    if (notify == Notify::kNow) {
        sink->OnRemoteClosed(id);
    } else if (notify == Notify::kLater) {
        // Queued on `context`: dropped unheard if this object goes first.
        QMetaObject::invokeMethod(
            &context, [this, id] { sink->OnRemoteClosed(id); }, Qt::QueuedConnection);
    }
}

// Ends a connection without a word to anyone. The socket may be the one whose signal is running
// now, so it is deleted later, and by itself rather than with the server.
void CKXRemoteSocket::Impl::Release(QLocalSocket* socket) {
    QObject::disconnect(socket, nullptr, &context, nullptr);
    socket->setParent(nullptr);
    socket->abort();
    socket->deleteLater();
}

// Only the file this object put there: one that replaced it since belongs to someone else.
void CKXRemoteSocket::Impl::RemoveOwnFile() {
    if (path.empty()) return;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_dev == device && st.st_ino == inode)
        ::unlink(path.c_str());
    path.clear();
}

CKXRemoteSocket::CKXRemoteSocket(IKXRemoteSocketEvent* sink) : m_impl(std::make_unique<Impl>(sink)) {}

CKXRemoteSocket::~CKXRemoteSocket() {
    *m_impl->alive = false;
    for (auto& entry : m_impl->clients) m_impl->Release(entry.second.socket);
    m_impl->clients.clear();
    m_impl->RemoveOwnFile();
    if (m_impl->server) {
        QObject::disconnect(m_impl->server.get(), nullptr, &m_impl->context, nullptr);
        m_impl->server->close();
    }
}

int CKXRemoteSocket::Listen(const std::string& path, std::string* error) {
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return 0;
    };
    if (m_impl->server) return fail("already listening on " + m_impl->path);
    if (path.empty()) return fail("no socket path given");
    if (path.find('\0') != std::string::npos) return fail("the socket path contains a NUL byte");

    // Relative to the folder we are in now, which may change before the file is removed.
    std::string full = path;
    if (full[0] != '/') {
        std::vector<char> cwd(PATH_MAX + 1);
        if (!::getcwd(cwd.data(), cwd.size())) return fail("cannot resolve " + path + ": " + ErrorText(errno));
        full = std::string(cwd.data()) + "/" + path;
    }
    if (full.back() == '/') return fail(path + " names a folder, not a socket file");
    const std::string folder = full.substr(0, full.rfind('/') + 1);  // with its "/"
    // The socket is made in a private folder beside its place first (see below): both must fit
    // the address of a Unix socket.
    std::string pattern = folder + ".XXXXXX";
    if (full.size() > kMaxSocketPath || pattern.size() + 2 > kMaxSocketPath)
        return fail(path + " is too long for a Unix socket (" + std::to_string(full.size()) + " bytes; at most " +
                    std::to_string(kMaxSocketPath) + ", and its folder at most " +
                    std::to_string(kMaxSocketPath - 9) + ")");

    struct stat st;
    if (::lstat(full.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) return fail(path + " exists and is not a socket");
        int probeError = 0;
        switch (ProbeSocket(full, &probeError)) {
            case Probe::kLive:
                return fail(path + " is in use by another running server");
            case Probe::kUnknown:
                return fail("cannot tell whether " + path + " is in use: " + ErrorText(probeError));
            case Probe::kStale:
                if (::unlink(full.c_str()) != 0 && errno != ENOENT)
                    return fail("cannot remove the stale socket " + path + ": " + ErrorText(errno));
                break;
        }
    } else if (errno != ENOENT) {
        return fail("cannot check " + path + ": " + ErrorText(errno));
    }

    // The socket is bound inside a folder only we may enter, made owner-only there, and then
    // moved to its place: nobody can connect before its mode is set, and whatever appears at the
    // path meanwhile is never replaced.
    if (!::mkdtemp(pattern.data()))
        return fail("cannot create the socket in " + folder + ": " + ErrorText(errno));
    const std::string privateFolder = pattern;
    const std::string bound = privateFolder + "/s";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    auto undo = [&](const std::string& why) {
        const int saved = errno;
        if (fd >= 0) ::close(fd);
        ::unlink(bound.c_str());
        ::rmdir(privateFolder.c_str());
        return fail(why + ": " + ErrorText(saved));
    };
    if (fd < 0) return undo("cannot create a socket");
    sockaddr_un address;
    FillAddress(bound, &address);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return undo("cannot create the socket in " + folder);
    if (::chmod(bound.c_str(), S_IRUSR | S_IWUSR) != 0) return undo("cannot make the socket owner-only");
    if (::listen(fd, SOMAXCONN) != 0) return undo("cannot listen on " + path);
    if (MoveNoReplace(bound, full) != 0) {
        if (errno == EEXIST) {
            errno = EADDRINUSE;
            return undo(path + " is in use: another server took it meanwhile");
        }
        return undo("cannot put the socket at " + path);
    }
    ::rmdir(privateFolder.c_str());
    if (::lstat(full.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || (st.st_mode & 07777) != (S_IRUSR | S_IWUSR)) {
        ::close(fd);
        return fail("the socket at " + path + " was changed while it was being made");
    }

    // Qt serves the socket from here on. When it closes it removes only the name the socket was
    // bound under, gone by then; the file at `path` is ours to remove (RemoveOwnFile).
    auto server = std::make_unique<QLocalServer>();
    if (!server->listen(static_cast<qintptr>(fd))) {
        const std::string why = server->errorString().toStdString();
        ::close(fd);
        if (::lstat(full.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(full.c_str());
        return fail("cannot listen on " + path + ": " + why);
    }
    m_impl->server = std::move(server);
    m_impl->path = full;
    m_impl->device = st.st_dev;
    m_impl->inode = st.st_ino;
    Impl* impl = m_impl.get();
    QObject::connect(m_impl->server.get(), &QLocalServer::newConnection, &m_impl->context, [impl] { impl->Accept(); });
    if (error) error->clear();
    return 1;
}

void CKXRemoteSocket::Send(int client, const std::string& line) {
    auto it = m_impl->clients.find(client);
    if (it == m_impl->clients.end()) return;
    QLocalSocket* socket = it->second.socket;
    const std::string out = AsOneLine(line);
    if (static_cast<std::size_t>(socket->bytesToWrite()) + out.size() > kMaxUnsent) {
        // Told later: the caller is in the middle of replying and expects no call back now.
        m_impl->Close(client, Impl::Notify::kLater);
        return;
    }
    socket->write(out.data(), static_cast<qint64>(out.size()));
}

void CKXRemoteSocket::Broadcast(const std::string& line) {
    std::vector<int> ids;
    ids.reserve(m_impl->clients.size());
    for (const auto& entry : m_impl->clients) ids.push_back(entry.first);
    for (int id : ids) Send(id, line);
}

int CKXRemoteSocket::ClientCount() const { return static_cast<int>(m_impl->clients.size()); }
