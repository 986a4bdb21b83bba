// The remote-control socket's transport, driven by plain POSIX clients from the test thread while
// the UI thread's events are pumped.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "Toolkit/RemoteSocket.h"
#include "ToolkitTestSupport.h"

namespace {

namespace fs = std::filesystem;
using TarvexTest::PumpUntil;

// What the program hears, in the order it hears it.
class Journal : public IKXRemoteSocketEvent {
public:
    std::vector<std::pair<int, std::string>> lines;
    std::vector<int> closed;
    std::vector<std::string> events;  // "line <id> <text>", "closed <id>"
    std::function<void(int, const std::string&)> onLine;

    void OnRemoteLine(int client, const std::string& line) override {
        lines.emplace_back(client, line);
        events.push_back("line " + std::to_string(client) + " " + line);
        if (onLine) onLine(client, line);
    }
    void OnRemoteClosed(int client) override {
        closed.push_back(client);
        events.push_back("closed " + std::to_string(client));
    }
    std::vector<std::string> From(int client) const {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.first == client) out.push_back(l.second);
        return out;
    }
    bool Closed(int client) const { return std::count(closed.begin(), closed.end(), client) > 0; }
};

// A client as any program would write it: a plain Unix socket, non-blocking so that the test
// thread can keep the UI thread's events running while it waits.
class Peer {
public:
    ~Peer() { Close(); }

    bool Connect(const std::string& path) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (m_fd < 0 || path.size() >= sizeof(address.sun_path)) return false;
        std::memcpy(address.sun_path, path.data(), path.size());
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return false;
        return ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK) == 0;
    }
    // Everything, waiting (with the events running) while the socket's buffer is full; false once
    // the server has hung up.
    bool Write(const std::string& bytes) {
        QElapsedTimer clock;
        clock.start();
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && clock.elapsed() < 20000) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            } else {
                return false;
            }
        }
        return true;
    }
    // Writes one byte at a time, letting the server read after each.
    void Trickle(const std::string& bytes) {
        for (char c : bytes) {
            ASSERT_TRUE(Write(std::string(1, c)));
            TarvexTest::ProcessEvents();
        }
    }
    bool WaitLines(std::size_t count) {
        return PumpUntil([&] {
            Drain();
            return lines.size() >= count;
        });
    }
    bool WaitHangUp() {
        return PumpUntil([&] {
            Drain();
            return m_eof;
        });
    }
    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

    std::vector<std::string> lines;

private:
    void Drain() {
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), MSG_DONTWAIT);
            if (n > 0) {
                m_partial.append(chunk, static_cast<std::size_t>(n));
                for (std::size_t nl; (nl = m_partial.find('\n')) != std::string::npos;) {
                    lines.push_back(m_partial.substr(0, nl));
                    m_partial.erase(0, nl + 1);
                }
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) m_eof = true;
            return;
        }
    }

    int m_fd = -1;
    std::string m_partial;
    bool m_eof = false;
};

class RemoteSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/tarvex-remote-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(folder));
        m_folder = folder;
        m_path = m_folder + "/control.sock";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // A server listening on the test's path with a journal of its own.
    std::unique_ptr<CKXRemoteSocket> Serve(Journal* journal, const std::string& path) {
        auto server = std::make_unique<CKXRemoteSocket>(journal);
        std::string error = "unset";
        EXPECT_EQ(1, server->Listen(path, &error)) << error;
        EXPECT_EQ("", error);
        return server;
    }
    // Connects a peer and learns its id from a first line.
    int Join(Peer* peer, Journal* journal, const std::string& hello) {
        if (!peer->Connect(m_path)) return 0;
        const std::size_t before = journal->lines.size();
        if (!peer->Write(hello + "\n")) return 0;
        if (!PumpUntil([&] { return journal->lines.size() > before; })) return 0;
        return journal->lines.back().second == hello ? journal->lines.back().first : 0;
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string m_folder;
    std::string m_path;
};

// A socket file nobody listens on any more, as a server that crashed leaves it.
bool MakeStaleSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

}  // namespace

TEST_F(RemoteSocketTest, LinesArriveWholeAndInOrderHoweverTheBytesAreSplit) {
    Journal journal;
    auto server = Serve(&journal, m_path);
    Peer peer;
    ASSERT_TRUE(peer.Connect(m_path));

    // Several lines in one write; the bytes after the last newline wait for the rest.
    ASSERT_TRUE(peer.Write("one\ntwo\r\nthr"));
    ASSERT_TRUE(PumpUntil([&] { return journal.lines.size() >= 2; }));
    ASSERT_TRUE(peer.Write("ee\n"));
    ASSERT_TRUE(PumpUntil([&] { return journal.lines.size() >= 3; }));

    // A byte at a time, a "\r\n" split between reads too.
    peer.Trickle("four\r\n");
    // An empty line is a line; a "\r" that ends no line is the client's text.
    ASSERT_TRUE(peer.Write("\na\rb\n"));
    ASSERT_TRUE(PumpUntil([&] { return journal.lines.size() >= 6; }));

    const int id = journal.lines.front().first;
    EXPECT_GT(id, 0);
    EXPECT_EQ((std::vector<std::string>{"one", "two", "three", "four", "", "a\rb"}), journal.From(id));
    EXPECT_EQ(6u, journal.lines.size()) << "every line from the one client";
    EXPECT_EQ(1, server->ClientCount());
    EXPECT_TRUE(journal.closed.empty());
}

