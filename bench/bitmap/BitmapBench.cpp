// Page-image work per A4 page at 200 dpi (1654 x 2339 pixels), each as a ratio to a plain memory
// copy plus file write of the same bytes:
//   grey      the grey conversion (blue byte) of a delivered 24-bit page plus its save (8 bits);
//   grey (8)  the same for a page delivered in 8 bits with a palette;
//   composite the composite of two grey pages plus its save;
//   pair step the same with the front page first read back from its file (what each back page
//             costs the page handler).
// The baseline copies the bytes the operation writes into a fresh buffer and writes them to a
// file in the same folder. Operation and baseline run alternately (a shared machine's load falls
// on both alike); each figure is the median of the runs. Target: every ratio within 2.
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
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/bitmap/Bmp.h"
#include "platform/bitmap/ImageOps.h"

namespace {

constexpr int kWidth = 1654;
constexpr int kHeight = 2339;

void Fail(const char* what) {
  std::fprintf(stderr, "bitmap_bench: %s\n", what);
  std::exit(1);
}

double TimeMs(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  const auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct Timing {
  double ms = 0;
  double baseline_ms = 0;
};

// Runs the work and its baseline alternately, so that both meet the same load of a shared
// machine; the median of each.
Timing Compare(int runs, const std::function<void()>& work, const std::function<void()>& baseline) {
  work();  // warm-up: page cache, allocator
  baseline();
  std::vector<double> times, baseline_times;
  for (int i = 0; i < runs; ++i) {
    times.push_back(TimeMs(work));
    baseline_times.push_back(TimeMs(baseline));
  }
  return Timing{Median(times), Median(baseline_times)};
}

// A plain copy of the bytes into a fresh buffer, then a write of them to a file.
class CopyAndWrite {
 public:
  CopyAndWrite(std::size_t size, std::string path) : source_(size), path_(std::move(path)) {
    for (std::size_t i = 0; i < size; ++i) source_[i] = static_cast<std::uint8_t>(i * 31);
  }
  void operator()() const {
    auto* copy = static_cast<std::uint8_t*>(std::malloc(source_.size()));
    if (copy == nullptr) Fail("out of memory");
    std::memcpy(copy, source_.data(), source_.size());
    platform::File file;
    if (!file.Open(path_, platform::File::Mode::kCreate) || !file.Write(copy, source_.size()) ||
        !file.Close()) {
      Fail("baseline write failed");
    }
    std::free(copy);
  }

 private:
  std::vector<std::uint8_t> source_;
  std::string path_;
};

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

void Report(const char* name, const Timing& timing, std::size_t bytes) {
  std::printf("%-10s %8.2f ms   baseline %8.2f ms   ratio %5.2f   (%zu bytes written)\n", name,
              timing.ms, timing.baseline_ms, timing.ms / timing.baseline_ms, bytes);
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
  platform::Bitmap delivered_grey;
  if (!front.CopyTo(&delivered_grey)) Fail("out of memory");

  std::printf("A4 page at 200 dpi: %d x %d, median of %d runs, files in %s\n", kWidth, kHeight,
              runs, platform::Cp1250Path(folder).c_str());

  const std::size_t grey_bytes = platform::BmpHeaderBytes(front).size() + front.PixelBlockSize();
  const Timing grey = Compare(
      runs,
      [&] {
        platform::Bitmap page;
        if (!platform::GreyFromBlue(delivered, &page) || !platform::SaveBmp(page, page_path)) {
          Fail("grey plus save failed");
        }
      },
      CopyAndWrite(grey_bytes, baseline_path));
  Report("grey", grey, grey_bytes);

  // A grey scan usually arrives as an 8-bit DIB: the conversion reads a third of the bytes.
  const Timing grey8 = Compare(
      runs,
      [&] {
        platform::Bitmap page;
        if (!platform::GreyFromBlue(delivered_grey, &page) || !platform::SaveBmp(page, page_path)) {
          Fail("grey plus save failed");
        }
      },
      CopyAndWrite(grey_bytes, baseline_path));
  Report("grey (8)", grey8, grey_bytes);

  platform::Bitmap sample;
  if (!platform::ComposeDuplex(front, back, &sample)) Fail("composite failed");
  const std::size_t composite_bytes =
      platform::BmpHeaderBytes(sample).size() + sample.PixelBlockSize();
  sample.Clear();
  const Timing composite = Compare(
      runs,
      [&] {
        platform::Bitmap image;
        if (!platform::ComposeDuplex(front, back, &image) ||
            !platform::SaveBmp(image, composite_path)) {
          Fail("composite plus save failed");
        }
      },
      CopyAndWrite(composite_bytes, baseline_path));
  Report("composite", composite, composite_bytes);

  const Timing pair = Compare(
      runs,
      [&] {
        platform::Bitmap loaded, image;
        if (platform::LoadBmp(page_path, &loaded) != platform::BmpStatus::kOk ||
            !platform::ComposeDuplex(loaded, back, &image) ||
            !platform::SaveBmp(image, composite_path)) {
          Fail("pair step failed");
        }
      },
      CopyAndWrite(composite_bytes, baseline_path));
  Report("pair step", pair, composite_bytes);

  // Where the time goes, for reading the figures above.
  std::vector<double> load_ms, grey_ms, compose_ms;
  for (int i = 0; i < runs; ++i) {
    load_ms.push_back(TimeMs([&] {
      platform::Bitmap loaded;
      if (platform::LoadBmp(page_path, &loaded) != platform::BmpStatus::kOk) Fail("load failed");
    }));
    grey_ms.push_back(TimeMs([&] {
      platform::Bitmap page;
      if (!platform::GreyFromBlue(delivered, &page)) Fail("grey failed");
    }));
    compose_ms.push_back(TimeMs([&] {
      platform::Bitmap image;
      if (!platform::ComposeDuplex(front, back, &image)) Fail("composite failed");
    }));
  }
  std::printf("parts: load front %.2f ms, grey conversion %.2f ms, composite %.2f ms\n",
              Median(load_ms), Median(grey_ms), Median(compose_ms));

  for (const std::string& path : {page_path, back_path, composite_path, baseline_path}) {
    platform::RemoveFile(path);
  }
  return 0;
}
