#pragma once
// Event lines for whoever follows the stand-in: standard output, flushed at once,
// and optionally a log file.
#include <cstdio>
#include <string>
#include <string_view>

namespace standin {

class EventLog {
public:
    EventLog();
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    bool OpenFile(const std::string& path);
    void Line(std::string_view text);

private:
    std::FILE* file_ = nullptr;
};

// "0x2004E": how window handles appear in event lines.
std::string HandleText(const void* handle);

}  // namespace standin
