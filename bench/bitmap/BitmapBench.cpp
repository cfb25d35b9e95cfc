// Page-image work per A4 page at 200 dpi (1654 x 2339 pixels), each as a ratio to a plain memory
// copy plus file write of the same bytes:
//   grey      the grey conversion (blue byte) of a delivered 24-bit page plus its save (8 bits);
//   grey (8)  the same for a page delivered in 8 bits with a palette;
//   composite the composite of two grey pages plus its save;
//   pair step the same with the front page first read back from its file (what each back page
//             costs the page handler).
// The baseline copies the bytes the operation writes into a fresh buffer and writes them to a
// new file in the same folder. Operation and baseline run alternately (a shared machine's load
// falls on both alike); each figure is the median of the runs, as elapsed time and as this thread's
// processor time (steadier where other processes share the processors). Target: every ratio
// within 2.
//
// Usage: bitmap_bench [folder] [runs]   (files go to a new folder in the given folder, by default
// the system's temporary folder)
#include <time.h>
#include <unistd.h>

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

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Elapsed and processor time (user and system, this thread only) of one run.
struct Sample {
  double wall_ms;
  double cpu_ms;
};
Sample Measure(const std::function<void()>& work) {
  const double cpu_start = ThreadCpuMs();
  const double wall_ms = TimeMs(work);
  return Sample{wall_ms, ThreadCpuMs() - cpu_start};
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct Timing {
  double ms = 0;
  double baseline_ms = 0;
  double cpu_ms = 0;
  double baseline_cpu_ms = 0;
};

using Writer = std::function<void(const std::string& path)>;

// Runs the work and its baseline alternately, so that both meet the same load of a shared
// machine; the median of each. Every run writes a new file (as the page handler does: page files
// are never overwritten), so no run waits for the write-back of an earlier one; the files are
// removed afterwards.
Timing Compare(int runs, const std::string& prefix, const Writer& work, const Writer& baseline) {
  std::vector<std::string> paths;
  const auto next_path = [&](const char* kind) {
    paths.push_back(prefix + kind + std::to_string(paths.size()));
    return paths.back();
  };
  // A full untimed round first: the page cache and the file system settle on files of this size.
  for (int i = 0; i < runs; ++i) {
    work(next_path("-warm-"));
    baseline(next_path("-warm-"));
  }
  for (const std::string& path : paths) platform::RemoveFile(path);
  paths.clear();
  std::vector<double> times, baseline_times, cpu_times, baseline_cpu_times;
  for (int i = 0; i < runs; ++i) {
    const std::string work_path = next_path("-work-");
    const std::string baseline_path = next_path("-base-");
    const Sample sample = Measure([&] { work(work_path); });
    const Sample baseline_sample = Measure([&] { baseline(baseline_path); });
    times.push_back(sample.wall_ms);
    cpu_times.push_back(sample.cpu_ms);
    baseline_times.push_back(baseline_sample.wall_ms);
    baseline_cpu_times.push_back(baseline_sample.cpu_ms);
  }
  for (const std::string& path : paths) platform::RemoveFile(path);
  return Timing{Median(times), Median(baseline_times), Median(cpu_times),
                Median(baseline_cpu_times)};
}

// A plain copy of the bytes into a fresh buffer, then a write of them to a file.
class CopyAndWrite {
 public:
  explicit CopyAndWrite(std::size_t size) : source_(size) {
    for (std::size_t i = 0; i < size; ++i) source_[i] = static_cast<std::uint8_t>(i * 31);
  }
  void operator()(const std::string& path) const {
    auto* copy = static_cast<std::uint8_t*>(std::malloc(source_.size()));
    if (copy == nullptr) Fail("out of memory");
    std::memcpy(copy, source_.data(), source_.size());
    platform::File file;
    if (!file.Open(path, platform::File::Mode::kCreate) || !file.Write(copy, source_.size()) ||
        !file.Close()) {
      Fail("baseline write failed");
    }
    std::free(copy);
  }

 private:
  std::vector<std::uint8_t> source_;
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
  std::printf(
      "%-10s %7.2f ms  baseline %7.2f ms  ratio %5.2f  |  processor %6.2f ms  baseline %6.2f ms  "
      "ratio %5.2f  (%zu bytes)\n",
      name, timing.ms, timing.baseline_ms, timing.ms / timing.baseline_ms, timing.cpu_ms,
      timing.baseline_cpu_ms, timing.cpu_ms / timing.baseline_cpu_ms, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  // A folder of this run's own, so that runs side by side do not meet.
  const std::filesystem::path folder =
      (argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path()) /
      ("prelavka-bitmap-bench-" + std::to_string(getpid()));
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) Fail("cannot create the work folder");
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 31;
  const std::string base = platform::Cp1250Path(folder) + platform::kPathSeparator;
  const std::string page_path = base + "bench-1001.bmp";

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
      runs, base + "bench-grey",
      [&](const std::string& path) {
        platform::Bitmap page;
        if (!platform::GreyFromBlue(delivered, &page) || !platform::SaveBmp(page, path)) {
          Fail("grey plus save failed");
        }
      },
      CopyAndWrite(grey_bytes));
  Report("grey", grey, grey_bytes);

  // A grey scan usually arrives as an 8-bit DIB: the conversion reads a third of the bytes.
  const Timing grey8 = Compare(
      runs, base + "bench-grey8",
      [&](const std::string& path) {
        platform::Bitmap page;
        if (!platform::GreyFromBlue(delivered_grey, &page) || !platform::SaveBmp(page, path)) {
          Fail("grey plus save failed");
        }
      },
      CopyAndWrite(grey_bytes));
  Report("grey (8)", grey8, grey_bytes);

  platform::Bitmap sample;
  if (!platform::ComposeDuplex(front, back, &sample)) Fail("composite failed");
  const std::size_t composite_bytes =
      platform::BmpHeaderBytes(sample).size() + sample.PixelBlockSize();
  sample.Clear();
  const Timing composite = Compare(
      runs, base + "bench-composite",
      [&](const std::string& path) {
        platform::Bitmap image;
        if (!platform::ComposeDuplex(front, back, &image) || !platform::SaveBmp(image, path)) {
          Fail("composite plus save failed");
        }
      },
      CopyAndWrite(composite_bytes));
  Report("composite", composite, composite_bytes);

  const Timing pair = Compare(
      runs, base + "bench-pair",
      [&](const std::string& path) {
        platform::Bitmap loaded, image;
        if (platform::LoadBmp(page_path, &loaded) != platform::BmpStatus::kOk ||
            !platform::ComposeDuplex(loaded, back, &image) || !platform::SaveBmp(image, path)) {
          Fail("pair step failed");
        }
      },
      CopyAndWrite(composite_bytes));
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

  platform::RemoveFile(page_path);
  std::filesystem::remove_all(folder, error);
  return 0;
}
