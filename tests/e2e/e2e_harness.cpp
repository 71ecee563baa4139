#include "e2e_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& workingDirectory, const std::string& stdoutFile, const std::string& stderrFile) {
    pid_t pid = fork();
    if (pid != 0) return pid;

    // Child: its own process group, so nothing of ours is hit by its signals.
    setpgid(0, 0);
    for (const std::string& entry : env) {
        if (!entry.empty() && entry[0] == '-') {
            unsetenv(entry.c_str() + 1);
            continue;
        }
        const size_t eq = entry.find('=');
        if (eq != std::string::npos) setenv(entry.substr(0, eq).c_str(), entry.c_str() + eq + 1, 1);
    }
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(126);
    auto redirect = [](const std::string& file, int target) {
        const char* path = file.empty() ? "/dev/null" : file.c_str();
        int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, target);
            close(fd);
        }
    };
    redirect(stdoutFile, STDOUT_FILENO);
    redirect(stderrFile, STDERR_FILENO);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, STDIN_FILENO);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

int WaitForExit(pid_t pid, int timeoutMs) {
    if (pid <= 0) return -1;
    int status = 0;
    const bool ended = WaitUntil(
        [&] {
            pid_t r = waitpid(pid, &status, WNOHANG);
            return r == pid;
        },
        timeoutMs);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string MakeTempDir(const std::string& prefix) {
    std::string pattern = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) return "";
    return buffer.data();
}

void RemoveTree(const std::string& path) {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
}

Xvfb::Xvfb(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) return;
    // -displayfd: Xvfb picks a free display and writes its number to the pipe.
    pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                  std::to_string(width) + "x" + std::to_string(height) + "x24", "-ardelay", "200", "-arinterval", "20",
                  "-nolisten", "tcp", "-noreset"},
                 {});
    close(fds[1]);
    std::string number;
    pollfd pfd = {fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
}

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

WindowManager::WindowManager(const std::string& display) {
    // A home of its own, so no user's openbox settings come into play.
    home_ = MakeTempDir("vantora3-wm-");
    pid_ = Spawn({"openbox", "--sm-disable"}, {"DISPLAY=" + display, "HOME=" + home_});
    if (pid_ <= 0) return;
    // A window manager that runs marks the root window with its check window.
    const bool announced = WaitUntil(
        [&] {
            const std::string out = CaptureOutput(display, {"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
            return out.find("window id") != std::string::npos;
        },
        10000);
    if (!announced) return;
    // Openbox marks the root window before it has finished starting: a
    // window mapped in between may never be managed (and SDL then waits
    // for it to be mapped for ever). Ready once a window of another client
    // is managed, tried again until one is; the probe is gone again after.
    auto managedWindows = [&] {
        const std::string out = CaptureOutput(display, {"xprop", "-root", "_NET_CLIENT_LIST"});
        const size_t list = out.find('#');
        return list != std::string::npos && out.find("0x", list) != std::string::npos;
    };
    for (int attempt = 0; attempt < 5 && !ready_; ++attempt) {
        const pid_t probe =
            Spawn({"xlogo", "-name", "window-manager-probe", "-geometry", "16x16+0+0"}, {"DISPLAY=" + display});
        if (probe <= 0) return;
        ready_ = WaitUntil(managedWindows, 2000);
        kill(probe, SIGKILL);
        waitpid(probe, nullptr, 0);
    }
    if (ready_) ready_ = WaitUntil([&] { return !managedWindows(); }, 5000);
}

WindowManager::~WindowManager() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    RemoveTree(home_);
}

OtherWindow::OtherWindow(const std::string& display) : display_(display) {
    pid_ = Spawn({"xlogo", "-name", "beside-the-game", "-geometry", "64x64+0+0"}, {"DISPLAY=" + display});
    if (pid_ <= 0) return;
    WaitUntil(
        [&] {
            const std::string out = CaptureOutput(display, {"xdotool", "search", "--classname", "beside-the-game"});
            id_ = out.substr(0, out.find('\n'));
            return !id_.empty();
        },
        10000);
}

OtherWindow::~OtherWindow() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool OtherWindow::TakeFocus() { return Ok() && XdoTool(display_, {"windowraise", id_, "windowfocus", "--sync", id_}); }

std::string CaptureOutput(const std::string& display, const std::vector<std::string>& argv) {
    const std::string dir = MakeTempDir("vantora3-out-");
    if (dir.empty()) return "";
    const std::string file = dir + "/stdout";
    pid_t pid = Spawn(argv, {"DISPLAY=" + display}, "", file);
    std::string out = WaitForExit(pid, 10000) == 0 ? ReadFile(file) : "";
    RemoveTree(dir);
    return out;
}

bool XdoTool(const std::string& display, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = Spawn(argv, {"DISPLAY=" + display});
    return WaitForExit(pid, 10000) == 0;
}

RunDirectory::RunDirectory() {
    root_ = MakeTempDir("vantora3-e2e-");
    fs::create_directories(root_ + "/bin");
    fs::create_directories(root_ + "/log");
    fs::create_directories(root_ + "/SCREENSHOTS");
    fs::create_directory_symlink(std::string(V3_RUN_DIR) + "/GFX", root_ + "/GFX");
    fs::create_symlink(V3_GAME_EXE, root_ + "/bin/vantora3");
}

RunDirectory::~RunDirectory() { RemoveTree(root_); }

std::string RunDirectory::Screenshot(int score) const {
    return root_ + "/SCREENSHOTS/screen" + std::to_string(score) + ".bmp";
}

Game::Game(const RunDirectory& dir, const std::string& display) : dir_(dir) {
    stderrFile_ = dir.Root() + "/stderr.txt";
    pid_ = Spawn({dir.Bin() + "/vantora3"}, {"DISPLAY=" + display, "-WAYLAND_DISPLAY", "-SDL_VIDEODRIVER"}, dir.Bin(),
                 dir.Root() + "/stdout.txt", stderrFile_);
}

Game::~Game() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

int Game::CountLogLines(const std::string& line) const {
    std::istringstream in(ReadFile(dir_.LogFile()));
    int count = 0;
    for (std::string l; std::getline(in, l);) {
        if (l == line) ++count;
    }
    return count;
}

bool Game::WaitForFrames(int count, int timeoutMs) const {
    return WaitUntil([&] { return CountLogLines("Scene ended") >= count; }, timeoutMs);
}

int Game::WaitForExit(int timeoutMs) {
    int status = e2e::WaitForExit(pid_, timeoutMs);
    pid_ = -1;
    return status;
}

std::string Game::Stderr() const { return ReadFile(stderrFile_); }

namespace {

uint32_t Le32(const std::string& data, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data[at + i]);
    return v;
}

}  // namespace

