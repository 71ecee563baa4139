#include "platform/sdl_backend_impl.h"

#include <utility>

namespace platform {
namespace {

// Whether an OpenGL-based renderer runs on a software rasteriser (Mesa's
// llvmpipe, softpipe or swrast). Its context is current right after
// creation, so the driver's GL_RENDERER string can be read.
bool RendersOnTheCpu(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr) return false;
    if (SDL_strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    constexpr unsigned int kGlRenderer = 0x1F01;
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr) return false;
    const char* name = reinterpret_cast<const char*>(getString(kGlRenderer));
    if (name == nullptr) return false;
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (SDL_strstr(name, soft) != nullptr) return true;
    }
    return false;
}

}  // namespace

SdlPresenter::SdlPresenter(std::shared_ptr<SdlBackend> backend) : backend_(std::move(backend)) {}

SdlPresenter::~SdlPresenter() { backend_->DestroyRenderer(); }

void SdlPresenter::Present(const uint32_t* pixels, int width, int height, int pitchPixels) {
    backend_->PresentFrame(pixels, width, height, pitchPixels);
}

void SdlBackend::PresentFrame(const uint32_t* pixels, int width, int height, int pitchPixels) {
    if (window_ == nullptr || renderer_ == nullptr || texture_ == nullptr) return;
    if (width != textureWidth_ || height != textureHeight_) return;
    SDL_UpdateTexture(texture_, nullptr, pixels, pitchPixels * static_cast<int>(sizeof(uint32_t)));
    // The letterbox bars around the scaled frame stay black.
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    pacer_.Pace();
}

void SdlBackend::DestroyRenderer() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    texture_ = nullptr;
    renderer_ = nullptr;
    pacer_.Reset();
}

int64_t SdlBackend::RefreshIntervalNs() const {
    SDL_DisplayMode mode{};
    int hz = FramePacer::kDefaultRefreshHz;
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display >= 0 && SDL_GetDesktopDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) {
        hz = mode.refresh_rate;
    }
    return 1000000000 / hz;
}

bool SdlBackend::MakeRenderer(bool windowed, int width, int height) {
    if (!windowed) EnterFullScreen();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ != nullptr && RendersOnTheCpu(renderer_)) {
        // An "accelerated" renderer on a software OpenGL (a virtual X server,
        // no GPU driver) rasterises the frame's quad on the CPU: some 45% of a
        // core at 60 Hz against about 10% for a plain copy into the window's
        // shared-memory image. Take the plain copy; SDL's framebuffer must
        // then not go through OpenGL either.
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) return false;
    // Centred, letterboxed and scaled to whatever size the window has.
    SDL_RenderSetLogicalSize(renderer_, width, height);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (texture_ == nullptr) {
        DestroyRenderer();
        return false;
    }
    // The frame replaces the screen: its alpha must not blend.
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    textureWidth_ = width;
    textureHeight_ = height;
    pacer_.Start(RefreshIntervalNs());
    return true;
}

std::unique_ptr<Presenter> SdlBackend::CreatePresenter(bool windowed, int width, int height) {
    // One device at a time draws into the window.
    if (window_ == nullptr || renderer_ != nullptr) return nullptr;
    if (!MakeRenderer(windowed, width, height)) return nullptr;
    return std::make_unique<SdlPresenter>(shared_from_this());
}

}  // namespace platform
