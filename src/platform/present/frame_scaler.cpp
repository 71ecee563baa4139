#include "platform/present/frame_scaler.h"

#include <algorithm>
#include <cstring>

#include "platform/present/frame_scaler_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

namespace kernels = scaler_kernels;

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

bool CpuHasAvx2() {
#if defined(V3_HAVE_AVX2_SCALER)
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

bool HaveSse2() {
#if defined(__SSE2__)
    return true;
#else
    return false;
#endif
}

ScalerKernel Resolve(ScalerKernel wanted) {
    if (wanted == ScalerKernel::Auto || wanted == ScalerKernel::Avx2) {
        if (CpuHasAvx2()) return ScalerKernel::Avx2;
        wanted = ScalerKernel::Sse2;
    }
    if (wanted == ScalerKernel::Sse2 && !HaveSse2()) return ScalerKernel::Scalar;
    return wanted;
}

// Where picture pixel i (of dst) samples the source (of src pixels): its
// centre mapped onto the source, clamped to the outer pixel centres, as a
// first pixel and the weight of the next one in fixed point of `one`. The
// first pixel is at most src - 2, so the next one always exists.
void Sample(int i, int src, int dst, int one, int32_t* first, int32_t* weight) {
    // (i + 1/2) * src / dst - 1/2, as a fraction over 2 * dst.
    const int64_t numerator = (2 * int64_t{i} + 1) * src - dst;
    const int64_t denominator = 2 * int64_t{dst};
    if (numerator <= 0) {
        *first = 0;
        *weight = 0;
        return;
    }
    int64_t whole = numerator / denominator;
    int64_t rest = numerator % denominator;
    if (whole >= src - 1) {
        whole = src - 2;
        rest = denominator;
    }
    int64_t w = (rest * one + denominator / 2) / denominator;
    *first = static_cast<int32_t>(whole);
    *weight = static_cast<int32_t>(w);
}

}  // namespace

