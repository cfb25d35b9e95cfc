#include "platform/bitmap/Bmp.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include "platform/FileSystem.h"

namespace platform {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kLargestInfoHeaderSize = 124;  // BITMAPV5HEADER
constexpr std::size_t kPaletteEntrySize = 4;
constexpr std::uint32_t kMaxColourTable = 256;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kLastKnownCompression = 6;  // BI_ALPHABITFIELDS

std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t GetSigned32(const std::uint8_t* p) { return static_cast<std::int32_t>(Get32(p)); }

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// What the info header says about the pixels, checked for consistency.
struct DibLayout {
  std::uint32_t header_size = 0;
  int width = 0;
  int height = 0;  // rows, always >= 0
  bool top_down = false;
  int bits = 0;
  std::uint32_t colour_count = 0;  // colour table entries that follow the info header
  std::size_t stride = 0;          // bytes per row in the file or block
  std::size_t pixel_bytes = 0;     // stride * height
};

// Reads and checks the info header at info, of which available bytes are at hand. Fields not
// relied on: biSizeImage (may be 0 for uncompressed bitmaps; the rows follow from the
// dimensions), the resolution fields and biClrImportant.
BmpStatus ParseInfoHeader(const std::uint8_t* info, std::size_t available, DibLayout* layout) {
  if (available < 4) return BmpStatus::kTruncated;
  const std::uint32_t header_size = Get32(info);
  switch (header_size) {
    case 40:   // BITMAPINFOHEADER
    case 52:   // BITMAPV2INFOHEADER
    case 56:   // BITMAPV3INFOHEADER
    case 108:  // BITMAPV4HEADER
    case 124:  // BITMAPV5HEADER
      break;
    case 12:  // OS/2 BITMAPCOREHEADER
    case 64:  // OS/2 BITMAPINFOHEADER2
      return BmpStatus::kUnsupported;
    default:
      return BmpStatus::kBadHeader;
  }
  if (available < header_size) return BmpStatus::kTruncated;
  const std::int32_t width = GetSigned32(info + 4);
  const std::int32_t height = GetSigned32(info + 8);
  const std::uint16_t planes = Get16(info + 12);
  const std::uint16_t bits = Get16(info + 14);
  const std::uint32_t compression = Get32(info + 16);
  const std::uint32_t colours_used = Get32(info + 32);

  if (planes != 1) return BmpStatus::kBadHeader;
  if (compression != kBiRgb) {
    return compression <= kLastKnownCompression ? BmpStatus::kUnsupported : BmpStatus::kBadHeader;
  }
  switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
      break;
    case 16:
      return BmpStatus::kUnsupported;
    default:
      return BmpStatus::kBadHeader;
  }
  if (width < 0 || height == std::numeric_limits<std::int32_t>::min()) {
    return BmpStatus::kBadHeader;
  }
  const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (width > Bitmap::kMaxDimension || rows > Bitmap::kMaxDimension) return BmpStatus::kTooLarge;
  if (colours_used > kMaxColourTable) return BmpStatus::kBadHeader;
  std::uint32_t colour_count = colours_used;
  if (bits <= 8) {
    const std::uint32_t full = 1u << bits;
    if (colour_count > full) return BmpStatus::kBadHeader;
    if (colour_count == 0) colour_count = full;
  }
  std::size_t stride = 0;
  if (!BmpRowStride(width, bits, &stride)) return BmpStatus::kTooLarge;
  const auto row_count = static_cast<std::size_t>(rows);
  if (row_count != 0 && stride > std::numeric_limits<std::size_t>::max() / row_count) {
    return BmpStatus::kTooLarge;
  }
  layout->header_size = header_size;
  layout->width = width;
  layout->height = static_cast<int>(rows);
  layout->top_down = height < 0;
  layout->bits = bits;
  layout->colour_count = colour_count;
  layout->stride = stride;
  layout->pixel_bytes = stride * row_count;
  return BmpStatus::kOk;
}

// The colour table of a 1-, 4- or 8-bit image; entries it does not give stay black.
Palette ReadColourTable(const std::uint8_t* table, std::uint32_t count) {
  Palette palette{};
  for (std::uint32_t i = 0; i < count && i < palette.size(); ++i) {
    const std::uint8_t* q = table + i * kPaletteEntrySize;
    palette[i] = PaletteEntry{q[2], q[1], q[0], q[3]};
  }
  return palette;
}

PixelFormat TargetFormat(int bits) { return bits <= 8 ? PixelFormat::k8Bit : PixelFormat::k24Bit; }

