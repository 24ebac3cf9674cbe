#include "skin/image_decode.h"

#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <cstdio>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstring>
#include <new>

namespace vortik {

BitmapRef Bitmap::Create(int width, int height, int bitsPerPixel) {
  auto b = std::make_shared<Bitmap>();
  b->width = width;
  b->height = height;
  b->bitsPerPixel = bitsPerPixel;
  b->rowBytes = bitsPerPixel == 24 ? ((width * 3 + 3) & ~3) : width * 4;
  b->pixels.assign(static_cast<size_t>(b->rowBytes) * static_cast<size_t>(height), 0);
  return b;
}

void DrawBitmap(const Bitmap& src, Bitmap& dst, int x, int y, int width, int height,
                std::optional<Colour> transparentKey) {
  if (dst.bitsPerPixel != 32) return;
  // Source rectangle (0, 0, width, height) clipped to the source, then to the target.
  int sx0 = 0;
  int sy0 = 0;
  int w = std::min(width, src.width);
  int h = std::min(height, src.height);
  if (x < 0) {
    sx0 = -x;
    x = 0;
  }
  if (y < 0) {
    sy0 = -y;
    y = 0;
  }
  w = std::min(w - sx0, dst.width - x);
  h = std::min(h - sy0, dst.height - y);
  if (w <= 0 || h <= 0) return;

  for (int row = 0; row < h; ++row) {
    const uint8_t* s = src.Row(sy0 + row);
    uint8_t* d = dst.Row(y + row) + static_cast<size_t>(x) * 4;
    if (src.bitsPerPixel == 32) {
      std::memcpy(d, s + static_cast<size_t>(sx0) * 4, static_cast<size_t>(w) * 4);
      continue;
    }
    s += static_cast<size_t>(sx0) * 3;
    for (int col = 0; col < w; ++col, s += 3, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      bool clear = transparentKey && s[0] == RedOf(*transparentKey) &&
                   s[1] == GreenOf(*transparentKey) && s[2] == BlueOf(*transparentKey);
      d[3] = clear ? 0 : 255;
    }
  }
}

// --- PNG ----------------------------------------------------------------------------------------

namespace {

constexpr png_alloc_size_t kMaxPngChunkBytes = png_alloc_size_t{8} * 1024 * 1024;

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void PngRead(png_structp png, png_bytep out, size_t count) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > src->size - src->pos) png_error(png, "truncated");
  std::memcpy(out, src->data + src->pos, count);
  src->pos += count;
}

// libpng reports errors by jumping back to the setjmp in DecodePngRgba; nothing is printed.
void PngError(png_structp png, png_const_charp /*message*/) {
  png_longjmp(png, 1);
}
void PngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

struct PngImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgba;  // width * 4 bytes a row
  std::vector<png_bytep> rows;
};

// Reads the header and asks libpng to expand every format to 8-bit RGBA. Runs under the
// setjmp of DecodePngRgba, so it holds no objects that need destruction.
bool PngReadPixels(png_structp png, png_infop info, PngImage* image) {
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colourType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
  if (width == 0 || height == 0 || uint64_t{width} * height > kMaxPicturePixels) return false;

  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (bitDepth == 16) png_set_scale_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  // Formats without alpha get an opaque one (a tRNS chunk has already made one).
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) return false;

  image->width = width;
  image->height = height;
  try {
    image->rgba.resize(static_cast<size_t>(width) * 4 * height);
    image->rows.resize(height);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (png_uint_32 y = 0; y < height; ++y) {
    image->rows[y] = image->rgba.data() + static_cast<size_t>(y) * width * 4;
  }
  png_read_image(png, image->rows.data());
  return true;
}

// The one frame with a setjmp: `png` and `info` are set before it and never changed after, so
// they keep their values when libpng jumps back.
bool DecodePngRgba(const uint8_t* data, size_t size, PngImage* image) {
  if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  PngSource source{data, size, 0};
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  // Ancillary chunks (text, profiles) are skipped, but a crafted file could still make libpng
  // buffer megabytes of them; picture data never needs that much in one chunk.
  png_set_chunk_malloc_max(png, kMaxPngChunkBytes);
  png_set_read_fn(png, &source, PngRead);
#ifdef PNG_IGNORE_ADLER32
  // Every chunk's CRC is still checked, and it covers the compressed picture data byte for
  // byte; the zlib checksum over the inflated data repeats that check at a sixth of the cost
  // of decoding.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  const bool ok = PngReadPixels(png, info, image);
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

}  // namespace

BitmapRef DecodePng(const uint8_t* data, size_t size, Colour backColor) {
  PngImage image;
  if (!DecodePngRgba(data, size, &image)) return nullptr;
  const int width = static_cast<int>(image.width);
  const int height = static_cast<int>(image.height);
  if (backColor == kColourNone) {
    auto b = std::make_shared<Bitmap>();
    b->width = width;
    b->height = height;
    b->bitsPerPixel = 32;
    b->rowBytes = width * 4;
    b->pixels = std::move(image.rgba);
    return b;
  }
  // Compact the RGBA rows into padded RGB rows in place: every write lands at or before the
  // byte it replaces, so no second buffer is needed.
  auto b = std::make_shared<Bitmap>();
  b->width = width;
  b->height = height;
  b->bitsPerPixel = 24;
  b->rowBytes = (width * 3 + 3) & ~3;
  uint8_t* pixels = image.rgba.data();
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = pixels + static_cast<size_t>(y) * width * 4;
    uint8_t* dst = pixels + static_cast<size_t>(y) * b->rowBytes;
    for (int x = 0; x < width; ++x, src += 4, dst += 3) {
      if (src[3] == 0) {
        dst[0] = RedOf(backColor);
        dst[1] = GreenOf(backColor);
        dst[2] = BlueOf(backColor);
      } else {
        const uint8_t r = src[0];
        const uint8_t g = src[1];
        const uint8_t bl = src[2];
        dst[0] = r;
        dst[1] = g;
        dst[2] = bl;
      }
    }
    for (int pad = width * 3; pad < b->rowBytes; ++pad) *dst++ = 0;
  }
  image.rgba.resize(static_cast<size_t>(b->rowBytes) * height);
  b->pixels = std::move(image.rgba);
  return b;
}