TEST_F(RemoteSocketTest, RepliesReachTheirOwnClientAndBroadcastsReachEvery) {
    Journal journal;
    auto server = Serve(&journal, m_path);
    Peer a, b;
    const int idA = Join(&a, &journal, "I am A");
    const int idB = Join(&b, &journal, "I am B");
    ASSERT_GT(idA, 0);
    ASSERT_GT(idB, 0);
    EXPECT_NE(idA, idB);
    EXPECT_EQ(2, server->ClientCount());

    server->Send(idA, "for A");
    server->Broadcast("for all");
    // Ids nobody has: nothing is sent, nothing breaks.
    for (int nobody : {0, -1, idA + idB + 100, INT_MAX}) server->Send(nobody, "for nobody");
    // A line break inside a reply must not make two lines of it at the client.
    server->Send(idB, "{\"a\":1,\n\"b\":2}\r");

    ASSERT_TRUE(a.WaitLines(2));
    ASSERT_TRUE(b.WaitLines(2));
    EXPECT_EQ((std::vector<std::string>{"for A", "for all"}), a.lines);
    EXPECT_EQ((std::vector<std::string>{"for all", "{\"a\":1, \"b\":2} "}), b.lines);

    // The replies may come from inside the notification of the line they answer.
    journal.onLine = [&](int client, const std::string& line) { server->Send(client, "echo " + line); };
    ASSERT_TRUE(b.Write("ping\n"));
    ASSERT_TRUE(b.WaitLines(3));
    EXPECT_EQ("echo ping", b.lines.back());
    EXPECT_EQ(2u, a.lines.size());
}

TEST_F(RemoteSocketTest, TheSocketFileIsTheOwnersOnlyAndNothingElseIsLeftBeside) {
    Journal journal;
    auto server = Serve(&journal, m_path);
    struct stat st;
    ASSERT_EQ(0, ::lstat(m_path.c_str(), &st));
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(0600u, st.st_mode & 07777);
    EXPECT_EQ(getuid(), st.st_uid);
    EXPECT_EQ((std::vector<std::string>{"control.sock"}), FolderEntries());

    // Listening again on the same object is refused; the socket goes on serving.
    std::string error;
    EXPECT_EQ(0, server->Listen(m_folder + "/other.sock", &error));
    EXPECT_NE(std::string::npos, error.find("already listening")) << error;
    Peer peer;
    ASSERT_GT(Join(&peer, &journal, "still here"), 0);
}

TEST_F(RemoteSocketTest, APathThatIsNotASocketIsRefusedAndLeftAsItWas) {
    {
        std::ofstream file(m_path, std::ios::binary);
        file << "somebody's notes\n";
    }
    Journal journal;
    CKXRemoteSocket server(&journal);
    std::string error;
    EXPECT_EQ(0, server.Listen(m_path, &error));
    EXPECT_NE(std::string::npos, error.find("not a socket")) << error;
    EXPECT_NE(std::string::npos, error.find(m_path)) << "the reason names the path: " << error;
    EXPECT_EQ("somebody's notes\n", Contents(m_path));

    const std::string folder = m_folder + "/folder";
    ASSERT_TRUE(fs::create_directory(folder));
    error.clear();
    EXPECT_EQ(0, server.Listen(folder, &error));
    EXPECT_NE(std::string::npos, error.find("not a socket")) << error;
    EXPECT_TRUE(fs::is_directory(folder));

    // A link is not a socket either, even to a live one: it stays a link.
    Journal otherJournal;
    auto other = Serve(&otherJournal, m_folder + "/live.sock");
    const std::string link = m_folder + "/link.sock";
    ASSERT_EQ(0, ::symlink((m_folder + "/live.sock").c_str(), link.c_str()));
    error.clear();
    EXPECT_EQ(0, server.Listen(link, &error));
    EXPECT_NE(std::string::npos, error.find("not a socket")) << error;
    EXPECT_TRUE(fs::is_symlink(link));

    EXPECT_EQ((std::vector<std::string>{"control.sock", "folder", "link.sock", "live.sock"}), FolderEntries())
        << "nothing made, nothing removed";
    EXPECT_EQ(0, server.ClientCount());
}

