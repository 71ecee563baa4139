#include "platform/software_surface.h"

#include <algorithm>
#include <bit>

#include "platform/frame_changes.h"

namespace platform {

SoftwareSurface::SoftwareSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool)
    : width_(width),
      height_(height),
      format_(format),
      pool_(pool),
      pixels_(static_cast<size_t>(width) * height, 0xFF000000u) {
    damage_.Resize(static_cast<int>(width), static_cast<int>(height));
}

void SoftwareSurface::DoPendingFill() const {
    std::fill(pixels_.begin(), pixels_.end(), fillColor_);
    fillPending_ = false;
    damage_.Forget();
    ++fillsDone_;
}

void SoftwareSurface::LayBase(BaseKey key, const uint32_t* content, int pitchPixels) {
    if (content == nullptr || pitchPixels < static_cast<int>(width_)) return;
    fillPending_ = false;
    const size_t width = width_;
    const auto copyRows = [&](uint32_t* to, const uint32_t* from, size_t fromPitch, size_t x, size_t n, int top,
                              int bottom) {
        for (int y = top; y < bottom; ++y) {
            std::copy_n(from + static_cast<size_t>(y) * fromPitch + x, n, to + static_cast<size_t>(y) * width + x);
        }
    };
    const int height = static_cast<int>(height_);
    if (locked_ || key.image == 0) {
        // Whoever holds the lock may write anywhere still: a plain copy.
        copyRows(pixels_.data(), content, static_cast<size_t>(pitchPixels), 0, width, 0, height);
        damage_.Forget();
        return;
    }
    if (!(baseKey_ == key)) {
        // A new base: kept for the next lays and for checking whole locks.
        base_.resize(width * height_);
        copyRows(base_.data(), content, static_cast<size_t>(pitchPixels), 0, width, 0, height);
        baseKey_ = key;
    }
    if (damage_.HasBase() && damage_.Base() == key) {
        // Only the marked tiles can differ from the base.
        const int tileWidth = damage_.TileWidth();
        const std::vector<uint64_t>& bands = damage_.Bands();
        for (size_t band = 0; band < bands.size(); ++band) {
            const int top = static_cast<int>(band) * FrameChanges::kBandRows;
            const int bottom = std::min(top + FrameChanges::kBandRows, height);
            for (uint64_t marked = bands[band]; marked != 0;) {
                // A run of marked tiles is one copy per row.
                const int first = std::countr_zero(marked);
                const int end = first + std::countr_one(marked >> first);
                marked = end >= 64 ? 0 : marked & ~((uint64_t{1} << end) - 1);
                const size_t x = static_cast<size_t>(first) * tileWidth;
                const size_t n = std::min(static_cast<size_t>(end) * tileWidth, width) - x;
                copyRows(pixels_.data(), base_.data(), width, x, n, top, bottom);
            }
        }
    } else {
        copyRows(pixels_.data(), base_.data(), width, 0, width, 0, height);
    }
    damage_.LayBase(key);
}

HRESULT SoftwareSurface::GetDesc(D3DSURFACE_DESC* desc) {
    if (desc == nullptr) return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = 0;
    desc->Pool = pool_;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = width_;
    desc->Height = height_;
    return D3D_OK;
}

HRESULT SoftwareSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD /*flags*/) {
    if (locked == nullptr || locked_) return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (rect != nullptr) {
        // An inverted or out-of-bounds rectangle would hand out a pointer
        // outside the pixels; refuse it as Direct3D does.
        if (rect->left < 0 || rect->top < 0 || rect->left > rect->right || rect->top > rect->bottom ||
            rect->right > static_cast<LONG>(width_) || rect->bottom > static_cast<LONG>(height_)) {
            return D3DERR_INVALIDCALL;
        }
        offset = static_cast<size_t>(rect->top) * width_ + static_cast<size_t>(rect->left);
    }
    uint32_t* pixels = nullptr;
    wholeLockOverBase_ = false;
    if (rect != nullptr) {
        pixels = PixelsToWrite(rect->left, rect->top, rect->right, rect->bottom);
    } else {
        // Whoever locks the whole surface may write anywhere: on unlock the
        // tiles not marked yet are compared with the base (the health bar
        // writes a few rows of a frame that is otherwise the background).
        pixels = PixelsToWrite(0, 0, 0, 0);
        wholeLockOverBase_ = damage_.HasBase() && damage_.Base() == baseKey_;
        if (!wholeLockOverBase_) damage_.Forget();
        // Reading the whole frame and the base again on unlock costs more
        // than the few page faults of the rows really written.
        if (wholeLockOverBase_) watch_.Start(pixels_.data(), pixels_.size() * sizeof(uint32_t));
    }
    locked->Pitch = static_cast<INT>(width_ * sizeof(uint32_t));
    locked->pBits = pixels + offset;
    locked_ = true;
    return D3D_OK;
}

HRESULT SoftwareSurface::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (wholeLockOverBase_) {
        wholeLockOverBase_ = false;
        const bool watched = watch_.Watching();
        const std::vector<WriteWatch::Span>& written = watch_.Stop();
        // Unless something else forgot the base meanwhile.
        if (damage_.HasBase() && damage_.Base() == baseKey_) {
            const int pitch = static_cast<int>(width_);
            if (!watched) {
                damage_.MarkDifferences(pixels_.data(), base_.data(), pitch);
            } else {
                // Pages left unwritten hold what they held at the lock.
                const size_t rowBytes = width_ * sizeof(uint32_t);
                for (const WriteWatch::Span& span : written) {
                    const int top = static_cast<int>(span.offset / rowBytes);
                    const int bottom = static_cast<int>((span.offset + span.bytes + rowBytes - 1) / rowBytes);
                    damage_.MarkDifferences(pixels_.data(), base_.data(), pitch, top, bottom);
                }
            }
        }
    }
    return D3D_OK;
}

}  // namespace platform