PixelRect FitPicture(int frameWidth, int frameHeight, int windowWidth, int windowHeight) {
    PixelRect rect;
    if (frameWidth <= 0 || frameHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return rect;
    const int64_t fw = frameWidth, fh = frameHeight, ww = windowWidth, wh = windowHeight;
    if (ww * fh <= wh * fw) {
        // The window is narrower than the frame: full width, bars above and below.
        rect.width = windowWidth;
        rect.height = static_cast<int>(std::min<int64_t>((2 * ww * fh + fw) / (2 * fw), wh));
    } else {
        rect.height = windowHeight;
        rect.width = static_cast<int>(std::min<int64_t>((2 * wh * fw + fh) / (2 * fh), ww));
    }
    rect.width = std::max(rect.width, 1);
    rect.height = std::max(rect.height, 1);
    rect.x = (windowWidth - rect.width) / 2;
    rect.y = (windowHeight - rect.height) / 2;
    return rect;
}

void FillBars(uint32_t* pixels, int width, int height, int pitchPixels, const PixelRect& picture) {
    if (pixels == nullptr || width <= 0 || height <= 0) return;
    const int left = std::clamp(picture.x, 0, width);
    const int right = std::clamp(picture.x + picture.width, left, width);
    const int top = std::clamp(picture.y, 0, height);
    const int bottom = std::clamp(picture.y + picture.height, top, height);
    for (int y = 0; y < height; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * pitchPixels;
        if (y < top || y >= bottom || left == right) {
            std::fill_n(row, width, kBlack);
        } else {
            std::fill(row, row + left, kBlack);
            std::fill(row + right, row + width, kBlack);
        }
    }
}

void FrameScaler::Configure(int srcWidth, int srcHeight, int dstWidth, int dstHeight, ScalerKernel kernel) {
    kernel_ = Resolve(kernel);
    srcWidth_ = std::max(srcWidth, 0);
    srcHeight_ = std::max(srcHeight, 0);
    dstWidth_ = std::max(dstWidth, 0);
    dstHeight_ = std::max(dstHeight, 0);
    factor_ = 0;
    wideWindows_ = false;
    std::fill(std::begin(rowInSlot_), std::end(rowInSlot_), -1);
    method_ = Method::None;
    if (srcWidth_ == 0 || srcHeight_ == 0 || dstWidth_ == 0 || dstHeight_ == 0) return;

    if (srcWidth_ == dstWidth_ && srcHeight_ == dstHeight_) {
        method_ = Method::Copy;
        return;
    }
    // At whole-number factors every frame pixel becomes a square block of
    // the picture: as sharp as the frame itself, and only copies.
    if (dstWidth_ % srcWidth_ == 0 && dstHeight_ % srcHeight_ == 0 &&
        dstWidth_ / srcWidth_ == dstHeight_ / srcHeight_) {
        method_ = Method::Repeat;
        factor_ = dstWidth_ / srcWidth_;
        return;
    }
    // Filtering needs a right and a lower neighbour for every sample.
    if (srcWidth_ < 2 || srcHeight_ < 2) return;
    method_ = Method::Bilinear;

    columnX_.resize(dstWidth_);
    columnWeight_.resize(dstWidth_);
    for (int x = 0; x < dstWidth_; ++x) {
        int32_t first = 0, weight = 0;
        Sample(x, srcWidth_, dstWidth_, 128, &first, &weight);
        columnX_[x] = first;
        columnWeight_[x] = static_cast<int16_t>(weight);
    }
    rowTop_.resize(dstHeight_);
    rowBottom_.resize(dstHeight_);
    rowWeight_.resize(dstHeight_);
    for (int y = 0; y < dstHeight_; ++y) {
        int32_t first = 0, weight = 0;
        Sample(y, srcHeight_, dstHeight_, 32768, &first, &weight);
        // 1.0 does not fit the 15-bit weight: take the lower row itself.
        if (weight >= 32768) {
            first += 1;
            weight = 0;
        }
        rowTop_[y] = first;
        rowBottom_[y] = std::min(first + 1, srcHeight_ - 1);
        rowWeight_[y] = static_cast<int16_t>(weight);
    }
    // Which picture columns and rows each source column and row goes into;
    // a neighbour of weight 0 is not read.
    auto uses = [](int source, int at, std::vector<int32_t>* begin, std::vector<int32_t>* end) {
        (*begin)[source] = std::min((*begin)[source], at);
        (*end)[source] = std::max((*end)[source], at + 1);
    };
    columnUseBegin_.assign(srcWidth_, dstWidth_);
    columnUseEnd_.assign(srcWidth_, 0);
    for (int x = 0; x < dstWidth_; ++x) {
        uses(columnX_[x], x, &columnUseBegin_, &columnUseEnd_);
        if (columnWeight_[x] != 0) uses(columnX_[x] + 1, x, &columnUseBegin_, &columnUseEnd_);
    }
    rowUseBegin_.assign(srcHeight_, dstHeight_);
    rowUseEnd_.assign(srcHeight_, 0);
    for (int y = 0; y < dstHeight_; ++y) {
        uses(rowTop_[y], y, &rowUseBegin_, &rowUseEnd_);
        if (rowWeight_[y] != 0) uses(rowBottom_[y], y, &rowUseBegin_, &rowUseEnd_);
    }

    const int groups = (dstWidth_ + 7) / 8;
    if (kernel_ == ScalerKernel::Avx2 && dstWidth_ >= 8 && srcWidth_ >= 8) {
        // The AVX2 loop picks each group's sixteen source pixels (left and
        // right of eight columns) out of one load of eight. That holds when
        // the picture is at least about 7/6 of the frame's width.
        groupBase_.resize(groups);
        groupOffset_.resize(static_cast<size_t>(groups) * 8);
        groupWeights_.resize(static_cast<size_t>(groups) * 8);
        wideWindows_ = true;
        for (int g = 0; g < groups && wideWindows_; ++g) {
            const int start = std::min(8 * g, dstWidth_ - 8);
            const int base = std::min(columnX_[start], srcWidth_ - 8);
            groupBase_[g] = base;
            for (int j = 0; j < 8; ++j) {
                const int x = start + j;
                groupOffset_[8 * g + j] = columnX_[x] - base;
                groupWeights_[8 * g + j] = static_cast<uint16_t>((128 - columnWeight_[x]) | (columnWeight_[x] << 8));
            }
            if (columnX_[start + 7] + 1 - base > 7) wideWindows_ = false;
        }
    }
    const size_t channels = std::max<size_t>(size_t{4} * dstWidth_, size_t{32} * groups);
    // Each slot starts on a 64-byte cache line, so that no 32-byte load or
    // store of the wide loops straddles two lines.
    constexpr size_t kLine = 64 / sizeof(int16_t);
    slotStride_ = (channels + kLine - 1) / kLine * kLine;
    rowStorage_.assign(4 * slotStride_ + kLine, 0);
}

void FrameScaler::Scale(const uint32_t* src, int srcPitchPixels, uint32_t* dst, int dstPitchPixels) {
    ScaleArea(src, srcPitchPixels, dst, dstPitchPixels, {0, 0, dstWidth_, dstHeight_});
}

namespace {

// [begin, end) of the span at `at`, `length` long, within [0, limit).
void Clip(int at, int length, int limit, int* begin, int* end) {
    const int64_t first = std::clamp<int64_t>(at, 0, limit);
    *begin = static_cast<int>(first);
    *end = static_cast<int>(std::clamp<int64_t>(int64_t{at} + std::max(length, 0), first, limit));
}

}  // namespace

void FrameScaler::WidenColumns(int* left, int* right) const {
    if (!wideWindows_) return;
    // Groups start every eight columns; the last one may overlap the one
    // before it, so an area at the right edge takes both.
    *left = *left / 8 * 8;
    *right = std::min((*right + 7) / 8 * 8, dstWidth_);
    if (*right - *left < 8) *left = (*right - 8) / 8 * 8;
}

PixelRect FrameScaler::AreaOf(const PixelRect& frameArea) const {
    int left = 0, right = 0, top = 0, bottom = 0;
    Clip(frameArea.x, frameArea.width, srcWidth_, &left, &right);
    Clip(frameArea.y, frameArea.height, srcHeight_, &top, &bottom);
    if (left == right || top == bottom) return {};
    switch (method_) {
        case Method::None: return {};
        case Method::Copy: return {left, top, right - left, bottom - top};
        case Method::Repeat: return {left * factor_, top * factor_, (right - left) * factor_, (bottom - top) * factor_};
        case Method::Bilinear: break;
    }
    int x0 = dstWidth_, x1 = 0, y0 = dstHeight_, y1 = 0;
    for (int c = left; c < right; ++c) {
        x0 = std::min(x0, columnUseBegin_[c]);
        x1 = std::max(x1, columnUseEnd_[c]);
    }
    for (int r = top; r < bottom; ++r) {
        y0 = std::min(y0, rowUseBegin_[r]);
        y1 = std::max(y1, rowUseEnd_[r]);
    }
    // A picture smaller than the frame skips some source pixels.
    if (x0 >= x1 || y0 >= y1) return {};
    WidenColumns(&x0, &x1);
    return {x0, y0, x1 - x0, y1 - y0};
}

void FrameScaler::ScaleArea(const uint32_t* src, int srcPitchPixels, uint32_t* dst, int dstPitchPixels,
                            const PixelRect& area) {
    if (src == nullptr || dst == nullptr) return;
    int left = 0, right = 0, top = 0, bottom = 0;
    Clip(area.x, area.width, dstWidth_, &left, &right);
    Clip(area.y, area.height, dstHeight_, &top, &bottom);
    if (left == right || top == bottom) return;
    switch (method_) {
        case Method::None: return;
        case Method::Copy:
            for (int y = top; y < bottom; ++y) {
                std::memcpy(dst + static_cast<size_t>(y) * dstPitchPixels + left,
                            src + static_cast<size_t>(y) * srcPitchPixels + left,
                            static_cast<size_t>(right - left) * sizeof(uint32_t));
            }
            return;
        case Method::Repeat:
            // Whole blocks: the frame pixels that the area's picture pixels repeat.
            Repeat(src, srcPitchPixels, dst, dstPitchPixels, left / factor_, (right + factor_ - 1) / factor_,
                   top / factor_, (bottom + factor_ - 1) / factor_);
            return;
        case Method::Bilinear:
            WidenColumns(&left, &right);
            ScaleBilinear(src, srcPitchPixels, dst, dstPitchPixels, left, right, top, bottom);
            return;
    }
}

void FrameScaler::Repeat(const uint32_t* src, int srcPitchPixels, uint32_t* dst, int dstPitchPixels, int left,
                         int right, int top, int bottom) const {
    const size_t rowBytes = static_cast<size_t>(right - left) * factor_ * sizeof(uint32_t);
    for (int y = top; y < bottom; ++y) {
        uint32_t* first = dst + static_cast<size_t>(y) * factor_ * dstPitchPixels + static_cast<size_t>(left) * factor_;
        kernels::RepeatRow(src + static_cast<size_t>(y) * srcPitchPixels + left, right - left, factor_, first);
        for (int k = 1; k < factor_; ++k) std::memcpy(first + static_cast<size_t>(k) * dstPitchPixels, first, rowBytes);
    }
}

int16_t* FrameScaler::Slot(int slot) {
    // Worked out from the storage's address each time, so that a copied
    // scaler finds its own slots, on its own lines.
    const uintptr_t address = reinterpret_cast<uintptr_t>(rowStorage_.data());
    int16_t* first = rowStorage_.data() + ((64 - address % 64) % 64) / sizeof(int16_t);
    return first + static_cast<size_t>(slot) * slotStride_;
}

int16_t* FrameScaler::FilteredRow(const uint32_t* src, int srcPitchPixels, int y, int keep) {
    for (int slot = 0; slot < 4; ++slot) {
        if (rowInSlot_[slot] == y) return Slot(slot);
    }
    // Slots go in pairs, filled together with a row and the one below it
    // (the next one asked for, as rows are asked for top to bottom). The
    // pair to refill is the one without the row still needed, else the
    // one filled longer ago.
    const bool keepInFirst = keep >= 0 && (rowInSlot_[0] == keep || rowInSlot_[1] == keep);
    const bool keepInSecond = keep >= 0 && (rowInSlot_[2] == keep || rowInSlot_[3] == keep);
    int pair = nextPair_;
    if (keepInFirst) pair = 1;
    if (keepInSecond) pair = 0;
    nextPair_ = 1 - pair;
    const int slot = 2 * pair;
    int16_t* out = Slot(slot);
    const uint32_t* row = src + static_cast<size_t>(y) * srcPitchPixels;
    rowInSlot_[slot] = y;
    rowInSlot_[slot + 1] = -1;
    // Only the columns being drawn; both layouts keep column x's channels
    // from 4 * x on (the wide one in groups of eight).
    const int left = drawLeft_;
    const int columns = drawRight_ - drawLeft_;
#if defined(V3_HAVE_AVX2_SCALER)
    if (wideWindows_) {
        // Both rows share the loop's tables and weights.
        const bool below = y + 1 < srcHeight_;
        const int group = left / 8;
        kernels::FilterRowsAvx2(row, below ? row + srcPitchPixels : nullptr, columns, groupBase_.data() + group,
                                groupOffset_.data() + 8 * group, groupWeights_.data() + 8 * group, out + 4 * left,
                                Slot(slot + 1) + 4 * left);
        if (below) rowInSlot_[slot + 1] = y + 1;
        return out;
    }
#endif
    if (kernel_ == ScalerKernel::Scalar) {
        kernels::FilterRowScalar(row, columns, columnX_.data() + left, columnWeight_.data() + left, out + 4 * left);
    } else {
        kernels::FilterRowSse2(row, columns, columnX_.data() + left, columnWeight_.data() + left, out + 4 * left);
    }
    return out;
}

void FrameScaler::ScaleBilinear(const uint32_t* src, int srcPitchPixels, uint32_t* dst, int dstPitchPixels, int left,
                                int right, int top, int bottom) {
    // A new frame (or another part of it): nothing filtered is kept.
    std::fill(std::begin(rowInSlot_), std::end(rowInSlot_), -1);
    nextPair_ = 0;
    drawLeft_ = left;
    drawRight_ = right;
    const int columns = right - left;
    for (int y = top; y < bottom; ++y) {
        const int16_t* upper = FilteredRow(src, srcPitchPixels, rowTop_[y], -1) + 4 * left;
        // A weight of 0 takes the top row alone; its lower row is not needed.
        const int16_t* lower =
            rowWeight_[y] == 0 ? upper : FilteredRow(src, srcPitchPixels, rowBottom_[y], rowTop_[y]) + 4 * left;
        uint32_t* out = dst + static_cast<size_t>(y) * dstPitchPixels + left;
#if defined(V3_HAVE_AVX2_SCALER)
        if (wideWindows_) {
            // Picture rows between the same two source rows go together.
            int rows = 1;
            while (rows < kernels::kMaxBlendRows && y + rows < bottom && rowTop_[y + rows] == rowTop_[y] &&
                   rowWeight_[y + rows] != 0 && rowWeight_[y] != 0) {
                ++rows;
            }
            kernels::BlendRowsAvx2(upper, lower, &rowWeight_[y], rows, columns, out, dstPitchPixels);
            y += rows - 1;
            continue;
        }
#endif
        if (kernel_ == ScalerKernel::Scalar) {
            kernels::BlendRowsScalar(upper, lower, rowWeight_[y], columns, out);
        } else {
            kernels::BlendRowsSse2(upper, lower, rowWeight_[y], columns, out);
        }
    }
#if defined(V3_HAVE_AVX2_SCALER)
    if (wideWindows_) kernels::FinishStreaming();
#endif
}

namespace scaler_kernels {

void FilterRowScalar(const uint32_t* row, int width, const int32_t* columnX, const int16_t* columnWeight,
                     int16_t* out) {
    for (int x = 0; x < width; ++x) {
        const uint32_t left = row[columnX[x]];
        const uint32_t right = row[columnX[x] + 1];
        const int w = columnWeight[x];
        for (int c = 0; c < 4; ++c) {
            const int a = static_cast<int>((left >> (8 * c)) & 0xFF);
            const int b = static_cast<int>((right >> (8 * c)) & 0xFF);
            out[4 * x + c] = static_cast<int16_t>((a << 7) + (b - a) * w + 64);
        }
    }
}

void BlendRowsScalar(const int16_t* top, const int16_t* bottom, int16_t weight, int width, uint32_t* out) {
    for (int x = 0; x < width; ++x) {
        uint32_t pixel = 0;
        for (int c = 0; c < 4; ++c) {
            const int a = top[4 * x + c];
            const int d = bottom[4 * x + c] - a;
            const int v = (a + ((d * weight + 16384) >> 15)) >> 7;
            pixel |= static_cast<uint32_t>(std::clamp(v, 0, 255)) << (8 * c);
        }
        out[x] = pixel;
    }
}

#if defined(__SSE2__)

namespace {

// Filters columns x and x + 1 into 8 channels.
inline __m128i FilterPair(const uint32_t* row, const int32_t* columnX, const int16_t* columnWeight, int x) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + columnX[x]));
    const __m128i second = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + columnX[x + 1]));
    // Left pixels of both columns, then right pixels of both.
    const __m128i both = _mm_unpacklo_epi32(first, second);
    const __m128i left = _mm_unpacklo_epi8(both, zero);
    const __m128i right = _mm_unpackhi_epi8(both, zero);
    const uint32_t w =
        static_cast<uint16_t>(columnWeight[x]) | (uint32_t{static_cast<uint16_t>(columnWeight[x + 1])} << 16);
    __m128i weights = _mm_cvtsi32_si128(static_cast<int>(w));
    weights = _mm_unpacklo_epi16(weights, weights);
    weights = _mm_unpacklo_epi32(weights, weights);
    const __m128i scaled = _mm_add_epi16(_mm_slli_epi16(left, 7), _mm_set1_epi16(64));
    return _mm_add_epi16(scaled, _mm_mullo_epi16(_mm_sub_epi16(right, left), weights));
}

