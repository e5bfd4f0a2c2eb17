#pragma once
// Command line of satpc32-standin.exe. Portable.
#include <string>
#include <vector>

namespace standin {

struct Options {
    std::string script_path;  // empty: read the script from standard input
    std::string log_path;     // empty: events go to standard output only
    bool exit_at_end = false;
    bool ddeml = false;       // serve through DDEML instead of raw DDE messages
    bool help = false;
};

struct ParsedOptions {
    bool ok = false;
    Options options;
    std::string error;
};

ParsedOptions parse_options(const std::vector<std::string>& args);  // args without argv[0]

}  // namespace standin
