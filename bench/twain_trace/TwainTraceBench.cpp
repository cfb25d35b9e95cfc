// The cost of one traced source-manager call (TracedDsmEntry: the call, the status query after a
// failure, the trace text with its names and renderings) against the bare call of the same
// trivial entry point, as a ratio. Each figure is the median of the runs.
//
// The entry point does almost nothing, so the ratio is the tracing's cost in units of a plain
// indirect call; the nanoseconds per traced call show what that means next to a real driver.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scan/Niawt.h"

namespace {

using namespace twain;

// What the fake source manager answers: the return code, and for a failure the condition code.
TW_UINT16 answer_rc = TWRC_SUCCESS;
TW_UINT16 answer_condition = TWCC_SUCCESS;
TW_HANDLE answer_container = nullptr;
TW_UINT16 answer_con_type = TWON_ONEVALUE;

TW_UINT16 TWAIN_CALL FakeEntry(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16 dat, TW_UINT16,
                               TW_MEMREF data) {
  if (dat == DAT_STATUS) {
    static_cast<TW_STATUS*>(data)->ConditionCode = answer_condition;
    return TWRC_SUCCESS;
  }
  if (dat == DAT_CAPABILITY) {
    auto* capability = static_cast<TW_CAPABILITY*>(data);
    capability->ConType = answer_con_type;
    capability->hContainer = answer_container;
  }
  return answer_rc;
}

// Container handles are the addresses of blocks this program owns.
class BenchMemory : public scan::ContainerMemory {
 public:
  TW_HANDLE Add(std::vector<std::uint8_t> bytes) {
    blocks_.push_back(std::move(bytes));
    return blocks_.back().data();
  }
  scan::BlockView Lock(TW_HANDLE handle) override {
    for (auto& block : blocks_) {
      if (block.data() == handle) return scan::BlockView(block.data(), block.size());
    }
    return {};
  }
  void Unlock(TW_HANDLE) override {}

 private:
  std::vector<std::vector<std::uint8_t>> blocks_;
};

struct Case {
  const char* name;
  TW_UINT16 rc;
  TW_UINT16 condition;
  TW_HANDLE container;
  TW_UINT16 con_type;
  TW_UINT32 dg;
  TW_UINT16 dat;
  TW_UINT16 msg;
  void* data;
};

volatile DsmEntryProc entry_point = &FakeEntry;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Nanoseconds per call of `body`, median over `runs` runs of `calls` calls.
template <typename Body>
double NanosecondsPerCall(int calls, int runs, Body body) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) body();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::nano>(end - start).count() / calls);
  }
  return Median(times);
}

std::vector<std::uint8_t> Bytes16(TW_UINT16 type, std::vector<std::uint32_t> head,
                                  const std::vector<std::uint16_t>& items) {
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(type), 0};
  for (std::uint32_t value : head) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  for (std::uint16_t item : items) {
    bytes.push_back(static_cast<std::uint8_t>(item));
    bytes.push_back(static_cast<std::uint8_t>(item >> 8));
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 200000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
  if (calls <= 0 || runs <= 0) {
    std::fprintf(stderr, "usage: twain_trace_bench [calls] [runs]\n");
    return 2;
  }
  const auto origin = std::chrono::steady_clock::now();
  scan::StartTraceClock([origin] {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - origin)
                                          .count());
  });

  BenchMemory memory;
  TW_HANDLE gray = memory.Add(Bytes16(TWTY_UINT16, {}, {TWPT_GRAY, 0, 0}));
  std::vector<std::uint16_t> sizes;
  for (std::uint16_t size = 0; size < 54; ++size) sizes.push_back(size);
  TW_HANDLE all_sizes =
      memory.Add(Bytes16(TWTY_UINT16, {static_cast<std::uint32_t>(sizes.size()), 1, 0}, sizes));

  TW_IDENTITY app{};
  TW_IDENTITY source{};
  TW_PENDINGXFERS pending{};
  TW_EVENT event{};
  TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
  TW_CAPABILITY sizes_capability{ICAP_SUPPORTEDSIZES, TWON_DONTCARE16, nullptr};
  TW_CAPABILITY feeder{CAP_FEEDERENABLED, TWON_DONTCARE16, nullptr};

  const Case kCases[] = {
      {"EVENT/PROCESSEVENT NOTDSEVENT", TWRC_NOTDSEVENT, 0, nullptr, TWON_ONEVALUE, DG_CONTROL,
       DAT_EVENT, MSG_PROCESSEVENT, &event},
      {"PENDINGXFERS/GET SUCCESS {..}", TWRC_SUCCESS, 0, nullptr, TWON_ONEVALUE, DG_CONTROL,
       DAT_PENDINGXFERS, MSG_GET, &pending},
      {"CAPABILITY/GETCURRENT GRAY", TWRC_SUCCESS, 0, gray, TWON_ONEVALUE, DG_CONTROL,
       DAT_CAPABILITY, MSG_GETCURRENT, &capability},
      {"CAPABILITY/GET enum(54 sizes)", TWRC_SUCCESS, 0, all_sizes, TWON_ENUMERATION, DG_CONTROL,
       DAT_CAPABILITY, MSG_GET, &sizes_capability},
      {"CAPABILITY/GET FAILURE:CAPUNS.", TWRC_FAILURE, TWCC_CAPUNSUPPORTED, nullptr, TWON_ONEVALUE,
       DG_CONTROL, DAT_CAPABILITY, MSG_GET, &feeder},
  };

  std::printf("one traced DSM call against the bare call (%d calls, median of %d runs)\n", calls,
              runs);
  scan::TracedCall call;
  for (const Case& c : kCases) {
    answer_rc = c.rc;
    answer_condition = c.condition;
    answer_container = c.container;
    answer_con_type = c.con_type;
    TW_IDENTITY* destination = &source;
    std::uint64_t sink = 0;
    const double bare = NanosecondsPerCall(
        calls, runs, [&] { sink += entry_point(&app, destination, c.dg, c.dat, c.msg, c.data); });
    const double traced = NanosecondsPerCall(calls, runs, [&] {
      sink += static_cast<std::uint64_t>(scan::TracedDsmEntry(&app, destination, c.dg, c.dat, c.msg,
                                                              c.data, entry_point, memory, call));
    });
    std::printf(
        "%-31s bare %7.1f ns   traced %8.1f ns   ratio %7.1f   (%zu bytes: %s)\n", c.name, bare,
        traced, traced / bare, call.trace.size(),
        call.trace.size() > 60 ? (call.trace.substr(0, 57) + "...").c_str() : call.trace.c_str());
    if (sink == 0xFFFFFFFFFFFFFFFF) std::printf("-");
  }
  return 0;
}
