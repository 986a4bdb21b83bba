#pragma once
// Running tarvex-cli as a user does, from a shell, and reading back what it printed.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace TarvexTest {

struct CliResult {
    int code = -1;
    std::string out;  // stdout (with stderr when the command sends it there)
    std::string err;  // stderr, when it went to `errFile`
};

// Runs the shell command; with `errFile`, stderr goes there and is read back into `err`.
inline CliResult RunShell(const std::string& command, const std::string& errFile = std::string()) {
    CliResult r;
    FILE* pipe = ::popen((errFile.empty() ? command : command + " 2>" + errFile).c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!errFile.empty()) {
        std::ifstream err(errFile);
        r.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    }
    return r;
}

// The numbers read back from the pictures, one per "frames" line.
inline std::vector<int> ReadNumbers(const std::string& out) {
    std::vector<int> numbers;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.rfind("read ");
        if (line.rfind("frame ", 0) == 0 && at != std::string::npos) numbers.push_back(std::stoi(line.substr(at + 5)));
    }
    return numbers;
}

// tarvex-cli with `arguments`, stderr with stdout; `shell` runs before, and in front of, the
// command ("timeout 60 " ends it after a minute).
inline CliResult Cli(const std::string& arguments, const std::string& shell = std::string()) {
    return RunShell(shell + "env TZ=UTC " + TARVEX_CLI + " " + arguments + " 2>&1");
}

}  // namespace TarvexTest
