#include "platform/bitmap/ImageOps.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define PRELAVKA_BLUE_SSSE3 1
#include <tmmintrin.h>
#endif

namespace platform {
namespace {

constexpr std::uint8_t kWhite = 255;

#ifdef PRELAVKA_BLUE_SSSE3
// Blue bytes of 16 pixels at a time: three 16-byte loads shuffled into one store. Gives the
// number of pixels done; the caller finishes the rest.
__attribute__((target("ssse3"))) std::size_t BlueBytesSsse3(const std::uint8_t* src,
                                                            std::uint8_t* dst, std::size_t width) {
  const __m128i from_first =
      _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i from_second =
      _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1);
  const __m128i from_third =
      _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13);
  std::size_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const std::uint8_t* p = src + 3 * x;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i blue = _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(a, from_first), _mm_shuffle_epi8(b, from_second)),
        _mm_shuffle_epi8(c, from_third));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), blue);
  }
  return x;
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

// dst[x] = the first (blue) byte of the 24-bit pixel src[x], for width pixels.
void BlueBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t width) {
  std::size_t x = 0;
#ifdef PRELAVKA_BLUE_SSSE3
  if (HasSsse3()) x = BlueBytesSsse3(src, dst, width);
#endif
  for (; x < width; ++x) dst[x] = src[3 * x];
}

// The blue byte of every palette entry, for the grey conversion of an 8-bit image.
std::array<std::uint8_t, 256> BlueOfEntries(const Palette& palette) {
  std::array<std::uint8_t, 256> blue{};
  for (std::size_t i = 0; i < blue.size(); ++i) blue[i] = palette[i].blue;
  return blue;
}

bool IsIdentity(const std::array<std::uint8_t, 256>& table) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] != i) return false;
  }
  return true;
}

// Writes the row of an 8-bit or 24-bit image into a 24-bit row.
void RowTo24Bit(const Bitmap& source, int y, std::uint8_t* dst) {
  const std::uint8_t* src = source.Row(y);
  const auto width = static_cast<std::size_t>(source.Width());
  if (source.Format() == PixelFormat::k24Bit) {
    std::memcpy(dst, src, width * 3);
    return;
  }
  const Palette& palette = source.GetPalette();
  for (std::size_t x = 0; x < width; ++x) {
    const PaletteEntry& entry = palette[src[x]];
    dst[3 * x] = entry.blue;
    dst[3 * x + 1] = entry.green;
    dst[3 * x + 2] = entry.red;
  }
}

bool EightBitComposite(const Bitmap& front, const Bitmap& back) {
  if (back.Format() != PixelFormat::k8Bit) return false;
  const PaletteEntry& last = back.GetPalette()[kWhite];
  if (last.red != kWhite || last.green != kWhite || last.blue != kWhite) return false;
  if (!front.HasPixels()) return true;
  return front.Format() == PixelFormat::k8Bit && front.GetPalette() == back.GetPalette();
}

// Copies the page into the composite at column `column` (in pixels) and makes the rest of the
// half, `half_width` pixels wide from that column, white.
void PlaceHalf(const Bitmap& page, int column, int half_width, Bitmap* composite) {
  const auto bpp = static_cast<std::size_t>(composite->BytesPerPixel());
  const std::size_t start = static_cast<std::size_t>(column) * bpp;
  const std::size_t half_bytes = static_cast<std::size_t>(half_width) * bpp;
  const int page_rows = page.HasPixels() ? page.Height() : 0;
  const std::size_t page_bytes =
      page.HasPixels() ? static_cast<std::size_t>(page.Width()) * bpp : 0;
  for (int y = 0; y < composite->Height(); ++y) {
    std::uint8_t* dst = composite->Row(y) + start;
    std::size_t copied = 0;
    if (y < page_rows) {
      if (composite->Format() == page.Format()) {
        std::memcpy(dst, page.Row(y), page_bytes);
      } else {
        RowTo24Bit(page, y, dst);
      }
      copied = page_bytes;
    }
    std::memset(dst + copied, kWhite, half_bytes - copied);
  }
}

}  // namespace

bool ConvertTo24Bit(const Bitmap& source, Bitmap* result) {
  if (source.Format() == PixelFormat::k24Bit) return source.CopyTo(result);
  Bitmap converted;
  if (!converted.CreateForOverwrite(source.Width(), source.Height(), PixelFormat::k24Bit)) {
    return false;
  }
  for (int y = 0; y < source.Height() && source.Width() > 0; ++y) {
    RowTo24Bit(source, y, converted.Row(y));
  }
  *result = std::move(converted);
  return true;
}

bool GreyFromBlue(const Bitmap& source, Bitmap* result) {
  if (!source.HasPixels()) return source.CopyTo(result);
  Bitmap grey;
  if (!grey.CreateForOverwrite(source.Width(), source.Height(), PixelFormat::k8Bit)) return false;
  grey.SetPalette(GreyPalette());
  const auto width = static_cast<std::size_t>(source.Width());
  if (source.Format() == PixelFormat::k24Bit) {
    for (int y = 0; y < source.Height(); ++y) BlueBytes(source.Row(y), grey.Row(y), width);
  } else {
    const std::array<std::uint8_t, 256> blue = BlueOfEntries(source.GetPalette());
    if (IsIdentity(blue)) {
      // A grey palette: the pixels are their own blue bytes.
      for (int y = 0; y < source.Height(); ++y) std::memcpy(grey.Row(y), source.Row(y), width);
      *result = std::move(grey);
      return true;
    }
    for (int y = 0; y < source.Height(); ++y) {
      const std::uint8_t* src = source.Row(y);
      std::uint8_t* dst = grey.Row(y);
      for (std::size_t x = 0; x < width; ++x) dst[x] = blue[src[x]];
    }
  }
  *result = std::move(grey);
  return true;
}

bool ComposeDuplex(const Bitmap& front, const Bitmap& back, Bitmap* result) {
  const int front_width = front.HasPixels() ? front.Width() : 0;
  const int front_height = front.HasPixels() ? front.Height() : 0;
  const int back_width = back.HasPixels() ? back.Width() : 0;
  const int back_height = back.HasPixels() ? back.Height() : 0;
  const int half = std::max(front_width, back_width);
  const int height = std::max(front_height, back_height);
  if (half > Bitmap::kMaxDimension / 2) return false;
  const PixelFormat format =
      EightBitComposite(front, back) ? PixelFormat::k8Bit : PixelFormat::k24Bit;
  Bitmap composite;
  if (!composite.CreateForOverwrite(2 * half, height, format)) return false;
  if (format == PixelFormat::k8Bit) composite.SetPalette(back.GetPalette());
  if (composite.HasPixels()) {
    PlaceHalf(front, 0, half, &composite);
    PlaceHalf(back, half, half, &composite);
  }
  *result = std::move(composite);
  return true;
}

}  // namespace platform
