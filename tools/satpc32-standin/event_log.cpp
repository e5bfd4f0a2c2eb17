#include "event_log.h"

#include <fcntl.h>
#include <io.h>
#include <cstdint>

namespace standin {

EventLog::EventLog()
{
    // Plain "\n" line ends, also when standard output is a pipe read on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
}

EventLog::~EventLog()
{
    if (file_) {
        std::fclose(file_);
    }
}

bool EventLog::OpenFile(const std::string& path)
{
    file_ = std::fopen(path.c_str(), "wb");
    return file_ != nullptr;
}

void EventLog::Line(std::string_view text)
{
    for (std::FILE* f : {stdout, file_}) {
        if (!f) {
            continue;
        }
        std::fwrite(text.data(), 1, text.size(), f);
        std::fputc('\n', f);
        std::fflush(f);
    }
}

std::string HandleText(const void* handle)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return buffer;
}

}  // namespace standin