inline __m128i Blend(const int16_t* top, const int16_t* bottom, __m128i weight) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom));
    const __m128i d = _mm_sub_epi16(b, a);
    // (d * v + 2^14) >> 15 from the product's two halves, as the AVX2 loop's
    // rounding multiply gives it: twice the high half, plus 0, 1 or 2 from
    // the top two bits of the low half (rounded).
    const __m128i high = _mm_slli_epi16(_mm_mulhi_epi16(d, weight), 1);
    const __m128i lowBits = _mm_srli_epi16(_mm_mullo_epi16(d, weight), 14);
    const __m128i m = _mm_add_epi16(high, _mm_srli_epi16(_mm_add_epi16(lowBits, _mm_set1_epi16(1)), 1));
    return _mm_srai_epi16(_mm_add_epi16(a, m), 7);
}

}  // namespace

void FilterRowSse2(const uint32_t* row, int width, const int32_t* columnX, const int16_t* columnWeight, int16_t* out) {
    if (width < 2) {
        FilterRowScalar(row, width, columnX, columnWeight, out);
        return;
    }
    for (int x = 0; x < width; x += 2) {
        // An odd width ends with a pair that overlaps the one before.
        const int at = std::min(x, width - 2);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * at), FilterPair(row, columnX, columnWeight, at));
    }
}

