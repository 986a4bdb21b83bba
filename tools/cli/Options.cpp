#include "tools/cli/Options.h"

#include <algorithm>
#include <cstdlib>

ParsedOptions ParseOptions(int argc, char** argv, const std::vector<std::string>& withValue,
                           const std::vector<std::string>& flags) {
    ParsedOptions o;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (std::find(withValue.begin(), withValue.end(), a) != withValue.end()) {
            if (i + 1 >= argc) {
                o.error = a + " needs a value";
                return o;
            }
            o.values[a] = argv[++i];
        } else if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
            o.values[a] = "";
        } else if (a.size() > 1 && a[0] == '-') {
            o.error = "unknown option " + a;
            return o;
        } else {
            o.positional.push_back(a);
        }
    }
    return o;
}

bool ReadInt(const ParsedOptions& o, const std::string& name, int low, int high, int* out, std::string* error) {
    auto it = o.values.find(name);
    if (it == o.values.end()) return true;
    char* end = nullptr;
    const long v = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end || v < low || v > high) {
        *error = name + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
    }
    *out = static_cast<int>(v);
    return true;
}

bool ReadDouble(const ParsedOptions& o, const std::string& name, double low, double high, double* out,
                std::string* error) {
    auto it = o.values.find(name);
    if (it == o.values.end()) return true;
    char* end = nullptr;
    const double v = std::strtod(it->second.c_str(), &end);
    if (it->second.empty() || *end || !(v >= low && v <= high)) {
        *error = name + " takes a number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
    }
    *out = v;
    return true;
}
