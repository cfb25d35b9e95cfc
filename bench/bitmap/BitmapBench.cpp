// Page-image work per A4 page at 200 dpi (1654 x 2339 pixels), each as a ratio to a plain memory
// copy plus file write of the same bytes:
//   grey      the grey conversion (blue byte) of a delivered 24-bit page plus its save (8 bits);
//   composite the composite of two grey pages plus its save;
//   pair step the same with the front page first read back from its file (what each back page
//             costs the page handler).
// The baseline copies the bytes the operation writes into a fresh buffer and writes them to a
// file in the same folder. Each figure is the median of the runs. Target: every ratio within 2.
//
// Usage: bitmap_bench [folder] [runs]   (folder defaults to the system's temporary folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/bitmap/Bmp.h"
#include "platform/bitmap/ImageOps.h"

namespace {

constexpr int kWidth = 1654;
constexpr int kHeight = 2339;

double MedianMs(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  work();  // warm-up: page cache, allocator
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Fail(const char* what) {
  std::fprintf(stderr, "bitmap_bench: %s\n", what);
  std::exit(1);
}

// A plain copy of size bytes into a fresh buffer, then a write of it to path.
double BaselineMs(int runs, std::size_t size, const std::string& path) {
  std::vector<std::uint8_t> source(size);
  for (std::size_t i = 0; i < size; ++i) source[i] = static_cast<std::uint8_t>(i * 31);
  return MedianMs(runs, [&] {
    auto* copy = static_cast<std::uint8_t*>(std::malloc(size));
    if (copy == nullptr) Fail("out of memory");
    std::memcpy(copy, source.data(), size);
    platform::File file;
    if (!file.Open(path, platform::File::Mode::kCreate) || !file.Write(copy, size) ||
        !file.Close()) {
      Fail("baseline write failed");
    }
    std::free(copy);
  });
}

platform::Bitmap DeliveredPage(unsigned seed) {
  platform::Bitmap page;
  if (!page.Create(kWidth, kHeight, platform::PixelFormat::k24Bit)) Fail("out of memory");
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = page.Row(y);
    for (std::size_t i = 0; i < page.RowBytes(); ++i) {
      row[i] = static_cast<std::uint8_t>(i * 7 + static_cast<unsigned>(y) * 13 + seed);
    }
  }
  return page;
}

void Report(const char* name, double ms, double baseline_ms, std::size_t bytes) {
  std::printf("%-10s %8.2f ms   baseline %8.2f ms   ratio %5.2f   (%zu bytes written)\n", name, ms,
              baseline_ms, ms / baseline_ms, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 31;
  const std::string base = platform::Cp1250Path(folder) + platform::kPathSeparator;
  const std::string page_path = base + "bench-1001.bmp";
  const std::string back_path = base + "bench-1002.bmp";
  const std::string composite_path = base + "bench-1001-1002.dib";
  const std::string baseline_path = base + "bench-baseline.bin";

  const platform::Bitmap delivered = DeliveredPage(1);
  platform::Bitmap front, back;
  if (!platform::GreyFromBlue(delivered, &front) ||
      !platform::GreyFromBlue(DeliveredPage(2), &back)) {
    Fail("grey conversion failed");
  }
  if (!platform::SaveBmp(front, page_path)) Fail("cannot write the front page");

  std::printf("A4 page at 200 dpi: %d x %d, median of %d runs, files in %s\n", kWidth, kHeight,
              runs, platform::Cp1250Path(folder).c_str());

  const std::size_t grey_bytes = platform::BmpHeaderBytes(front).size() + front.PixelBlockSize();
  const double grey_ms = MedianMs(runs, [&] {
    platform::Bitmap grey;
    if (!platform::GreyFromBlue(delivered, &grey) || !platform::SaveBmp(grey, page_path)) {
      Fail("grey plus save failed");
    }
  });
  Report("grey", grey_ms, BaselineMs(runs, grey_bytes, baseline_path), grey_bytes);

  platform::Bitmap sample;
  if (!platform::ComposeDuplex(front, back, &sample)) Fail("composite failed");
  const std::size_t composite_bytes =
      platform::BmpHeaderBytes(sample).size() + sample.PixelBlockSize();
  sample.Clear();
  const double composite_baseline_ms = BaselineMs(runs, composite_bytes, baseline_path);
  const double composite_ms = MedianMs(runs, [&] {
    platform::Bitmap composite;
    if (!platform::ComposeDuplex(front, back, &composite) ||
        !platform::SaveBmp(composite, composite_path)) {
      Fail("composite plus save failed");
    }
  });
  Report("composite", composite_ms, composite_baseline_ms, composite_bytes);

  const double pair_ms = MedianMs(runs, [&] {
    platform::Bitmap loaded, composite;
    if (platform::LoadBmp(page_path, &loaded) != platform::BmpStatus::kOk ||
        !platform::ComposeDuplex(loaded, back, &composite) ||
        !platform::SaveBmp(composite, composite_path)) {
      Fail("pair step failed");
    }
  });
  Report("pair step", pair_ms, composite_baseline_ms, composite_bytes);

  // Where the time goes, for reading the figures above.
  const double load_ms = MedianMs(runs, [&] {
    platform::Bitmap loaded;
    if (platform::LoadBmp(page_path, &loaded) != platform::BmpStatus::kOk) Fail("load failed");
  });
  const double grey_only_ms = MedianMs(runs, [&] {
    platform::Bitmap grey;
    if (!platform::GreyFromBlue(delivered, &grey)) Fail("grey failed");
  });
  const double compose_only_ms = MedianMs(runs, [&] {
    platform::Bitmap composite;
    if (!platform::ComposeDuplex(front, back, &composite)) Fail("composite failed");
  });
  std::printf("parts: load front %.2f ms, grey conversion %.2f ms, composite %.2f ms\n", load_ms,
              grey_only_ms, compose_only_ms);

  for (const std::string& path : {page_path, back_path, composite_path, baseline_path}) {
    platform::RemoveFile(path);
  }
  return 0;
}
