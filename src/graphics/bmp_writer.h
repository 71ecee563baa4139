// Windows bitmap files of 32-bit pixels, for the screenshots: a 14-byte
// file header, a 40-byte BITMAPINFOHEADER and uncompressed bottom-up rows
// of B, G, R, A bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Largest width or height written; keeps every size field within 32 bits.
constexpr int kBmpMaxSide = 16384;
// Offset of the first pixel byte: both headers.
constexpr size_t kBmpHeaderSize = 54;

// The file size of a width x height bitmap; 0 when either side is not in
// 1..kBmpMaxSide.
size_t BmpFileSize(int width, int height);

// Fills out (BmpFileSize(width, height) bytes, owned by the caller) with the
// bitmap of width x height ARGB pixels whose rows lie pitchPixels apart,
// row 0 at the top. Returns false, writing nothing, for an invalid size.
bool EncodeBmp(const uint32_t* argb, int pitchPixels, int width, int height, uint8_t* out);

// Writes size bytes to path through a temporary file in the same directory
// renamed over the target, so an existing file is replaced whole or not at
// all. False when the directory is missing or any step fails; then no
// temporary file is left behind.
bool WriteFileReplacing(const char* path, const void* data, size_t size);
