// TTwain2: the program's TWAIN component. Every call into the source manager is traced into the
// run log, and capabilities are read and written through TwainValue with the checks a driver's
// answers need.
//
// Results (all operations): 0 success; 1 to 9 the other TWRC_ codes as the source manager gave
// them (TWRC_FAILURE only when no condition code could be had); -1 to -65535 the negated TWCC_
// condition code of a failed call; -(0x8000 + code) a custom error of this component (CE_*), whose
// trace line is "Custom error returned: " + its name.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/RunLog.h"
#include "platform/twain/MemoryBlock.h"
#include "platform/twain/TwainComponent.h"
#include "platform/twain/TwainDefs.h"
#include "scan/Niawt.h"

namespace scan {

// The tagged scalar capability values travel in.
class TwainValue {
 public:
  enum class Kind {
    kEmpty,
    kInt8,
    kInt16,
    kInt32,
    kUInt8,
    kUInt16,
    kUInt32,
    kBool,
    kReal,
    kText,
    kFrame
  };

  TwainValue() = default;
  static TwainValue Int8(std::int8_t value) { return Integer(Kind::kInt8, value); }
  static TwainValue Int16(std::int16_t value) { return Integer(Kind::kInt16, value); }
  static TwainValue Int32(std::int32_t value) { return Integer(Kind::kInt32, value); }
  static TwainValue UInt8(std::uint8_t value) { return Integer(Kind::kUInt8, value); }
  static TwainValue UInt16(std::uint16_t value) { return Integer(Kind::kUInt16, value); }
  static TwainValue UInt32(std::uint32_t value) { return Integer(Kind::kUInt32, value); }
  static TwainValue Bool(bool value);
  static TwainValue Real(double value);
  static TwainValue Text(std::string value);
  static TwainValue Frame(const twain::TW_FRAME& value);

  Kind kind() const { return kind_; }
  bool empty() const { return kind_ == Kind::kEmpty; }
  bool IsInteger() const { return kind_ >= Kind::kInt8 && kind_ <= Kind::kUInt32; }
  // Integers and booleans are ordinal (false 0, true -1); reals and texts are not.
  bool IsOrdinal() const { return IsInteger() || kind_ == Kind::kBool; }
  std::int64_t Ordinal() const;  // 0 when not ordinal
  // Integers and reals as a number; 0 otherwise.
  double Number() const;
  bool IsNumber() const { return IsInteger() || kind_ == Kind::kReal; }
  bool BoolValue() const { return kind_ == Kind::kBool && integer_ != 0; }
  const std::string& TextValue() const { return text_; }
  const twain::TW_FRAME& FrameValue() const { return frame_; }

  // Equal: both numbers of equal numeric value (whatever their kinds and widths), both booleans
  // of the same truth, or both texts with the same characters. Nothing else is equal.
  friend bool operator==(const TwainValue& a, const TwainValue& b);

 private:
  static TwainValue Integer(Kind kind, std::int64_t value);
  Kind kind_ = Kind::kEmpty;
  std::int64_t integer_ = 0;
  double real_ = 0;
  std::string text_;
  twain::TW_FRAME frame_{};
};

// A capability container a source handed over: locked while the object holds it; unlocked and
// freed when it is released or destroyed.
class CapContainer {
 public:
  CapContainer() = default;
  ~CapContainer() { Release(); }
  CapContainer(const CapContainer&) = delete;
  CapContainer& operator=(const CapContainer&) = delete;

  // Takes over the handle and locks it.
  void Reset(twain::TW_UINT16 con_type, twain::TW_HANDLE handle);
  void Release();

  twain::TW_UINT16 con_type() const { return con_type_; }
  twain::TW_HANDLE handle() const { return handle_; }
  // The locked contents (empty when there is none).
  BlockView contents() const { return BlockView(data_, size_); }
  twain::TW_UINT16 ItemType() const { return contents().Read<twain::TW_UINT16>(0); }

 private:
  twain::TW_UINT16 con_type_ = 0;
  twain::TW_HANDLE handle_ = nullptr;
  const void* data_ = nullptr;
  std::size_t size_ = 0;
};

// Container types a capability read accepts, as a bit mask of kAllow*.
using ContainerSet = unsigned;
inline constexpr ContainerSet kAllowArray = 1u << 0;
inline constexpr ContainerSet kAllowEnumeration = 1u << 1;
inline constexpr ContainerSet kAllowOneValue = 1u << 2;
inline constexpr ContainerSet kAllowRange = 1u << 3;

// Copies at most 32, 64, 128 or 255 characters (TWTY_STR32 to TWTY_STR255; 0 for any other type)
// and a NUL into the field, which must be the TW_STR field of that type. True when the whole
// text fit.
bool CopyToTwStr(std::string_view text, char* destination, twain::TW_UINT16 item_type);

// Container handles as the platform's memory blocks, for Niawt's renderings.
class BlockContainerMemory : public ContainerMemory {
 public:
  BlockView Lock(twain::TW_HANDLE handle) override;
  void Unlock(twain::TW_HANDLE handle) override;
};

class TTwain2 : public platform::TwainComponent {
 public:
  using platform::TwainComponent::TwainComponent;

