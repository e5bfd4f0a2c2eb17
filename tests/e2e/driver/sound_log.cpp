#include "sound_log.h"

#include <fstream>
#include <sstream>
#include <utility>

namespace korvane::e2e {
namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// "%0A" and the like back to their bytes.
std::string Unescaped(const std::string& text)
{
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            bytes.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

}  // namespace

SoundLog ReadSoundLog(const std::string& logPath)
{
    SoundLog log;
    std::ifstream file(logPath, std::ios::binary);
    std::string line;
    std::optional<std::pair<bool, std::string>> lastExists;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "attach") {
            unsigned long pid = 0;
            double at = 0;
            fields >> pid >> at;
            fields.get();
            std::string path;
            std::getline(fields, path);
            log.attachMs.push_back(at);
            log.attachPaths.push_back(Unescaped(path));
        } else if (kind == "exists") {
            int found = 0;
            fields >> found;
            fields.get();
            std::string path;
            std::getline(fields, path);
            lastExists.emplace(found != 0, Unescaped(path));
        } else if (kind == "play") {
            SoundCall call;
            fields >> call.flags >> call.startMs >> call.endMs;
            fields.get();  // the single space before the path
            std::getline(fields, call.path);
            call.path = Unescaped(call.path);
            if (lastExists && lastExists->second == call.path) {
                call.found = lastExists->first;
            }
            lastExists.reset();
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