// Expands one stored row of a 1-, 4- or 32-bit image into a row of the bitmap.
void ExpandRow(const std::uint8_t* src, int bits, int width, std::uint8_t* dst) {
  const auto w = static_cast<std::size_t>(width);
  switch (bits) {
    case 1:
      for (std::size_t x = 0; x < w; ++x) {
        dst[x] = static_cast<std::uint8_t>((src[x >> 3] >> (7 - (x & 7))) & 1);
      }
      break;
    case 4:
      for (std::size_t x = 0; x < w; ++x) {
        const std::uint8_t pair = src[x >> 1];
        dst[x] = static_cast<std::uint8_t>((x & 1) == 0 ? pair >> 4 : pair & 0x0F);
      }
      break;
    case 32:
      for (std::size_t x = 0; x < w; ++x) {
        dst[3 * x] = src[4 * x];
        dst[3 * x + 1] = src[4 * x + 1];
        dst[3 * x + 2] = src[4 * x + 2];
      }
      break;
    default:
      break;
  }
}

void ZeroPadding(Bitmap* image) {
  const std::size_t used = image->RowBytes();
  const std::size_t stride = image->Stride();
  if (used == stride) return;
  for (int y = 0; y < image->Height(); ++y) std::memset(image->Row(y) + used, 0, stride - used);
}

// Fills image (already created for layout) from the pixel rows that read(destination, count)
// delivers in stored order. read gives kOk or the status that stops the load.
template <typename Reader>
BmpStatus ReadRows(const DibLayout& layout, Reader&& read, Bitmap* image) {
  if (!image->HasPixels()) return BmpStatus::kOk;
  const bool same_layout = layout.bits == 8 || layout.bits == 24;
  if (same_layout && !layout.top_down) {
    // A bottom-up 8- or 24-bit image is stored exactly as the bitmap holds it.
    const BmpStatus status = read(image->PixelBlock(), layout.pixel_bytes);
    if (status != BmpStatus::kOk) return status;
  } else if (same_layout) {
    for (int i = 0; i < layout.height; ++i) {
      const BmpStatus status = read(image->Row(i), layout.stride);
      if (status != BmpStatus::kOk) return status;
    }
  } else {
    std::vector<std::uint8_t> row(layout.stride);
    for (int i = 0; i < layout.height; ++i) {
      const BmpStatus status = read(row.data(), layout.stride);
      if (status != BmpStatus::kOk) return status;
      const int y = layout.top_down ? i : layout.height - 1 - i;
      ExpandRow(row.data(), layout.bits, layout.width, image->Row(y));
    }
  }
  if (same_layout) ZeroPadding(image);
  return BmpStatus::kOk;
}

BmpStatus CreateFor(const DibLayout& layout, Bitmap* image) {
  return image->CreateForOverwrite(layout.width, layout.height, TargetFormat(layout.bits))
             ? BmpStatus::kOk
             : BmpStatus::kOutOfMemory;
}

}  // namespace

std::string_view BmpStatusName(BmpStatus status) {
  switch (status) {
    case BmpStatus::kOk:
      return "ok";
    case BmpStatus::kCannotOpen:
      return "cannot open";
    case BmpStatus::kReadError:
      return "read error";
    case BmpStatus::kTruncated:
      return "truncated";
    case BmpStatus::kNotBmp:
      return "not a bitmap";
    case BmpStatus::kBadHeader:
      return "bad header";
    case BmpStatus::kUnsupported:
      return "unsupported format";
    case BmpStatus::kTooLarge:
      return "too large";
    case BmpStatus::kOutOfMemory:
      return "out of memory";
  }
  return "unknown";
}

std::vector<std::uint8_t> BmpHeaderBytes(const Bitmap& image) {
  const bool paletted = image.Format() == PixelFormat::k8Bit;
  const std::size_t table_size = paletted ? 256 * kPaletteEntrySize : 0;
  const std::size_t offset = kFileHeaderSize + kInfoHeaderSize + table_size;
  const std::size_t pixel_bytes = image.PixelBlockSize();
  constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();
  const bool fits = pixel_bytes <= kMax32 - offset;

  std::vector<std::uint8_t> out;
  out.reserve(offset);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  Put32(out, fits ? static_cast<std::uint32_t>(offset + pixel_bytes) : 0);  // bfSize
  Put16(out, 0);                                                            // bfReserved1
  Put16(out, 0);                                                            // bfReserved2
  Put32(out, static_cast<std::uint32_t>(offset));                           // bfOffBits
  // BITMAPINFOHEADER; a positive height: bottom row first
  Put32(out, static_cast<std::uint32_t>(kInfoHeaderSize));
  Put32(out, static_cast<std::uint32_t>(image.Width()));
  Put32(out, static_cast<std::uint32_t>(image.Height()));
  Put16(out, 1);                                                   // biPlanes
  Put16(out, static_cast<std::uint16_t>(image.BitsPerPixel()));    // biBitCount
  Put32(out, kBiRgb);                                              // biCompression
  Put32(out, fits ? static_cast<std::uint32_t>(pixel_bytes) : 0);  // biSizeImage
  Put32(out, 0);                                                   // biXPelsPerMeter
  Put32(out, 0);                                                   // biYPelsPerMeter
  Put32(out, paletted ? 256 : 0);                                  // biClrUsed
  Put32(out, 0);                                                   // biClrImportant
  if (paletted) {
    for (const PaletteEntry& entry : image.GetPalette()) {
      out.push_back(entry.blue);
      out.push_back(entry.green);
      out.push_back(entry.red);
      out.push_back(entry.flags);
    }
  }
  return out;
}

