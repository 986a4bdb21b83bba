#pragma once
// "--name value" options and positional arguments of one command.
#include <map>
#include <string>
#include <vector>

struct ParsedOptions {
    std::map<std::string, std::string> values;  // "--name" -> value ("" for a flag)
    std::vector<std::string> positional;
    bool help = false;
    std::string error;  // set when the command line is wrong
};

// `withValue` and `flags` list the options the command knows, with their dashes.
ParsedOptions ParseOptions(int argc, char** argv, const std::vector<std::string>& withValue,
                           const std::vector<std::string>& flags);

// Numbers with their range; false (and an error text) when the value does not fit.
bool ReadInt(const ParsedOptions& o, const std::string& name, int low, int high, int* out, std::string* error);
bool ReadDouble(const ParsedOptions& o, const std::string& name, double low, double high, double* out,
                std::string* error);
