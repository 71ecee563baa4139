#include "png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace artgen {

namespace {

// libpng reports errors through longjmp; the message is kept here so that
// the caller gets it as a plain string.
void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error != nullptr) *error = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Everything libpng may longjmp out of happens here, with no object that
// needs a destructor and no local that changes after setjmp.
bool Encode(png_structp png, png_infop info, std::FILE* file, png_uint_32 width, png_uint_32 height, int colorType,
            png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const Canvas& canvas, bool opaque, std::string* error) {
  std::string localError;
  if (error == nullptr) error = &localError;
  const std::vector<std::uint8_t> data = opaque ? canvas.ToRgb8() : canvas.ToRgba8();
  const int channels = opaque ? 3 : 4;

  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot open " + path + " for writing";
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(file);
    *error = "libpng could not be started";
    return false;
  }
  std::vector<png_bytep> rows(canvas.Height());
  for (int y = 0; y < canvas.Height(); ++y) {
    rows[y] = const_cast<png_bytep>(data.data()) + static_cast<std::size_t>(y) * canvas.Width() * channels;
  }
  const bool encoded =
      Encode(png, info, file, static_cast<png_uint_32>(canvas.Width()), static_cast<png_uint_32>(canvas.Height()),
             opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, rows.data());
  png_destroy_write_struct(&png, &info);
  if (!encoded) {
    std::fclose(file);
    if (error->empty()) *error = "libpng failed writing " + path;
    return false;
  }
  if (std::fclose(file) != 0) {
    *error = "cannot finish writing " + path;
    return false;
  }
  return true;
}

}  // namespace artgen
