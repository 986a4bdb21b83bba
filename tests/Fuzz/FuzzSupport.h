#pragma once
// What the fuzz targets share: a program folder of their own for the inputs that must be files,
// and the bytes as text.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace TarvexFuzz {

// $TARVEX_HOME pointed at a fresh folder once per process; the folder is the process's to use.
inline const std::string& ProgramHome() {
    static const std::string home = [] {
        char pattern[] = "/tmp/tarvex-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        std::string folder = made ? std::string(made) + "/" : std::string("/tmp/");
        ::setenv("TARVEX_HOME", folder.c_str(), 1);
        return folder;
    }();
    return home;
}

inline bool WriteWhole(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

inline std::string Bytes(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace TarvexFuzz
