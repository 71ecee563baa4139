// Scales the device's frames to the size of their picture in the window, in
// one pass from the frame into the window's own pixels: a copy at 1:1, each
// pixel repeated at whole-number factors, bilinear filtering otherwise.
// Knows nothing of SDL, so tests and benchmarks run it without a display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/pixels.h"

namespace platform {

// The largest rectangle with the frame's aspect ratio that fits the window,
// centred in it (any odd pixel of the bars goes right or below); empty for
// an empty window or frame.
PixelRect FitPicture(int frameWidth, int frameHeight, int windowWidth, int windowHeight);

// Fills every pixel of the window outside the picture with opaque black.
void FillBars(uint32_t* pixels, int width, int height, int pitchPixels, const PixelRect& picture);

// Which inner loops scale: the widest the CPU has (Auto), or one chosen.
// A kernel the CPU lacks falls back to the next narrower one.
enum class ScalerKernel { Auto, Scalar, Sse2, Avx2 };

class FrameScaler {
public:
    enum class Method { None, Copy, Repeat, Bilinear };

    // Prepares the scaling of srcWidth x srcHeight frames to dstWidth x
    // dstHeight; the per-column and per-row tables are made here, once per
    // size, not per frame. Any size, 0 included (nothing to draw then).
    void Configure(int srcWidth, int srcHeight, int dstWidth, int dstHeight, ScalerKernel kernel = ScalerKernel::Auto);

    // Scales one frame into dst, the picture's top-left pixel; rows of both
    // lie their pitch (in pixels) apart. Every picture pixel is written, with
    // the frame's alpha, and nothing outside the picture.
    void Scale(const uint32_t* src, int srcPitchPixels, uint32_t* dst, int dstPitchPixels);

    // The part of the picture that pixels in frameArea (frame pixels) go
    // into: every picture pixel sampling any of them, widened to whole
    // repeated blocks, or to whole groups of eight columns for the wide
    // loops. Empty when none does (or nothing is drawn). Call after Configure.
    PixelRect AreaOf(const PixelRect& frameArea) const;

    // Scales one frame into the part `area` of the picture (picture pixels,
    // clipped to it); dst and the pitches as for Scale. An area from AreaOf
    // is written exactly; any other may be widened as AreaOf widens, never
    // past the picture, and always with the frame's own pixels.
    void ScaleArea(const uint32_t* src, int srcPitchPixels, uint32_t* dst, int dstPitchPixels, const PixelRect& area);

    // How the configured size is scaled.
    Method GetMethod() const { return method_; }
    // The inner loops in use (never Auto once configured).
    ScalerKernel GetKernel() const { return kernel_; }
    int DstWidth() const { return dstWidth_; }
    int DstHeight() const { return dstHeight_; }

private:
    // Picture rows [top, bottom) and columns [left, right), the columns
    // already widened by WidenColumns.
    void ScaleBilinear(const uint32_t* src, int srcPitchPixels, uint32_t* dst, int dstPitchPixels, int left, int right,
                       int top, int bottom);
    // Frame columns [left, right) and rows [top, bottom), each pixel repeated.
    void Repeat(const uint32_t* src, int srcPitchPixels, uint32_t* dst, int dstPitchPixels, int left, int right,
                int top, int bottom) const;
    // Widens picture columns [left, right) to what the column loops in use
    // write: whole groups of eight for the wide ones.
    void WidenColumns(int* left, int* right) const;
    // Source row y filtered horizontally over the picture columns being
    // drawn, from the row slots or made now into slots other than the one
    // holding row keep (-1 for none).
    int16_t* FilteredRow(const uint32_t* src, int srcPitchPixels, int y, int keep);
    // The filtered-row slot's first channel (slots 0 to 3).
    int16_t* Slot(int slot);

    Method method_ = Method::None;
    ScalerKernel kernel_ = ScalerKernel::Scalar;
    bool wideWindows_ = false;  // the AVX2 horizontal loop applies
    int srcWidth_ = 0;
    int srcHeight_ = 0;
    int dstWidth_ = 0;
    int dstHeight_ = 0;
    int factor_ = 0;  // Repeat: each pixel becomes factor_ x factor_

    // Per picture column: left source column and its 7-bit weight of the
    // right one (0 to 128). Per picture row: top source row, bottom source
    // row and the 15-bit weight of the bottom one.
    std::vector<int32_t> columnX_;
    std::vector<int16_t> columnWeight_;
    std::vector<int32_t> rowTop_;
    std::vector<int32_t> rowBottom_;
    std::vector<int16_t> rowWeight_;
    // Per source column and row: the first and one past the last picture
    // column (row) sampling it; first >= end for one that none samples.
    std::vector<int32_t> columnUseBegin_;
    std::vector<int32_t> columnUseEnd_;
    std::vector<int32_t> rowUseBegin_;
    std::vector<int32_t> rowUseEnd_;
    // AVX2: per group of eight columns, the first source column of the
    // eight-pixel window its pixels come from, their offsets in it and
    // their weights (128 - w and w as two bytes), eight of each per group.
    std::vector<int32_t> groupBase_;
    std::vector<int32_t> groupOffset_;
    std::vector<uint16_t> groupWeights_;

    // Horizontally filtered source rows (16 bits a channel) in two pairs of
    // slots, which source row each slot holds (-1 for none), and the pair
    // to fill next.
    std::vector<int16_t> rowStorage_;
    size_t slotStride_ = 0;
    int rowInSlot_[4] = {-1, -1, -1, -1};
    int nextPair_ = 0;
    // The picture columns the current scale draws (FilteredRow fills them).
    int drawLeft_ = 0;
    int drawRight_ = 0;
};

}  // namespace platform
