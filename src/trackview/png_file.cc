#include "trackview/png_file.h"

#include <png.h>

#include <csetjmp>
#include <string>

#include "platform/file_system.h"

namespace velmora {

namespace {

void AppendToBuffer(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// Runs libpng's writing steps; libpng reports its errors by a long jump back here, so this
// function holds no objects with destructors between setjmp and the calls.
bool EncodeRows(png_structp png, png_infop info, const Canvas& canvas,
                std::vector<std::uint8_t>& out, std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &out, AppendToBuffer, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()),
               static_cast<png_uint_32>(canvas.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rows.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  return true;
}

}  // namespace

Result<std::vector<std::uint8_t>> EncodePng(const Canvas& canvas) {
  if (canvas.width() < 1 || canvas.height() < 1) {
    return Status::InvalidArgument("a picture needs at least one pixel");
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return Status::IOError("libpng could not start");
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return Status::IOError("libpng could not start");
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(canvas.height()));
  // libpng's row pointers are not const; it only reads through them when writing.
  auto* base = const_cast<std::uint8_t*>(canvas.pixels().data());
  for (std::size_t y = 0; y < rows.size(); ++y) {
    rows[y] = base + y * static_cast<std::size_t>(canvas.width()) * 3;
  }
  std::vector<std::uint8_t> out;
  const bool encoded = EncodeRows(png, info, canvas, out, rows);
  png_destroy_write_struct(&png, &info);
  if (!encoded) return Status::IOError("libpng could not encode the picture");
  return out;
}

Status WritePng(const Canvas& canvas, const std::filesystem::path& path) {
  Result<std::vector<std::uint8_t>> png = EncodePng(canvas);
  if (!png.ok()) return png.status();
  if (!WriteFileBytes(path, *png)) return Status::IOError("cannot write " + path.string());
  return Status::Ok();
}

}  // namespace velmora
