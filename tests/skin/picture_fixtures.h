// Test pictures made on the spot: PNG and JPEG encoders over libpng and libjpeg, a hand-made BMP,
// and an in-memory resource store.
#pragma once

#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <cstdio>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "skin/resource_store.h"

namespace vortik::testing {

struct PngLayout {
  int width = 1;
  int height = 1;
  int colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<std::vector<uint8_t>> rows;  // packed rows in the file's own format
  std::vector<png_color> palette;
  std::vector<uint8_t> paletteAlpha;  // tRNS for palette images
  bool hasGreyKey = false;            // tRNS for grey images
  uint16_t greyKey = 0;
};

inline void AppendBytes(png_structp png, png_bytep data, size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
inline void NoFlush(png_structp /*png*/) {}

inline std::vector<uint8_t> EncodePng(const PngLayout& layout) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendBytes, NoFlush);
  png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty()) {
    png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
  }
  if (!layout.paletteAlpha.empty()) {
    png_set_tRNS(png, info, layout.paletteAlpha.data(),
                 static_cast<int>(layout.paletteAlpha.size()), nullptr);
  }
  if (layout.hasGreyKey) {
    png_color_16 key{};
    key.gray = layout.greyKey;
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const auto& row : layout.rows) rows.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// An 8-bit RGBA PNG from one RGBA quadruple a pixel, row after row.
inline std::vector<uint8_t> EncodeRgba(int width, int height, const std::vector<uint8_t>& rgba) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  for (int y = 0; y < height; ++y) {
    layout.rows.emplace_back(rgba.begin() + static_cast<ptrdiff_t>(y) * width * 4,
                             rgba.begin() + static_cast<ptrdiff_t>(y + 1) * width * 4);
  }
  return EncodePng(layout);
}

// A single-colour opaque PNG of the given size (tests tell pictures apart by their width).
inline std::vector<uint8_t> SolidPng(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> rgba;
  for (int i = 0; i < width * height; ++i) rgba.insert(rgba.end(), {r, g, b, 255});
  return EncodeRgba(width, height, rgba);
}

inline std::vector<uint8_t> EncodeJpeg(int width, int height, int components, uint8_t r, uint8_t g,
                                       uint8_t b) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row;
  for (int x = 0; x < width; ++x) {
    if (components == 1) {
      row.push_back(r);
    } else {
      row.insert(row.end(), {r, g, b});
    }
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  free(buffer);
  return out;
}

// Resources held in memory, looked up by lower-case name like the real store.
class MemoryResourceStore : public ResourceStore {
 public:
  void Add(ResourceType type, std::string name, std::vector<uint8_t> bytes) {
    items_[{type, Lower(std::move(name))}] = std::move(bytes);
  }
  bool Read(ResourceType type, std::string_view name, std::vector<uint8_t>& bytes) const override {
    auto it = items_.find({type, Lower(std::string(name))});
    if (it == items_.end()) return false;
    bytes = it->second;
    return true;
  }

 private:
  static std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
  }
  std::map<std::pair<ResourceType, std::string>, std::vector<uint8_t>> items_;
};

}  // namespace vortik::testing