// --- JPEG ---------------------------------------------------------------------------------------

namespace {

struct JpegErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

// libjpeg's working memory beyond the pixels; a picture within the pixel limit never needs
// more, even progressive ones, which keep every coefficient of the picture.
constexpr long kMaxJpegWorkingBytes = 256L * 1024 * 1024;

void JpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}
// libjpeg carries on past corrupt or missing data with a warning (level -1) and fills in grey;
// such a picture is damaged, so a warning ends the decoding like an error. Trace messages
// (levels above 0) are ignored.
void JpegEmitMessage(j_common_ptr info, int level) {
  if (level < 0) JpegErrorExit(info);
}
void JpegOutputMessage(j_common_ptr /*info*/) {}

// Runs under the setjmp of LoadJPGfromStream; holds nothing that needs destruction.
bool JpegReadPixels(jpeg_decompress_struct* info, const uint8_t* data, size_t size, Bitmap* out) {
  jpeg_mem_src(info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) return false;
  if (info->image_width == 0 || info->image_height == 0 || info->image_width > kMaxPictureSide ||
      info->image_height > kMaxPictureSide ||
      uint64_t{info->image_width} * info->image_height > kMaxPicturePixels) {
    return false;
  }
  info->mem->max_memory_to_use = kMaxJpegWorkingBytes;
  info->out_color_space = JCS_RGB;
  jpeg_start_decompress(info);
  if (info->output_components != 3) return false;
  out->width = static_cast<int>(info->output_width);
  out->height = static_cast<int>(info->output_height);
  out->bitsPerPixel = 24;
  out->rowBytes = (out->width * 3 + 3) & ~3;
  try {
    out->pixels.assign(static_cast<size_t>(out->rowBytes) * out->height, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = out->Row(static_cast<int>(info->output_scanline));
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  return true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap* out) {
  jpeg_decompress_struct info;
  JpegErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JpegErrorExit;
  errors.base.output_message = JpegOutputMessage;
  errors.base.emit_message = JpegEmitMessage;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  const bool ok = JpegReadPixels(&info, data, size, out);
  jpeg_destroy_decompress(&info);
  return ok;
}

}  // namespace

BitmapRef LoadJPGfromStream(const uint8_t* data, size_t size) {
  if (data == nullptr || size == 0) return nullptr;
  auto b = std::make_shared<Bitmap>();
  if (!DecodeJpeg(data, size, b.get())) return nullptr;
  return b;
}

// --- BMP ----------------------------------------------------------------------------------------

namespace {

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

BitmapRef DecodeBmp(const uint8_t* data, size_t size) {
  // File header (14 bytes) and an info header of at least 40 bytes.
  if (data == nullptr || size < 54 || data[0] != 'B' || data[1] != 'M') return nullptr;
  const uint32_t pixelOffset = Le32(data + 10);
  const uint32_t headerSize = Le32(data + 14);
  if (headerSize < 40 || headerSize > size - 14) return nullptr;
  const int32_t width = static_cast<int32_t>(Le32(data + 18));
  const int32_t rawHeight = static_cast<int32_t>(Le32(data + 22));
  const uint16_t planes = Le16(data + 26);
  const uint16_t bpp = Le16(data + 28);
  const uint32_t compression = Le32(data + 30);
  if (planes != 1 || (bpp != 24 && bpp != 32) || compression != 0) return nullptr;
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return nullptr;
  const bool bottomUp = rawHeight > 0;
  const int64_t height = bottomUp ? rawHeight : -static_cast<int64_t>(rawHeight);
  if (static_cast<uint32_t>(width) > kMaxPictureSide || height > kMaxPictureSide ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPicturePixels) {
    return nullptr;
  }

  const size_t bytesPerPixel = bpp / 8;
  const size_t srcRow = (static_cast<size_t>(width) * bytesPerPixel + 3) & ~static_cast<size_t>(3);
  if (pixelOffset > size || srcRow * static_cast<size_t>(height) > size - pixelOffset) {
    return nullptr;
  }
  BitmapRef b = Bitmap::Create(width, static_cast<int>(height), 24);
  for (int y = 0; y < b->height; ++y) {
    const int srcY = bottomUp ? b->height - 1 - y : y;
    const uint8_t* s = data + pixelOffset + srcRow * static_cast<size_t>(srcY);
    uint8_t* d = b->Row(y);
    for (int x = 0; x < width; ++x, s += bytesPerPixel, d += 3) {
      d[0] = s[2];  // files store blue, green, red
      d[1] = s[1];
      d[2] = s[0];
    }
  }
  return b;
}

}  // namespace vortik
