// The desktop's side of the web build's pixel test: runs the game on the
// headless backend with the clocks the test page fixes in the browser
// (timeGetTime, and so the seed, at 4242; the counter one 60 Hz frame per
// present from 0), and writes presented frame N of the start screen as
// 1024 x 768 little-endian A8R8G8B8 values, and the log up to there.
//
//   web_reference_frame N OUT.raw [OUT.log]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/win_main.h"
#include "platform/headless/headless_backend.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: web_reference_frame N OUT.raw [OUT.log]\n");
        return 2;
    }
    const uint64_t wanted = std::strtoull(argv[1], nullptr, 10);
    const std::string out = std::filesystem::absolute(argv[2]).string();
    const std::string logOut = argc == 4 ? std::filesystem::absolute(argv[3]).string() : "";
    namespace fs = std::filesystem;
    // A run directory of its own, laid out as the page's /vantora3.
    char pattern[] = "/tmp/vantora3-webref-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string root = pattern;
    for (const char* dir : {"/bin", "/log", "/SCREENSHOTS"}) fs::create_directories(root + dir);
    fs::create_directory_symlink(std::string(V3_RUN_DIR) + "/GFX", root + "/GFX");
    fs::current_path(root + "/bin");

    constexpr int64_t kFrameNs = 1000000000 / 60;
    auto backend = platform::InstallHeadlessBackend();
    backend->SetCounter(0);
    backend->SetMilliseconds(4242);
    std::vector<uint32_t> frame;
    backend->SetFrameHook([&](platform::HeadlessBackend& b, uint64_t presentIndex) {
        b.AdvanceCounter(kFrameNs);
        if (presentIndex + 1 == wanted) {
            frame = b.LastFrame();
            b.QueueKeyDown(VK_ESCAPE);
        }
    });
    const int code = WinMain(nullptr, nullptr, nullptr, 0);
    std::error_code copyError;
    if (!logOut.empty()) fs::copy_file(root + "/log/log.txt", logOut, fs::copy_options::overwrite_existing, copyError);
    fs::current_path("/");
    std::error_code ignored;
    fs::remove_all(root, ignored);
    if (code != 0 || frame.size() != 1024u * 768u || copyError) {
        std::fprintf(stderr, "web_reference_frame: no frame %llu (exit %d)\n", static_cast<unsigned long long>(wanted),
                     code);
        return 1;
    }
    std::FILE* file = std::fopen(out.c_str(), "wb");
    if (file == nullptr) return 1;
    for (uint32_t p : frame) {
        const unsigned char bytes[4] = {static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 8),
                                        static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 24)};
        std::fwrite(bytes, 1, 4, file);
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
