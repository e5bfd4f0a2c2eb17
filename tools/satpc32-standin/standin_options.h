#pragma once
// Command line of satpc32-standin.exe. Portable.
#include <string>
#include <vector>

namespace standin {

struct Options {
    std::string scriptPath;  // empty: read the script from standard input
    std::string logPath;     // empty: events go to standard output only
    bool exitAtEnd = false;
    bool ddeml = false;      // serve through DDEML instead of raw DDE messages
    bool oneWindow = false;  // raw DDE: every conversation from the main window, told apart by client
    bool help = false;
};

struct ParsedOptions {
    bool ok = false;
    Options options;
    std::string error;
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);  // args without argv[0]

}  // namespace standin