bool SaveBmp(const Bitmap& image, std::string_view path, int* error_number) {
  File file;
  if (!file.Open(path, File::Mode::kCreate)) {
    if (error_number != nullptr) *error_number = file.LastError();
    return false;
  }
  const std::vector<std::uint8_t> headers = BmpHeaderBytes(image);
  bool ok = file.Write(headers.data(), headers.size());
  if (ok && image.PixelBlockSize() != 0) {
    ok = file.Write(image.PixelBlock(), image.PixelBlockSize());
  }
  int error = ok ? 0 : file.LastError();
  if (!file.Close() && ok) {
    ok = false;
    error = file.LastError();
  }
  if (!ok) {
    if (FileExists(path)) RemoveFile(path);  // a regular file only, never a device
    if (error_number != nullptr) *error_number = error != 0 ? error : EIO;
  }
  return ok;
}

BmpStatus LoadBmp(std::string_view path, Bitmap* image) {
  image->Clear();
  const std::optional<std::uint64_t> file_size = FileSize(path);
  File file;
  if (!file_size || !file.Open(path, File::Mode::kRead)) return BmpStatus::kCannotOpen;

  // Everything before the pixels that can matter: both headers and a full colour table.
  std::uint8_t head[kFileHeaderSize + kLargestInfoHeaderSize + kMaxColourTable * kPaletteEntrySize];
  const std::int64_t got_signed = file.Read(head, sizeof head);
  if (got_signed < 0) return BmpStatus::kReadError;
  const auto got = static_cast<std::size_t>(got_signed);
  if (got >= 2 && (head[0] != 'B' || head[1] != 'M')) return BmpStatus::kNotBmp;
  if (got < kFileHeaderSize) return BmpStatus::kTruncated;
  const std::uint32_t pixel_offset = Get32(head + 10);  // bfOffBits; bfSize is not relied on

  DibLayout layout;
  BmpStatus status = ParseInfoHeader(head + kFileHeaderSize, got - kFileHeaderSize, &layout);
  if (status != BmpStatus::kOk) return status;

  const std::size_t table_start = kFileHeaderSize + layout.header_size;
  const std::size_t table_end =
      table_start + (layout.bits <= 8 ? layout.colour_count * kPaletteEntrySize : 0);
  if (table_end > got) return BmpStatus::kTruncated;
  if (pixel_offset < table_end || pixel_offset > *file_size) return BmpStatus::kBadHeader;
  if (layout.pixel_bytes > *file_size - pixel_offset) return BmpStatus::kTruncated;

  status = CreateFor(layout, image);
  if (status != BmpStatus::kOk) return status;
  if (layout.bits <= 8) image->SetPalette(ReadColourTable(head + table_start, layout.colour_count));
  if (!file.Seek(pixel_offset)) {
    image->Clear();
    return BmpStatus::kReadError;
  }
  status = ReadRows(
      layout,
      [&file](std::uint8_t* destination, std::size_t count) {
        const std::int64_t n = file.Read(destination, count);
        if (n < 0) return BmpStatus::kReadError;
        // The file shrank since its size was read.
        return static_cast<std::size_t>(n) == count ? BmpStatus::kOk : BmpStatus::kTruncated;
      },
      image);
  if (status != BmpStatus::kOk) image->Clear();
  return status;
}

BmpStatus LoadDib(const void* data, std::size_t size, Bitmap* image) {
  image->Clear();
  if (data == nullptr) return BmpStatus::kTruncated;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  DibLayout layout;
  BmpStatus status = ParseInfoHeader(bytes, size, &layout);
  if (status != BmpStatus::kOk) return status;

  // The colour table (also the optional one of a 24- or 32-bit image) precedes the pixels.
  const std::size_t table_start = layout.header_size;
  const std::size_t pixel_offset = table_start + layout.colour_count * kPaletteEntrySize;
  if (pixel_offset > size || layout.pixel_bytes > size - pixel_offset) {
    return BmpStatus::kTruncated;
  }
  status = CreateFor(layout, image);
  if (status != BmpStatus::kOk) return status;
  if (layout.bits <= 8)
    image->SetPalette(ReadColourTable(bytes + table_start, layout.colour_count));
  const std::uint8_t* next = bytes + pixel_offset;
  return ReadRows(
      layout,
      [&next](std::uint8_t* destination, std::size_t count) {
        std::memcpy(destination, next, count);
        next += count;
        return BmpStatus::kOk;
      },
      image);
}

}  // namespace platform
