// An A8R8G8B8 surface whose pixels live in memory: the device's back buffer
// and every off-screen plain surface.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/d3d9.h"
#include "platform/frame_damage.h"
#include "platform/pixel_memory.h"
#include "platform/write_watch.h"

namespace platform {

class SoftwareSurface : public IDirect3DSurface9 {
public:
    // A width x height surface of opaque black; the caller holds the one reference.
    SoftwareSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);

    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    // Fails with D3DERR_INVALIDCALL while already locked or for a rectangle
    // outside the surface; Pitch is in bytes. Does any pending fill first.
    // The locked rectangle counts as written (see Damage); a lock of the
    // whole surface over a laid base finds what was written on unlock
    // (watching which pages get written, where it can; see WriteWatch).
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    // Fails with D3DERR_INVALIDCALL when not locked.
    HRESULT UnlockRect() override;

    // Every pixel is to become color, filled when the pixels are next handed
    // out (Pixels, LockRect) or never, when the next user overwrites them all
    // (PixelsToOverwrite). A later FillLater replaces an earlier one.
    void FillLater(uint32_t color) {
        fillPending_ = true;
        fillColor_ = color;
    }

    // Direct access for the platform and graphics services, no lock needed;
    // any pending fill is done first, so the caller sees the pixels as they
    // are. The caller may write anywhere: the damage forgets its base.
    uint32_t* Pixels() {
        if (fillPending_) DoPendingFill();
        damage_.Forget();
        return pixels_.data();
    }
    const uint32_t* Pixels() const {
        if (fillPending_) DoPendingFill();
        return pixels_.data();
    }
    // The same for a caller that writes only inside [left, right) x [top,
    // bottom): that area is marked in the damage.
    uint32_t* PixelsToWrite(int left, int top, int right, int bottom) {
        if (fillPending_) DoPendingFill();
        damage_.Mark(left, top, right, bottom);
        return pixels_.data();
    }
    // The pixels for a caller that writes every one of them with an opaque
    // value that does not depend on what was there: a pending fill is dropped.
    uint32_t* PixelsToOverwrite() {
        fillPending_ = false;
        damage_.Forget();
        return pixels_.data();
    }
    // Makes every pixel that of content (Width() x Height() pixels, rows
    // pitchPixels apart), the base named key (key.image != 0; the same key
    // must always come with the same pixels). When these pixels were laid
    // on the same base before, only the tiles marked since are copied. A
    // pending fill is dropped. While locked (or for key.image 0) the
    // content is copied whole and no base is known.
    void LayBase(BaseKey key, const uint32_t* content, int pitchPixels);
    // Which tiles may differ from the base laid last (none known after a
    // fill, an unmarked write, or before any base).
    const FrameDamage& Damage() const { return damage_; }
    int Width() const { return static_cast<int>(width_); }
    int Height() const { return static_cast<int>(height_); }
    int PitchPixels() const { return static_cast<int>(width_); }
    bool IsLocked() const { return locked_; }
    // Trades this surface's pixel storage for other's (as many pixels) in
    // constant time: the device's swap of back and front buffer beneath a
    // handle that stays the same. Pointers from Pixels() taken before point
    // into other afterwards. Not while locked. A pending fill is done first:
    // it belongs to the pixels that leave.
    // The damage goes with the pixels: other's is that of other's pixels.
    void ExchangePixels(PixelVector* other, FrameDamage* otherDamage) {
        if (fillPending_) DoPendingFill();
        pixels_.swap(*other);
        std::swap(damage_, *otherDamage);
    }

    // How many pending fills were really done (not dropped) so far.
    uint64_t TEST_FillsDone() const { return fillsDone_; }

private:
    ~SoftwareSurface() override = default;

    void DoPendingFill() const;

    UINT width_;
    UINT height_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    bool locked_ = false;
    // The pending fill belongs to the pixels: every member that hands them
    // out does it first (the const ones too), so no reader can bypass it.
    mutable bool fillPending_ = false;
    uint32_t fillColor_ = 0;
    mutable uint64_t fillsDone_ = 0;
    mutable PixelVector pixels_;
    // What pixels_ hold beyond their base; a fill forgets it.
    mutable FrameDamage damage_;
    // The pixels of the base laid last (either storage may be laid on it
    // again) and their key; a whole-surface lock is checked against them.
    PixelVector base_;
    BaseKey baseKey_;
    // The lock held is of the whole surface, over the base in base_.
    bool wholeLockOverBase_ = false;
    // During such a lock, which pages of pixels_ get written (where that
    // can be watched): only their rows need comparing on unlock. Declared
    // after the pixels, so that it ends before they go.
    WriteWatch watch_;
};

}  // namespace platform
