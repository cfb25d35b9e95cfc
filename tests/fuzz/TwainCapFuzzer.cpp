// TTwain2's capability reads on whatever a driver answers: containers of any type, count and
// size, NULL containers after success, failures with any condition code. The source manager is
// a small library whose DSM_Entry hands each call to this target, which answers from its input.
//
// Input:
//   byte 0    return code of the capability call (low 4 bits; 0 success)
//   byte 1    bit 0: hContainer NULL; bit 1: the status query fails; bits 2-4: the operation
//   byte 2    condition code of the status query
//   bytes 3-4 ConType the driver claims
//   bytes 5-6 the capability asked for
//   byte 7    container types GetCapContainer allows (low 4 bits), bit 4: long types allowed
//   rest      the container block
// Every call leaves a trace line; the run log holds readable lines only.
#include <dlfcn.h>
#include <unistd.h>

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/RunLog.h"
#include "platform/twain/MemoryBlock.h"
#include "scan/TTwain2.h"

namespace {

using namespace twain;

struct Answer {
  std::uint8_t return_code = 0;
  bool null_container = false;
  bool status_fails = false;
  TW_UINT16 condition_code = 0;
  TW_UINT16 con_type = 0;
  const std::uint8_t* block = nullptr;
  std::size_t block_size = 0;
};
Answer answer;
int capability_calls = 0;

TW_UINT16 TWAIN_CALL FakeDsm(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16 dat, TW_UINT16 msg,
                             TW_MEMREF data) {
  switch (dat) {
    case DAT_PARENT:
      return TWRC_SUCCESS;
    case DAT_IDENTITY:
      if (msg == MSG_GETFIRST) {
        auto* identity = static_cast<TW_IDENTITY*>(data);
        *identity = TW_IDENTITY{};
        identity->Id = 1;
        std::strcpy(identity->ProductName, "Fuzzed");
        return TWRC_SUCCESS;
      }
      return msg == MSG_GETNEXT ? TWRC_ENDOFLIST : TWRC_SUCCESS;
    case DAT_STATUS:
      if (answer.status_fails) return TWRC_FAILURE;
      static_cast<TW_STATUS*>(data)->ConditionCode = answer.condition_code;
      return TWRC_SUCCESS;
    case DAT_CAPABILITY: {
      ++capability_calls;
      auto* capability = static_cast<TW_CAPABILITY*>(data);
      // Setting a value succeeds; every other message gets the fuzzed answer.
      if (msg == MSG_SET) return TWRC_SUCCESS;
      if (answer.return_code != TWRC_SUCCESS) return answer.return_code;
      capability->ConType = answer.con_type;
      capability->hContainer = nullptr;
      if (!answer.null_container) {
        capability->hContainer = platform::MemoryAlloc(answer.block_size);
        platform::LockedBlock locked(capability->hContainer);
        if (locked.valid() && answer.block_size != 0) {
          std::memcpy(locked.data(), answer.block, answer.block_size);
        }
      }
      return TWRC_SUCCESS;
    }
    default:
      return TWRC_FAILURE;
  }
}

std::string LogPath() {
  return (std::filesystem::temp_directory_path() /
          ("prelavka-fuzz-twaincap-" + std::to_string(getpid()) + ".txt"))
      .string();
}

// The component on the fake source manager, with its one source; made once.
struct Session {
  Session() {
    void* module = dlopen(FUZZ_DSM_PATH, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) std::abort();
    using SetHook = void (*)(decltype(&FakeDsm));
    auto set_hook = reinterpret_cast<SetHook>(dlsym(module, "FuzzDsmSetHook"));
    if (set_hook == nullptr) std::abort();
    set_hook(&FakeDsm);
    twain.set_library_path(FUZZ_DSM_PATH);
    if (!twain.SetSourceManagerLoaded(true) || twain.SourceCount() != 1) std::abort();
    source = twain.SourceByIndex(0);
    if (source == nullptr) std::abort();
  }
  ~Session() { std::filesystem::remove(log_path); }
  scan::TTwain2 twain{nullptr};
  platform::TTwainSource* source = nullptr;
  std::string log_path = LogPath();
};

// The run log has a line per traced call ("#...") and per custom error, each of printable cp1250
// and ended by CR LF.
void CheckTrace(const std::string& path, int calls) {
  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  int lines = 0;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string_view line(text.data() + start, end - start);
    if (!line.starts_with('#') && !line.starts_with("Custom error returned: ")) std::abort();
    for (std::size_t i = start; i < end; ++i) {
      if (static_cast<unsigned char>(text[i]) < ' ') std::abort();
    }
    lines += line.starts_with('#');
  }
  if (start != text.size() || lines < calls) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Session session;
  if (size < 8) return 0;
  answer.return_code = data[0] & 0x0F;
  answer.null_container = (data[1] & 1) != 0;
  answer.status_fails = (data[1] & 2) != 0;
  answer.condition_code = data[2];
  answer.con_type = static_cast<TW_UINT16>(data[3] | data[4] << 8);
  const auto cap = static_cast<TW_UINT16>(data[5] | data[6] << 8);
  const auto allowed = static_cast<scan::ContainerSet>(data[7] & 0x0F);
  const bool long_types = (data[7] & 0x10) != 0;
  answer.block = data + 8;
  answer.block_size = size - 8;

  auto log = app::RunLog::Open(session.log_path);
  if (log == nullptr) std::abort();
  scan::TTwain2& twain = session.twain;
  twain.set_trace_file(log.get());
  capability_calls = 0;

  std::int32_t result = 0;
  switch ((data[1] >> 2) & 7) {
    case 0: {
      scan::CapContainer container;
      result = twain.GetCapContainer(session.source, cap, MSG_GET, allowed, long_types, container);
      if (result != 0 && container.handle() != nullptr) std::abort();
      if (result == 0 && container.contents().size() != answer.block_size) std::abort();
      break;
    }
    case 1: {
      scan::TwainValue value;
      result = twain.GetCapOneValue(session.source, cap, MSG_GETCURRENT, value);
      break;
    }
    case 2: {
      std::vector<scan::TwainValue> list;
      result = twain.GetCapList(session.source, cap, MSG_GET, list);
      // Every value came from an item inside the block.
      if (result == 0 && list.size() > answer.block_size) std::abort();
      break;
    }
    case 3: {
      std::bitset<256> set;
      result = twain.GetCapSet(session.source, cap, MSG_GET, set);
      break;
    }
    case 4:
      result = twain.QueryCap(session.source, cap, MSG_QUERYSUPPORT);
      break;
    default:
      result = twain.SetCapVerified(session.source, cap, scan::TwainValue::UInt16(data[2]));
      break;
  }
  if (result > 0xFFFF || result < -(0x8000 + 0xFFFF)) std::abort();
  twain.set_trace_file(nullptr);
  log.reset();
  CheckTrace(session.log_path, capability_calls);
  return 0;
}