TEST_F(RemoteSocketTest, PathsThatCannotHoldASocketAreRefusedWithAReason) {
    Journal journal;
    CKXRemoteSocket server(&journal);
    std::string error;
    EXPECT_EQ(0, server.Listen("", &error));
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_EQ(0, server.Listen(m_folder + "/missing/control.sock", &error));
    EXPECT_NE(std::string::npos, error.find("No such file")) << error;

    error.clear();
    EXPECT_EQ(0, server.Listen(m_folder + "/" + std::string(120, 'x'), &error));
    EXPECT_NE(std::string::npos, error.find("too long")) << error;

    error.clear();
    EXPECT_EQ(0, server.Listen(m_path + std::string(1, '\0') + "tail", &error));
    EXPECT_NE(std::string::npos, error.find("NUL")) << error;

    EXPECT_TRUE(FolderEntries().empty()) << "a refusal leaves nothing behind";
    EXPECT_EQ(0, server.Listen("", nullptr)) << "the reason may be unwanted";

}

TEST_F(RemoteSocketTest, ARelativePathIsTheCurrentFoldersAtTheCallAlsoWhenRemoved) {
    char before[PATH_MAX];
    ASSERT_NE(nullptr, ::getcwd(before, sizeof(before)));
    ASSERT_EQ(0, ::chdir(m_folder.c_str()));
    Journal journal;
    auto server = std::make_unique<CKXRemoteSocket>(&journal);
    std::string error;
    const int listening = server->Listen("relative.sock", &error);
    ASSERT_EQ(0, ::chdir(before));
    ASSERT_EQ(1, listening) << error;
    EXPECT_TRUE(fs::is_socket(m_folder + "/relative.sock"));
    server.reset();
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_folder + "/relative.sock")));
}

TEST_F(RemoteSocketTest, AStaleSocketFileIsReplacedAndALiveOneRefused) {
    ASSERT_TRUE(MakeStaleSocket(m_path));
    ASSERT_TRUE(fs::is_socket(m_path));

    Journal first;
    auto server = Serve(&first, m_path);
    Peer peer;
    ASSERT_GT(Join(&peer, &first, "on the new socket"), 0);

    Journal second;
    auto rival = std::make_unique<CKXRemoteSocket>(&second);
    std::string error;
    EXPECT_EQ(0, rival->Listen(m_path, &error));
    EXPECT_NE(std::string::npos, error.find("in use")) << error;
    rival.reset();  // it made nothing, so it removes nothing

    // The first server is untouched: same file, still answering, new clients come to it.
    struct stat st;
    ASSERT_EQ(0, ::lstat(m_path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 07777);
    Peer late;
    ASSERT_GT(Join(&late, &first, "after the rival"), 0);
    EXPECT_TRUE(second.lines.empty());
    server->Broadcast("served");
    ASSERT_TRUE(peer.WaitLines(1));
    EXPECT_EQ("served", peer.lines[0]);
}

TEST_F(RemoteSocketTest, ALineTooLongDropsItsClientOnly) {
    constexpr std::size_t kMax = CKXRemoteSocket::kMaxLine;
    Journal journal;
    auto server = Serve(&journal, m_path);

    // The longest line there may be still arrives.
    Peer longest;
    const int idLongest = Join(&longest, &journal, "longest");
    ASSERT_GT(idLongest, 0);
    ASSERT_TRUE(longest.Write(std::string(kMax, 'l') + "\n"));
    ASSERT_TRUE(PumpUntil([&] { return journal.From(idLongest).size() == 2; }));
    EXPECT_EQ(kMax, journal.From(idLongest)[1].size());

    // One byte more and no newline: dropped, what came before still delivered.
    Peer endless;
    const int idEndless = Join(&endless, &journal, "endless");
    ASSERT_GT(idEndless, 0);
    endless.Write("before\n" + std::string(kMax + 1, 'e'));  // may fail once the server hangs up
    ASSERT_TRUE(PumpUntil([&] { return journal.Closed(idEndless); }));
    EXPECT_EQ((std::vector<std::string>{"endless", "before"}), journal.From(idEndless));
    EXPECT_TRUE(endless.WaitHangUp());

    // A line too long with its newline in the same write goes the same way.
    Peer whole;
    const int idWhole = Join(&whole, &journal, "whole");
    ASSERT_GT(idWhole, 0);
    whole.Write(std::string(kMax + 10, 'w') + "\nafter\n");
    ASSERT_TRUE(PumpUntil([&] { return journal.Closed(idWhole); }));
    EXPECT_EQ((std::vector<std::string>{"whole"}), journal.From(idWhole));

    EXPECT_FALSE(journal.Closed(idLongest));
    EXPECT_EQ(1, server->ClientCount());
    server->Send(idEndless, "to a dropped client");  // nothing, and nothing breaks
    server->Broadcast("still served");
    ASSERT_TRUE(longest.WaitLines(1));
    EXPECT_EQ("still served", longest.lines[0]);
}

TEST_F(RemoteSocketTest, AClientThatLeavesIsReportedAfterItsLastLinesAndItsIdIsNotReused) {
    Journal journal;
    auto server = Serve(&journal, m_path);
    // A reply to a client that has hung up goes nowhere, without a broken pipe ending the program.
    journal.onLine = [&](int client, const std::string& line) { server->Send(client, "reply to " + line); };

    Peer leaving;
    ASSERT_TRUE(leaving.Connect(m_path));
    ASSERT_TRUE(leaving.Write("last words\nno newline"));
    leaving.Close();
    ASSERT_TRUE(PumpUntil([&] { return !journal.closed.empty(); }));
    ASSERT_EQ(2u, journal.events.size());
    const int id = journal.lines.at(0).first;
    EXPECT_EQ("line " + std::to_string(id) + " last words", journal.events[0]);
    EXPECT_EQ("closed " + std::to_string(id), journal.events[1]) << "an unfinished line is no line";
    EXPECT_EQ(0, server->ClientCount());

    // Ids keep growing: a reply meant for the one who left never reaches a newcomer.
    std::vector<int> ids{id};
    for (int i = 0; i < 3; ++i) {
        Peer peer;
        ids.push_back(Join(&peer, &journal, "newcomer"));
        ASSERT_GT(ids.back(), ids[ids.size() - 2]);
        server->Send(id, "for the one who left");
        ASSERT_TRUE(peer.WaitLines(1));
        EXPECT_EQ("reply to newcomer", peer.lines[0]);
    }
    ASSERT_TRUE(PumpUntil([&] { return journal.closed.size() == 4; }));
}

TEST_F(RemoteSocketTest, DestroyingTheServerHangsUpOnClientsAndRemovesOnlyItsOwnFile) {
    Journal journal;
    auto server = Serve(&journal, m_path);
    Peer a, b;
    ASSERT_GT(Join(&a, &journal, "a"), 0);
    ASSERT_GT(Join(&b, &journal, "b"), 0);
    server.reset();
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_path)));
    EXPECT_TRUE(a.WaitHangUp());
    EXPECT_TRUE(b.WaitHangUp());
    EXPECT_TRUE(journal.closed.empty()) << "the owner is not called back while it destroys the server";
    EXPECT_TRUE(FolderEntries().empty());

    // A file that took the socket's place meanwhile is somebody else's.
    server = Serve(&journal, m_path);
    ASSERT_EQ(0, ::unlink(m_path.c_str()));
    ASSERT_TRUE(MakeStaleSocket(m_path));
    server.reset();
    EXPECT_TRUE(fs::is_socket(m_path));
}

