// Inner loops of the frame scaler, shared by its baseline file and its AVX2
// file. The bilinear filter runs in two passes: a source row is filtered
// horizontally into 16-bit channels (each source row once per frame), then
// two such rows are blended into each picture row.
//
// Fixed point: a filtered channel is left * (128 - w) + right * w + 64, w
// the 7-bit weight of the right pixel (0 to 128): at most 32704, so the
// difference of two fits 16 signed bits. Blending adds (d * v + 2^14) >> 15
// (one rounding multiply in AVX2) for d the difference and v the 15-bit
// weight of the lower row, then drops the 7 bits (the 64 rounds). Every kernel gives exactly the same pixels.
#pragma once

#include <cstdint>

namespace platform::scaler_kernels {

// Plain layout: four channels (blue, green, red, alpha) per picture column,
// in column order.
void FilterRowScalar(const uint32_t* row, int width, const int32_t* columnX, const int16_t* columnWeight, int16_t* out);
void BlendRowsScalar(const int16_t* top, const int16_t* bottom, int16_t weight, int width, uint32_t* out);
void FilterRowSse2(const uint32_t* row, int width, const int32_t* columnX, const int16_t* columnWeight, int16_t* out);
void BlendRowsSse2(const int16_t* top, const int16_t* bottom, int16_t weight, int width, uint32_t* out);

// Each pixel of a row repeated factor times (factor >= 1).
void RepeatRow(const uint32_t* row, int srcWidth, int factor, uint32_t* out);

#if defined(V3_HAVE_AVX2_SCALER)
// The AVX2 layout: groups of eight picture columns, group g starting at
// column min(8g, width - 8) (the last group overlaps the one before it when
// the width is not a multiple of 8), 32 channels each, in the order of the
// 256-bit unpack: columns 0, 1, 4, 5, then 2, 3, 6, 7. Needs width >= 8 and
// every group's source pixels within the eight starting at groupBase[g].
// Filters row into out and, unless it is null, second into secondOut.
// groupWeights holds, eight per group in column order, each column's
// weights of its left and right pixel as two bytes: 128 - w, then w.
void FilterRowsAvx2(const uint32_t* row, const uint32_t* second, int width, const int32_t* groupBase,
                    const int32_t* groupOffset, const uint16_t* groupWeights, int16_t* out, int16_t* secondOut);
// Blends `rows` picture rows (at most kMaxBlendRows), pitchPixels apart,
// from the same two filtered rows, with a weight each. Aligned rows are
// written with streaming stores: FinishStreaming must follow the last
// before the picture is shown.
constexpr int kMaxBlendRows = 4;
void BlendRowsAvx2(const int16_t* top, const int16_t* bottom, const int16_t* weights, int rows, int width,
                   uint32_t* out, int pitchPixels);
void FinishStreaming();
#endif

}  // namespace platform::scaler_kernels