Bitmap ReadBitmap(const std::string& path) {
    Bitmap bmp;
    const std::string data = ReadFile(path);
    bmp.fileSize = data.size();
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') {
        bmp.error = "not a bitmap file";
        return bmp;
    }
    const uint32_t offset = Le32(data, 10);
    const uint32_t headerSize = Le32(data, 14);
    bmp.width = static_cast<int32_t>(Le32(data, 18));
    const int32_t height = static_cast<int32_t>(Le32(data, 22));
    const uint16_t bpp = static_cast<uint16_t>(Le32(data, 28) & 0xFFFF);
    const uint32_t compression = Le32(data, 30);
    if (headerSize != 40 || bpp != 32 || compression != 0 || height <= 0 || bmp.width <= 0) {
        bmp.error = "unexpected header";
        return bmp;
    }
    bmp.height = height;
    const size_t need = offset + static_cast<size_t>(bmp.width) * height * 4;
    if (data.size() < need) {
        bmp.error = "file too short";
        return bmp;
    }
    bmp.pixels.resize(static_cast<size_t>(bmp.width) * height);
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        const size_t row = offset + static_cast<size_t>(height - 1 - y) * bmp.width * 4;
        for (int x = 0; x < bmp.width; ++x)
            bmp.pixels[static_cast<size_t>(y) * bmp.width + x] = Le32(data, row + x * 4);
    }
    bmp.ok = true;
    return bmp;
}

ScreenCapture ParseXwd(const std::string& data) {
    ScreenCapture capture;
    // The header is 25 big-endian 32-bit fields, the window's name after them.
    constexpr size_t kFields = 25;
    if (data.size() < kFields * 4) {
        capture.error = "no xwd header";
        return capture;
    }
    auto field = [&](size_t i) {
        const auto* b = reinterpret_cast<const unsigned char*>(data.data()) + 4 * i;
        return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
    };
    const uint32_t headerSize = field(0), version = field(1), format = field(2), width = field(4), height = field(5),
                   byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12), redMask = field(14),
                   greenMask = field(15), blueMask = field(16), colours = field(19);
    // Version 7, ZPixmap images (format 2) of 24- or 32-bit pixels with 8-bit channels.
    if (version != 7 || format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) || redMask != 0xFF0000u ||
        greenMask != 0xFF00u || blueMask != 0xFFu) {
        capture.error = "unexpected xwd image: version " + std::to_string(version) + ", format " +
                        std::to_string(format) + ", " + std::to_string(bitsPerPixel) + " bits";
        return capture;
    }
    // Each colour map entry is 12 bytes: pixel, red, green, blue, flags, pad.
    const size_t start = static_cast<size_t>(headerSize) + static_cast<size_t>(colours) * 12;
    const uint32_t bytes = bitsPerPixel / 8;
    if (bytesPerLine < width * bytes || data.size() < start + static_cast<size_t>(bytesPerLine) * height) {
        capture.error = "xwd image shorter than its header says";
        return capture;
    }
    capture.width = static_cast<int>(width);
    capture.height = static_cast<int>(height);
    capture.pixels.resize(static_cast<size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const unsigned char*>(data.data()) + start + static_cast<size_t>(y) * bytesPerLine;
        for (uint32_t x = 0; x < width; ++x) {
            const unsigned char* b = row + bytes * x;
            uint32_t v = 0;
            for (uint32_t i = 0; i < bytes; ++i) {
                // The least significant byte first, or the most.
                v |= uint32_t{b[byteOrder == 0 ? i : bytes - 1 - i]} << (8 * i);
            }
            capture.pixels[static_cast<size_t>(y) * width + x] = v & 0xFFFFFFu;
        }
    }
    capture.ok = true;
    return capture;
}

ScreenCapture CaptureScreen(const std::string& display) {
    const std::string data = CaptureOutput(display, {"xwd", "-root", "-silent"});
    if (data.empty()) {
        ScreenCapture failed;
        failed.error = "xwd gave nothing";
        return failed;
    }
    return ParseXwd(data);
}

}  // namespace e2e
