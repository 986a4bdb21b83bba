#pragma once
// The anchor of the window benchmark: mpv showing the same recordings in one grid (lavfi-complex
// with xstack, each scaled to a cell first so that the grid is the size of the screen, as ours),
// through its X11 output under a virtual X server of its own, measured in the same run. What it
// showed is read over its IPC socket: the stream time it advanced at its frame rate, less the
// frames it dropped, against the frames the wall clock asked; its CPU from /proc.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace TarvexBench {

struct MpvFigures {
    bool ran = false;
    std::string why;          // when it did not
    double shownShare = 0;    // frames shown against asked, 0..1, per window (all windows alike)
    double cpuPercent = 0;    // of one core
    double cpuPerFrame = 0;   // CPU milliseconds per window frame shown
};

namespace mpv_detail {

inline bool OnPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// One request over the socket; its "data", null when it failed.
class Ipc {
public:
    bool Connect(const std::string& path, double limitSeconds) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(limitSeconds);
        while (std::chrono::steady_clock::now() < until) {
            m_fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
            if (connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
            close(m_fd);
            m_fd = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    ~Ipc() {
        if (m_fd >= 0) close(m_fd);
    }
    nlohmann::json Get(const std::string& property) {
        const int id = ++m_id;
        const std::string line =
            nlohmann::json{{"command", {"get_property", property}}, {"request_id", id}}.dump() + "\n";
        if (write(m_fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return nullptr;
        for (std::string answer; ReadLine(&answer);) {
            const auto j = nlohmann::json::parse(answer, nullptr, false);
            if (j.is_discarded() || !j.contains("request_id") || j["request_id"] != id) continue;  // an event
            return j.value("error", "") == "success" ? j["data"] : nlohmann::json();
        }
        return nullptr;
    }
    void Quit() {
        const std::string line = "{\"command\":[\"quit\"]}\n";
        if (write(m_fd, line.data(), line.size()) < 0) return;
    }

private:
    bool ReadLine(std::string* line) {
        for (;;) {
            const std::size_t end = m_buffer.find('\n');
            if (end != std::string::npos) {
                *line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return true;
            }
            char chunk[4096];
            const ssize_t n = read(m_fd, chunk, sizeof chunk);
            if (n <= 0) return false;
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    int m_fd = -1;
    int m_id = 0;
    std::string m_buffer;
};

inline double CpuSecondsOf(long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const std::size_t paren = text.rfind(')');
    if (paren == std::string::npos) return -1;
    std::istringstream fields(text.substr(paren + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
    double utime = 0, stime = 0;
    fields >> utime >> stime;
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace mpv_detail

// Plays `files` (all of one frame rate, longer than settle + seconds) in a grid of cells of
// cellWidth x cellHeight for `seconds` after `settle` seconds, the screen 1280x800 as the window
// benchmark's.
inline MpvFigures MpvGrid(const std::vector<std::string>& files, int cellWidth, int cellHeight, double settle,
                          double seconds) {
    using namespace mpv_detail;
    MpvFigures f;
    if (files.empty()) return f;
    if (!OnPath("mpv") || !OnPath("xvfb-run")) {
        f.why = "mpv or xvfb-run is not installed";
        return f;
    }
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(files.size()))));
    std::string graph, inputs, layout, external;
    for (std::size_t i = 0; i < files.size(); ++i) {
        graph += "[vid" + std::to_string(i + 1) + "]scale=" + std::to_string(cellWidth) + ":" + std::to_string(cellHeight) +
                 "[c" + std::to_string(i) + "];";
        inputs += "[c" + std::to_string(i) + "]";
        const int x = static_cast<int>(i) % columns, y = static_cast<int>(i) / columns;
        layout += (i ? "|" : "") + std::to_string(x * cellWidth) + "_" + std::to_string(y * cellHeight);
        if (i > 0) external += (i > 1 ? ":" : "") + files[i];
    }
    graph += inputs + "xstack=inputs=" + std::to_string(files.size()) + ":layout=" + layout + "[vo]";
    if (files.size() == 1) graph = "[vid1]scale=" + std::to_string(cellWidth) + ":" + std::to_string(cellHeight) + "[vo]";
    char folder[] = "/tmp/tarvex-mpv-XXXXXX";
    if (!mkdtemp(folder)) return f;
    const std::string socketPath = std::string(folder) + "/ipc";
    std::vector<std::string> args = {"xvfb-run", "-a", "-s", "-screen 0 1280x800x24", "mpv", "--no-config",
                                     "--really-quiet", "--vo=x11", "--ao=null",
                                     "--geometry=" + std::to_string(columns * cellWidth) + "x" +
                                         std::to_string(((static_cast<int>(files.size()) + columns - 1) / columns) * cellHeight),
                                     "--input-ipc-server=" + socketPath, "--lavfi-complex=" + graph, files[0]};
    if (!external.empty()) args.push_back("--external-files=" + external);
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    Ipc ipc;
    if (child > 0 && ipc.Connect(socketPath, 30)) {
        const auto pidJson = ipc.Get("pid");
        const long pid = pidJson.is_number() ? pidJson.get<long>() : -1;
        std::this_thread::sleep_for(std::chrono::duration<double>(settle));
        auto sample = [&](double* time, double* drops, double* fps) {
            const auto t = ipc.Get("playback-time"), d = ipc.Get("frame-drop-count"), r = ipc.Get("estimated-vf-fps");
            *time = t.is_number() ? t.get<double>() : 0;
            *drops = d.is_number() ? d.get<double>() : 0;
            *fps = r.is_number() ? r.get<double>() : 25;
        };
        double t0, d0, fps, t1, d1;
        sample(&t0, &d0, &fps);
        const double cpu0 = CpuSecondsOf(pid);
        const auto wall0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        sample(&t1, &d1, &fps);
        const double cpu1 = CpuSecondsOf(pid);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double shown = std::max(0.0, (t1 - t0) * fps - (d1 - d0));
        const double asked = 25 * wall;
        f.ran = t1 > t0 && pid > 0;
        if (!f.ran) f.why = "mpv did not play";
        f.shownShare = std::min(1.0, shown / asked);
        f.cpuPercent = 100 * (cpu1 - cpu0) / wall;
        f.cpuPerFrame = shown > 0 ? 1000 * (cpu1 - cpu0) / (shown * files.size()) : 0;
        ipc.Quit();
    } else if (f.why.empty()) {
        f.why = "mpv's socket did not come up";
    }
    if (child > 0) {
        for (int i = 0; i < 50 && waitpid(child, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(-child, SIGTERM);
        waitpid(child, nullptr, 0);
    }
    std::remove(socketPath.c_str());
    rmdir(folder);
    return f;
}

}  // namespace TarvexBench
