#include "platform/bitmap/Bitmap.h"

#include <atomic>
#include <cstring>
#include <limits>
#include <utility>

namespace platform {
namespace {

std::atomic<std::size_t> allocation_limit{std::numeric_limits<std::size_t>::max()};

Palette MakeGreyPalette() {
  Palette palette{};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const auto level = static_cast<std::uint8_t>(i);
    palette[i] = PaletteEntry{level, level, level, 0};
  }
  return palette;
}

}  // namespace

const Palette& GreyPalette() {
  static const Palette palette = MakeGreyPalette();
  return palette;
}

bool BmpRowStride(std::int64_t width, int bits_per_pixel, std::size_t* stride) {
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  if (width < 0 || bits_per_pixel <= 0) return false;
  const auto w = static_cast<std::uint64_t>(width);
  const auto bits = static_cast<std::uint64_t>(bits_per_pixel);
  if (w > (std::numeric_limits<std::uint64_t>::max() - 31) / bits) return false;
  const std::uint64_t bytes = (w * bits + 31) / 32 * 4;
  if (bytes > kMax) return false;
  *stride = static_cast<std::size_t>(bytes);
  return true;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : pixels_(std::move(other.pixels_)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      format_(std::exchange(other.format_, PixelFormat::k24Bit)),
      stride_(std::exchange(other.stride_, 0)),
      palette_(other.palette_) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    pixels_ = std::move(other.pixels_);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    format_ = std::exchange(other.format_, PixelFormat::k24Bit);
    stride_ = std::exchange(other.stride_, 0);
    palette_ = other.palette_;
  }
  return *this;
}

bool Bitmap::Create(int width, int height, PixelFormat format) {
  return Allocate(width, height, format, /*zero_fill=*/true);
}

bool Bitmap::CreateForOverwrite(int width, int height, PixelFormat format) {
  return Allocate(width, height, format, /*zero_fill=*/false);
}

void Bitmap::Clear() {
  pixels_.reset();
  width_ = 0;
  height_ = 0;
  format_ = PixelFormat::k24Bit;
  stride_ = 0;
  palette_ = Palette{};
}

bool Bitmap::Allocate(int width, int height, PixelFormat format, bool zero_fill) {
  Clear();
  if (width < 0 || height < 0 || width > kMaxDimension || height > kMaxDimension) return false;
  const int bits = format == PixelFormat::k8Bit ? 8 : 24;
  std::size_t stride = 0;
  if (!BmpRowStride(width, bits, &stride)) return false;
  const auto rows = static_cast<std::size_t>(height);
  if (rows != 0 && stride > std::numeric_limits<std::size_t>::max() / rows) return false;
  const std::size_t size = stride * rows;
  if (size > allocation_limit.load()) return false;
  if (size != 0) {
    // calloc leaves fresh pages to the system's lazy zeroing; malloc avoids zeroing twice when
    // every byte is written anyway.
    void* block = zero_fill ? std::calloc(size, 1) : std::malloc(size);
    if (block == nullptr) return false;
    pixels_.reset(static_cast<std::uint8_t*>(block));
  }
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = stride;
  palette_ = format == PixelFormat::k8Bit ? GreyPalette() : Palette{};
  if (!zero_fill) {
    const std::size_t used = RowBytes();
    if (used < stride) {
      for (int y = 0; y < height; ++y) std::memset(Row(y) + used, 0, stride - used);
    }
  }
  return true;
}

bool Bitmap::CopyTo(Bitmap* target) const {
  if (target == this) return true;
  Bitmap copy;
  if (!copy.CreateForOverwrite(width_, height_, format_)) return false;
  if (PixelBlockSize() != 0) std::memcpy(copy.PixelBlock(), PixelBlock(), PixelBlockSize());
  copy.palette_ = palette_;
  *target = std::move(copy);
  return true;
}

void SetBitmapAllocationLimitForTesting(std::size_t max_bytes) {
  allocation_limit.store(max_bytes);
}

}  // namespace platform
