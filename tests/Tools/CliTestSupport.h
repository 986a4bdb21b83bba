#pragma once
// tarvex-cli run as a user runs it: its output (stdout and stderr together) and exit code.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace TarvexTest {

struct Result {
    int code = -1;
    std::string out;  // stdout and stderr
};

// `shell`: run before, and in front of, the command ("timeout 60 " ends it after a minute).
inline Result Cli(const std::string& arguments, const std::string& shell = std::string()) {
    Result r;
    const std::string command = shell + "env TZ=UTC " + TARVEX_CLI + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace TarvexTest

using TarvexTest::Cli;
using TarvexTest::Result;
