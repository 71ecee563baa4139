#include "platform/headless/headless_backend.h"

#include <utility>

namespace platform {
namespace {

// Keeps the backend alive while its device lives and forwards every frame.
class HeadlessPresenter : public Presenter {
public:
    explicit HeadlessPresenter(std::shared_ptr<HeadlessBackend> backend) : backend_(std::move(backend)) {}

    void Present(const uint32_t* pixels, int width, int height, int pitchPixels) override {
        backend_->TakeFrame(pixels, width, height, pitchPixels);
    }

private:
    std::shared_ptr<HeadlessBackend> backend_;
};

}  // namespace

HeadlessBackend::HeadlessBackend() = default;

void HeadlessBackend::QueueKeyDown(int vk) {
    NativeEvent event;
    event.type = NativeEvent::Type::KeyDown;
    event.virtualKey = vk;
    pending_.push_back(event);
    keys_.MarkPressed(vk);
}

void HeadlessBackend::SetKeyHeld(int vk, bool held) { keys_.SetHeld(vk, held); }

void HeadlessBackend::RequestClose() {
    NativeEvent event;
    event.type = NativeEvent::Type::Close;
    pending_.push_back(event);
}

void HeadlessBackend::SetCounter(int64_t ns) {
    counterDriven_ = true;
    counter_ = ns;
}

void HeadlessBackend::AdvanceCounter(int64_t ns) {
    if (!counterDriven_) SetCounter(MonotonicNanoseconds());
    counter_ += ns;
}

void HeadlessBackend::SetMilliseconds(DWORD ms) {
    millisecondsDriven_ = true;
    milliseconds_ = ms;
}

void HeadlessBackend::SetFailWindow(bool fail) { failWindow_ = fail; }

void HeadlessBackend::SetFailDevice(bool fail) { failDevice_ = fail; }

void HeadlessBackend::SetFrameHook(std::function<void(HeadlessBackend&, uint64_t)> hook) {
    frameHook_ = std::move(hook);
}

uint64_t HeadlessBackend::PresentCount() const { return presentCount_; }

const std::vector<uint32_t>& HeadlessBackend::LastFrame() const { return lastFrame_; }

const std::vector<std::string>& HeadlessBackend::MessageBoxes() const { return messageBoxes_; }

bool HeadlessBackend::WindowOpen() const { return windowOpen_; }

bool HeadlessBackend::PresentedWindowed() const { return windowed_; }

bool HeadlessBackend::CursorVisible() const { return cursorVisible_; }

const std::string& HeadlessBackend::WindowTitle() const { return title_; }

bool HeadlessBackend::OpenWindow(const char* title, int /*width*/, int /*height*/, bool /*visible*/) {
    if (failWindow_ || windowOpen_) return false;
    windowOpen_ = true;
    title_ = title != nullptr ? title : "";
    return true;
}

void HeadlessBackend::CloseWindow() {
    windowOpen_ = false;
    // Scripted events for the closed window have nowhere to go.
    pending_.clear();
}

bool HeadlessBackend::IsWindowOpen() const { return windowOpen_; }

void HeadlessBackend::PumpEvents(std::vector<NativeEvent>* events) {
    if (events != nullptr) events->insert(events->end(), pending_.begin(), pending_.end());
    pending_.clear();
}

SHORT HeadlessBackend::QueryKeyState(int virtualKey) { return keys_.Query(virtualKey); }

void HeadlessBackend::SetCursorVisible(bool visible) { cursorVisible_ = visible; }

std::unique_ptr<Presenter> HeadlessBackend::CreatePresenter(bool windowed, int /*width*/, int /*height*/) {
    if (failDevice_ || !windowOpen_) return nullptr;
    windowed_ = windowed;
    return std::make_unique<HeadlessPresenter>(shared_from_this());
}

void HeadlessBackend::ShowMessageBox(const char* /*caption*/, const char* text) {
    messageBoxes_.emplace_back(text != nullptr ? text : "");
}

int64_t HeadlessBackend::CounterNanoseconds() { return counterDriven_ ? counter_ : MonotonicNanoseconds(); }

DWORD HeadlessBackend::Milliseconds() { return millisecondsDriven_ ? milliseconds_ : BootMilliseconds(); }

void HeadlessBackend::SetKeepFrames(bool keep) { keepFrames_ = keep; }

void HeadlessBackend::TakeFrame(const uint32_t* pixels, int width, int height, int pitchPixels) {
    if (keepFrames_) {
        lastFrame_.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            const uint32_t* row = pixels + static_cast<size_t>(y) * pitchPixels;
            std::copy(row, row + width, lastFrame_.begin() + static_cast<ptrdiff_t>(y) * width);
        }
    }
    const uint64_t index = presentCount_++;
    // A copy: the hook may replace itself.
    if (frameHook_) {
        auto hook = frameHook_;
        hook(*this, index);
    }
}

std::shared_ptr<HeadlessBackend> InstallHeadlessBackend() {
    auto backend = std::make_shared<HeadlessBackend>();
    InstallBackend(backend);
    return backend;
}

}  // namespace platform
