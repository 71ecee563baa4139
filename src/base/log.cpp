#include "base/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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
    // line has made it to disk every call tries to truncate again. The
    // flags are those of the C library's "w" and "a+": the line goes
    // straight to the file in one write, without a stream's allocation and
    // buffer around it, as a frame writes some twenty lines.
    const bool first = !logOpened;
    const int flags = first ? (O_WRONLY | O_CREAT | O_TRUNC) : (O_RDWR | O_CREAT | O_APPEND);
    int fd = -1;
    do {
        fd = open(LogPath().c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    message += '\n';
    // Written as plain bytes, never as a format: a '%' in a message is text.
    // A write that fails is not reported, as with the stream before it.
    const char* data = message.data();
    size_t left = message.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        data += written;
        left -= static_cast<size_t>(written);
    }
    close(fd);
    if (first) logOpened = true;
    return true;
}

void SetLogPath(const std::string& path) {
    LogPath() = path;
    logOpened = false;
}
