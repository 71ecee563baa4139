#include "app/log.h"

#include <cstdio>

namespace {

// The path lives as long as the process: the Game's destructor logs during
// static destruction, which may run after this file's own objects are gone,
// so it is never destroyed.
std::string& LogPath() {
    static std::string* const path = new std::string("..//log//log.txt");
    return *path;
}
bool logOpened = false;

}  // namespace

bool Log(std::string message) {
    // The first line of a run replaces the previous run's log; until one
    // line has made it to disk every call tries to truncate again.
    const bool first = !logOpened;
    std::FILE* file = std::fopen(LogPath().c_str(), first ? "w" : "a+");
    if (file == nullptr) return false;
    message += '\n';
    // Written as plain bytes, never as a format: a '%' in a message is text.
    std::fwrite(message.data(), 1, message.size(), file);
    std::fclose(file);
    if (first) logOpened = true;
    return true;
}

void SetLogPath(const std::string& path) {
    LogPath() = path;
    logOpened = false;
}
