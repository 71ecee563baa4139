#include "platform/sdl/sdl_backend_impl.h"

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
    if (surface_.active) {
        PresentIntoSurface(pixels, width, height, pitchPixels);
        return;
    }
    if (window_ == nullptr || renderer_ == nullptr || texture_ == nullptr) return;
    if (width != textureWidth_ || height != textureHeight_) return;
    // Straight from the presented buffer into the texture: no copy of ours.
    SDL_UpdateTexture(texture_, nullptr, pixels, pitchPixels * static_cast<int>(sizeof(uint32_t)));
    // The letterbox bars around the scaled frame stay black.
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    pacer_.Pace();
}

int SdlBackend::WatchWindow(void* backend, SDL_Event* event) {
    auto* self = static_cast<SdlBackend*>(backend);
    if (event->type != SDL_WINDOWEVENT || self->window_ == nullptr ||
        event->window.windowID != SDL_GetWindowID(self->window_)) {
        return 0;
    }
    switch (event->window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_DISPLAY_CHANGED: self->surface_.stale = true; break;
        default: break;
    }
    return 0;
}

bool SdlBackend::StartSurfacePresentation(int width, int height) {
    // SDL's window surface must be the window system's own shared image,
    // not a texture of some renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_GetWindowSurface(window_) == nullptr) return false;
    surface_.active = true;
    surface_.stale = true;
    surface_.surface = nullptr;
    textureWidth_ = width;
    textureHeight_ = height;
    SDL_AddEventWatch(&SdlBackend::WatchWindow, this);
    pacer_.Start(RefreshIntervalNs());
    return true;
}

void SdlBackend::PresentIntoSurface(const uint32_t* pixels, int width, int height, int pitchPixels) {
    if (window_ == nullptr || width != textureWidth_ || height != textureHeight_) return;
    // A surface SDL has invalidated (the window's size changed) is made
    // anew here; any change means a new layout, bars and a full update.
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr) {
        pacer_.Pace();
        return;
    }
    SurfacePresentation& s = surface_;
    const bool relayout = s.stale || surface != s.surface || surface->w != s.width || surface->h != s.height ||
                          surface->pixels != s.pixels;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        pacer_.Pace();
        return;
    }
    if (relayout) {
        s.stale = false;
        s.surface = surface;
        s.width = surface->w;
        s.height = surface->h;
        s.pixels = surface->pixels;
        const SDL_PixelFormat* format = surface->format;
        // 32-bit pixels with red, green and blue where the frame has them
        // take the picture directly; any other surface gets it converted.
        s.direct = format->BytesPerPixel == 4 && format->Rmask == 0xFF0000u && format->Gmask == 0xFF00u &&
                   format->Bmask == 0xFFu && surface->pitch % 4 == 0;
        s.picture = FitPicture(width, height, surface->w, surface->h);
        s.updater.Configure(width, height, s.picture.width, s.picture.height);
        if (s.direct) {
            FillBars(static_cast<uint32_t*>(surface->pixels), surface->w, surface->h, surface->pitch / 4, s.picture);
            s.staging.clear();
        } else {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
            s.staging.resize(static_cast<size_t>(s.picture.width) * s.picture.height);
        }
        // A new display may run at another rate.
        pacer_.Start(RefreshIntervalNs());
    }
    // Only the parts of the picture whose frame pixels changed are drawn
    // again: the background stands still behind the sprites.
    const PixelRect& p = s.picture;
    s.updates.clear();
    if (p.width > 0 && p.height > 0) {
        const std::vector<PixelRect>* written = nullptr;
        if (s.direct) {
            const int pitch = surface->pitch / 4;
            uint32_t* origin = static_cast<uint32_t*>(surface->pixels) + static_cast<size_t>(p.y) * pitch + p.x;
            written = &s.updater.Update(pixels, pitchPixels, origin, pitch);
        } else {
            written = &s.updater.Update(pixels, pitchPixels, s.staging.data(), p.width);
        }
        for (const PixelRect& area : *written) {
            if (!s.direct) {
                const int bytes = surface->format->BytesPerPixel;
                auto* origin = static_cast<uint8_t*>(surface->pixels) +
                               static_cast<size_t>(p.y + area.y) * surface->pitch +
                               static_cast<size_t>(p.x + area.x) * bytes;
                SDL_ConvertPixels(area.width, area.height, SDL_PIXELFORMAT_ARGB8888,
                                  s.staging.data() + static_cast<size_t>(area.y) * p.width + area.x, p.width * 4,
                                  surface->format->format, origin, surface->pitch);
            }
            s.updates.push_back({p.x + area.x, p.y + area.y, area.width, area.height});
        }
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    // The bars go out with the whole surface after a new layout (or an
    // expose); otherwise only what was drawn, nothing when the frame is
    // the last one again.
    if (relayout) {
        SDL_UpdateWindowSurface(window_);
    } else if (!s.updates.empty()) {
        SDL_UpdateWindowSurfaceRects(window_, s.updates.data(), static_cast<int>(s.updates.size()));
    }
    pacer_.Pace();
}

void SdlBackend::DestroyRenderer() {
    if (surface_.active) {
        SDL_DelEventWatch(&SdlBackend::WatchWindow, this);
        surface_.active = false;
        surface_.surface = nullptr;
        surface_.pixels = nullptr;
    }
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
        // shared-memory image. Take the window's image instead.
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
    }
    // No renderer on a GPU: the frame goes into the window's own surface,
    // scaled by us in one pass (the only copy of it we make).
    if (renderer_ == nullptr) return StartSurfacePresentation(width, height);
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
    if (window_ == nullptr || renderer_ != nullptr || surface_.active) return nullptr;
    if (!MakeRenderer(windowed, width, height)) return nullptr;
    return std::make_unique<SdlPresenter>(shared_from_this());
}

}  // namespace platform
