#include "sound_log.h"

#include <fstream>
#include <sstream>

namespace korvane::e2e {

SoundLog ReadSoundLog(const std::string& logPath)
{
    SoundLog log;
    std::ifstream file(logPath, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "attach") {
            unsigned long pid = 0;
            double at = 0;
            fields >> pid >> at;
            log.attachMs.push_back(at);
        } else if (kind == "play") {
            SoundCall call;
            fields >> call.flags >> call.startMs >> call.endMs;
            fields.get();  // the single space before the path
            std::getline(fields, call.path);
            log.calls.push_back(call);
        }
    }
    return log;
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace korvane::e2e
