// A packed DIB as a TWAIN source hands it over, and the same bytes behind a BMP file header as a
// page file on disk: whatever the headers say, the loaders read only the bytes at hand, and what
// they accept saves and reads back unchanged and goes through the page work.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/bitmap/Bmp.h"
#include "platform/bitmap/ImageOps.h"

namespace {

std::string ScratchPath(const char* name) {
  static const std::string folder = platform::Cp1250Path(std::filesystem::temp_directory_path());
  return folder + platform::kPathSeparator + "prelavka-fuzz-" + std::to_string(getpid()) + name;
}

bool SamePixels(const platform::Bitmap& a, const platform::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format()) return false;
  if (a.PixelBlockSize() != b.PixelBlockSize()) return false;
  if (a.PixelBlockSize() != 0 &&
      std::memcmp(a.PixelBlock(), b.PixelBlock(), a.PixelBlockSize()) != 0) {
    return false;
  }
  return a.Format() != platform::PixelFormat::k8Bit || a.GetPalette() == b.GetPalette();
}

void Check(const platform::Bitmap& image, std::size_t input_size) {
  if (image.Width() > platform::Bitmap::kMaxDimension ||
      image.Height() > platform::Bitmap::kMaxDimension) {
    std::abort();
  }
  // Rows come from the input: at most 8 pixels of a byte (1 bit), plus row padding.
  if (image.PixelBlockSize() > 32 * input_size + 4 * static_cast<std::size_t>(image.Height())) {
    std::abort();
  }
  const std::string path = ScratchPath(".bmp");
  if (!platform::SaveBmp(image, path)) std::abort();
  platform::Bitmap reread;
  if (platform::LoadBmp(path, &reread) != platform::BmpStatus::kOk) std::abort();
  if (!SamePixels(image, reread)) std::abort();
  platform::Bitmap grey, composite;
  if (!platform::GreyFromBlue(image, &grey)) std::abort();
  if (!platform::ComposeDuplex(image, grey, &composite)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::Bitmap image;
  if (platform::LoadDib(data, size, &image) == platform::BmpStatus::kOk) {
    Check(image, size);
  } else if (image.PixelBlock() != nullptr) {
    std::abort();
  }

  // The same bytes as a BMP file: a file header whose pixel offset follows the colour table, as
  // the info header describes it, moved by the last byte when the input's length is odd.
  std::vector<std::uint8_t> file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  if (size >= 40) {
    const auto get32 = [data](std::size_t at) {
      return std::uint64_t{data[at]} | std::uint64_t{data[at + 1]} << 8 |
             std::uint64_t{data[at + 2]} << 16 | std::uint64_t{data[at + 3]} << 24;
    };
    const unsigned bits = data[14] | data[15] << 8;
    std::uint64_t colours = get32(32);
    if (colours == 0 && bits <= 8) colours = std::uint64_t{1} << bits;
    std::uint64_t offset = 14 + get32(0) + 4 * colours;
    if (size % 2 == 1) offset += data[size - 1] - 128u;
    for (int i = 0; i < 4; ++i) file[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
  }
  file.insert(file.end(), data, data + size);
  const std::string path = ScratchPath(".in");
  {
    platform::File out;
    if (!out.Open(path, platform::File::Mode::kCreate) || !out.Write(file.data(), file.size()) ||
        !out.Close()) {
      return 0;
    }
  }
  platform::Bitmap from_file;
  if (platform::LoadBmp(path, &from_file) == platform::BmpStatus::kOk) Check(from_file, size);
  platform::RemoveFile(path);
  platform::RemoveFile(ScratchPath(".bmp"));
  return 0;
}