TEST_F(RemoteSocketTest, TheOwnerMayDestroyTheServerWhileItIsBeingTold) {
    Journal journal;
    std::unique_ptr<CKXRemoteSocket> server = Serve(&journal, m_path);
    journal.onLine = [&](int, const std::string& line) {
        if (line == "quit") server.reset();
    };
    Peer peer;
    ASSERT_TRUE(peer.Connect(m_path));
    ASSERT_TRUE(peer.Write("first\nquit\nnever heard\n"));
    ASSERT_TRUE(PumpUntil([&] { return !server; }));
    EXPECT_TRUE(peer.WaitHangUp());
    TarvexTest::PumpFor(100);  // whatever was still on its way finds nothing
    ASSERT_EQ(2u, journal.lines.size());
    EXPECT_EQ("quit", journal.lines[1].second);
    EXPECT_TRUE(journal.closed.empty());
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_path)));
}

TEST_F(RemoteSocketTest, AClientThatReadsNothingIsDroppedInsteadOfHoardingReplies) {
    Journal journal;
    auto server = Serve(&journal, m_path);
    Peer deaf, listening;
    const int idDeaf = Join(&deaf, &journal, "deaf");
    const int idListening = Join(&listening, &journal, "listening");
    ASSERT_GT(idDeaf, 0);
    ASSERT_GT(idListening, 0);

    const std::string reply(64 * 1024, 'r');
    std::size_t heard = 0;
    const std::size_t limit = 2 * CKXRemoteSocket::kMaxUnsent / reply.size();
    for (std::size_t i = 0; i < limit && !journal.Closed(idDeaf); ++i) {
        server->Broadcast(reply);
        ASSERT_TRUE(listening.WaitLines(++heard));
    }
    ASSERT_TRUE(PumpUntil([&] { return journal.Closed(idDeaf); }));
    EXPECT_FALSE(journal.Closed(idListening));
    EXPECT_EQ(1, server->ClientCount());
    EXPECT_TRUE(deaf.WaitHangUp());
}