void BlendRowsSse2(const int16_t* top, const int16_t* bottom, int16_t weight, int width, uint32_t* out) {
    if (width < 4) {
        BlendRowsScalar(top, bottom, weight, width, out);
        return;
    }
    const __m128i w = _mm_set1_epi16(weight);
    for (int x = 0; x < width; x += 4) {
        const int at = std::min(x, width - 4);
        const __m128i lo = Blend(top + 4 * at, bottom + 4 * at, w);
        const __m128i hi = Blend(top + 4 * at + 8, bottom + 4 * at + 8, w);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(lo, hi));
    }
}

void RepeatRow(const uint32_t* row, int srcWidth, int factor, uint32_t* out) {
    int x = 0;
    if (factor == 2) {
        for (; x + 4 <= srcWidth; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x), _mm_unpacklo_epi32(p, p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x + 4), _mm_unpackhi_epi32(p, p));
        }
    }
    for (; x < srcWidth; ++x) std::fill_n(out + static_cast<size_t>(x) * factor, factor, row[x]);
}

#else  // no SSE2: the plain loops stand in

void FilterRowSse2(const uint32_t* row, int width, const int32_t* columnX, const int16_t* columnWeight, int16_t* out) {
    FilterRowScalar(row, width, columnX, columnWeight, out);
}

void BlendRowsSse2(const int16_t* top, const int16_t* bottom, int16_t weight, int width, uint32_t* out) {
    BlendRowsScalar(top, bottom, weight, width, out);
}

void RepeatRow(const uint32_t* row, int srcWidth, int factor, uint32_t* out) {
    for (int x = 0; x < srcWidth; ++x) std::fill_n(out + static_cast<size_t>(x) * factor, factor, row[x]);
}

#endif

}  // namespace scaler_kernels

}  // namespace platform