  // Writes "#", runs TracedDsmEntry with the x87 control word 0x027F, keeps LastResult and
  // LastConditionCode, writes the trace text and a line end, restores the control word.
  std::int32_t DsmCall(twain::TW_IDENTITY* origin, twain::TW_IDENTITY* dest, twain::TW_UINT32 dg,
                       twain::TW_UINT16 dat, twain::TW_UINT16 msg, twain::TW_MEMREF data) override;

  // Where trace lines go; nullptr: no trace. Not owned.
  void set_trace_file(app::RunLog* trace_file) { trace_file_ = trace_file; }
  app::RunLog* trace_file() const { return trace_file_; }
  twain::TW_UINT16 LastConditionCode() const { return last_condition_code_; }
  std::int32_t LastResult() const { return last_result_; }

  void TraceWrite(std::string_view text);
  void TraceLine(std::string_view text);
  // Traces "Custom error returned: " + the name of the code; returns -(0x8000 + code).
  std::int32_t CustomError(std::uint16_t code);

  // -1: the source manager's default source; 0 to SourceCount() - 1 (at most 255): that source;
  // nullptr otherwise and when there are no sources.
  platform::TTwainSource* SourceByIndex(int index);

  // The operations on a source. A null source gives -TWCC_NODS without a call.
  std::int32_t SourceCall(platform::TTwainSource* source, twain::TW_UINT32 dg, twain::TW_UINT16 dat,
                          twain::TW_UINT16 msg, twain::TW_MEMREF data);
  // Asks DG_CONTROL/DAT_CAPABILITY/msg and checks the answer: a container type outside
  // `allowed` (CE_BAD_CONTAINER), an item type other than the capability's (CE_UNEXPECTED_TYPE),
  // an item type beyond TWTY_STR255 where long types are not allowed (CE_UNIMPLEMENTED); all three
  // run, the last failing one gives the result. A missing container after success, or one whose
  // items do not fit its block, is CE_BAD_CONTAINER. On failure the container is freed.
  std::int32_t GetCapContainer(platform::TTwainSource* source, twain::TW_UINT16 cap,
                               twain::TW_UINT16 msg, ContainerSet allowed, bool long_types_allowed,
                               CapContainer& container);
  std::int32_t QueryCap(platform::TTwainSource* source, twain::TW_UINT16 cap, twain::TW_UINT16 msg);
  std::int32_t GetCapOneValue(platform::TTwainSource* source, twain::TW_UINT16 cap,
                              twain::TW_UINT16 msg, TwainValue& value);
  std::int32_t GetCapList(platform::TTwainSource* source, twain::TW_UINT16 cap,
                          twain::TW_UINT16 msg, std::vector<TwainValue>& list);
  std::int32_t GetCapSet(platform::TTwainSource* source, twain::TW_UINT16 cap, twain::TW_UINT16 msg,
                         std::bitset<256>& set);
  // Sends the value as a one-value of the capability's standard item type. A value that cannot
  // take that type (a text for a number, a number outside TW_FIX32) gives CE_UNEXPECTED_TYPE and
  // nothing is sent.
  std::int32_t SetCapOneValue(platform::TTwainSource* source, twain::TW_UINT16 cap,
                              const TwainValue& value);
  std::int32_t SetCapVerified(platform::TTwainSource* source, twain::TW_UINT16 cap,
                              const TwainValue& value);
  std::int32_t SetTransferMechanism(platform::TTwainSource* source, twain::TW_UINT16 mechanism);
  std::int32_t SetupFileTransfer(platform::TTwainSource* source, std::string_view file_name,
                                 twain::TW_UINT16 format);

  // An item as a value; an item type beyond TWTY_STR255 gives CE_UNIT_INCONSISTENCY and the
  // empty value. Bytes beyond the view read as 0.
  TwainValue ItemToValue(twain::TW_UINT16 item_type, BlockView item);
  std::vector<TwainValue> ItemsToValues(twain::TW_UINT16 item_type, std::uint32_t count,
                                        BlockView items);

 private:
  app::RunLog* trace_file_ = nullptr;
  twain::TW_UINT16 last_condition_code_ = 0;
  std::int32_t last_result_ = 0;
};

}  // namespace scan
