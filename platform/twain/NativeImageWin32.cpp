#include <windows.h>

#include "platform/twain/NativeImage.h"

namespace platform {
namespace {

// The DIB bytes of a device-dependent or DIB-section bitmap: a BITMAPINFOHEADER, the colour
// table for 8 bits or less, and bottom-up rows, as GetDIBits gives them.
std::vector<std::uint8_t> BitmapToDib(HBITMAP bitmap) {
  BITMAP info = {};
  if (GetObjectW(bitmap, sizeof(info), &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) {
    return {};
  }
  const WORD bit_count = info.bmBitsPixel <= 8 ? 8 : 24;
  const std::size_t row = ((static_cast<std::size_t>(info.bmWidth) * bit_count + 31) / 32) * 4;
  const std::size_t table = bit_count == 8 ? 256 * sizeof(RGBQUAD) : 0;
  std::vector<std::uint8_t> dib(sizeof(BITMAPINFOHEADER) + table +
                                row * static_cast<std::size_t>(info.bmHeight));
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = info.bmWidth;
  header->biHeight = info.bmHeight;
  header->biPlanes = 1;
  header->biBitCount = bit_count;
  header->biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight),
                             dib.data() + sizeof(BITMAPINFOHEADER) + table,
                             reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != info.bmHeight) return {};
  header->biClrUsed = bit_count == 8 ? 256 : 0;
  return dib;
}

}  // namespace

NativeImage::NativeImage(MemoryHandle handle) : handle_(handle) {
  if (handle_ == nullptr) return;
  if (GetObjectType(static_cast<HGDIOBJ>(handle_)) == OBJ_BITMAP) {
    is_bitmap_ = true;
    converted_ = BitmapToDib(static_cast<HBITMAP>(handle_));
    if (LooksLikeDib(converted_)) dib_ = converted_;
    return;
  }
  auto* data = static_cast<const std::uint8_t*>(MemoryLock(handle_));
  if (data == nullptr) return;
  locked_ = true;
  std::span<const std::uint8_t> bytes(data, MemorySize(handle_));
  if (LooksLikeDib(bytes)) dib_ = bytes;
}

NativeImage::~NativeImage() {
  if (is_bitmap_) {
    DeleteObject(static_cast<HGDIOBJ>(handle_));
    return;
  }
  if (locked_) MemoryUnlock(handle_);
  MemoryFree(handle_);
}

}  // namespace platform
