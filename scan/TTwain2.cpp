#include "scan/TTwain2.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace scan {

using namespace twain;

namespace {

constexpr std::int32_t kNoSource = -static_cast<std::int32_t>(TWCC_NODS);
constexpr std::int32_t kNoMemory = -static_cast<std::int32_t>(TWCC_LOWMEMORY);

// The x87 control word for the duration of one source manager call: 0x027F (all exceptions
// masked, 53-bit precision, round to nearest), restored when the call is done, also when the
// driver left another one.
class FpuControlWordGuard {
 public:
  FpuControlWordGuard() {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    __asm__ __volatile__("fnstcw %0" : "=m"(saved_));
    const std::uint16_t call_word = 0x027F;
    __asm__ __volatile__("fldcw %0" : : "m"(call_word));
#endif
  }
  ~FpuControlWordGuard() {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    __asm__ __volatile__("fnclex");
    __asm__ __volatile__("fldcw %0" : : "m"(saved_));
#endif
  }
  FpuControlWordGuard(const FpuControlWordGuard&) = delete;
  FpuControlWordGuard& operator=(const FpuControlWordGuard&) = delete;

 private:
  [[maybe_unused]] std::uint16_t saved_ = 0;
};

std::size_t TextLimit(TW_UINT16 item_type) {
  switch (item_type) {
    case TWTY_STR32:
      return 32;
    case TWTY_STR64:
      return 64;
    case TWTY_STR128:
      return 128;
    case TWTY_STR255:
      return 255;
    default:
      return 0;
  }
}

// Bytes a container of this type needs for `count` items of `item_size` bytes (0 for a type
// that is not a container).
std::uint64_t ContainerBytes(TW_UINT16 con_type, std::uint64_t count, std::uint64_t item_size) {
  switch (con_type) {
    case TWON_ONEVALUE:
      return 2 + item_size;
    case TWON_ARRAY:
      return 6 + count * item_size;
    case TWON_ENUMERATION:
      return 14 + count * item_size;
    case TWON_RANGE:
      return sizeof(TW_RANGE);
    default:
      return 0;
  }
}

bool Allowed(ContainerSet allowed, TW_UINT16 con_type) {
  switch (con_type) {
    case TWON_ARRAY:
      return (allowed & kAllowArray) != 0;
    case TWON_ENUMERATION:
      return (allowed & kAllowEnumeration) != 0;
    case TWON_ONEVALUE:
      return (allowed & kAllowOneValue) != 0;
    case TWON_RANGE:
      return (allowed & kAllowRange) != 0;
    default:
      return false;
  }
}

// TW_FIX32 as the standard defines it: Whole rounded down, Frac rounded half up; a Frac of 65536
// carries into Whole. False for values TW_FIX32 cannot hold.
bool ToFix32(double x, TW_FIX32& fix) {
  if (!std::isfinite(x) || x < -32768.0 || x >= 32768.0) return false;
  double whole = std::floor(x);
  double frac = std::floor((x - whole) * 65536.0 + 0.5);
  if (frac >= 65536.0) {
    whole += 1;
    frac = 0;
  }
  if (whole > 32767.0) return false;
  fix.Whole = static_cast<TW_INT16>(whole);
  fix.Frac = static_cast<TW_UINT16>(frac);
  return true;
}

// The value as an integer for the integer item types: ordinals as they are, reals rounded to the
// nearest (halves to even); nothing for texts, frames and the empty value.
std::optional<std::int64_t> IntegerOf(const TwainValue& value) {
  if (value.IsOrdinal()) return value.Ordinal();
  if (value.kind() == TwainValue::Kind::kReal) {
    const double rounded = std::nearbyint(value.Number());
    if (!(std::fabs(rounded) < 9.2e18)) return std::nullopt;
    return static_cast<std::int64_t>(rounded);
  }
  return std::nullopt;
}

// Writes the value as an item of the type at `item` (room for any item up to TW_STR255).
// CE_STRING_TOO_LONG or CE_UNEXPECTED_TYPE when it does not go, else 0.
std::uint16_t WriteItem(TW_UINT16 item_type, const TwainValue& value, std::uint8_t* item) {
  auto put = [&](auto number) { std::memcpy(item, &number, sizeof(number)); };
  switch (item_type) {
    case TWTY_INT8:
    case TWTY_UINT8:
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_INT32:
    case TWTY_UINT32: {
      const auto integer = IntegerOf(value);
      if (!integer) return CE_UNEXPECTED_TYPE;
      const auto bits = static_cast<std::uint64_t>(*integer);
      if (item_type == TWTY_INT8 || item_type == TWTY_UINT8) put(static_cast<std::uint8_t>(bits));
      if (item_type == TWTY_INT16 || item_type == TWTY_UINT16)
        put(static_cast<std::uint16_t>(bits));
      if (item_type == TWTY_INT32 || item_type == TWTY_UINT32)
        put(static_cast<std::uint32_t>(bits));
      return 0;
    }
    case TWTY_BOOL: {
      bool truth = false;
      if (value.IsOrdinal()) {
        truth = value.Ordinal() != 0;
      } else if (value.kind() == TwainValue::Kind::kReal) {
        truth = value.Number() != 0;
      } else {
        return CE_UNEXPECTED_TYPE;
      }
      put(static_cast<TW_BOOL>(truth ? 1 : 0));
      return 0;
    }
    case TWTY_FIX32: {
      TW_FIX32 fix{};
      if (!(value.IsNumber() || value.IsOrdinal())) return CE_UNEXPECTED_TYPE;
      const double x = value.IsNumber() ? value.Number() : static_cast<double>(value.Ordinal());
      if (!ToFix32(x, fix)) return CE_UNEXPECTED_TYPE;
      put(fix);
      return 0;
    }
    case TWTY_FRAME:
      if (value.kind() != TwainValue::Kind::kFrame) return CE_UNEXPECTED_TYPE;
      put(value.FrameValue());
      return 0;
    default:
      if (value.kind() != TwainValue::Kind::kText) return CE_UNEXPECTED_TYPE;
      return CopyToTwStr(value.TextValue(), reinterpret_cast<char*>(item), item_type)
                 ? 0
                 : CE_STRING_TOO_LONG;
  }
}

}  // namespace

// ---- TwainValue --------------------------------------------------------------------------

TwainValue TwainValue::Integer(Kind kind, std::int64_t value) {
  TwainValue result;
  result.kind_ = kind;
  result.integer_ = value;
  return result;
}

TwainValue TwainValue::Bool(bool value) { return Integer(Kind::kBool, value ? -1 : 0); }

TwainValue TwainValue::Real(double value) {
  TwainValue result;
  result.kind_ = Kind::kReal;
  result.real_ = value;
  return result;
}

TwainValue TwainValue::Text(std::string value) {
  TwainValue result;
  result.kind_ = Kind::kText;
  result.text_ = std::move(value);
  return result;
}

TwainValue TwainValue::Frame(const TW_FRAME& value) {
  TwainValue result;
  result.kind_ = Kind::kFrame;
  result.frame_ = value;
  return result;
}

std::int64_t TwainValue::Ordinal() const { return IsOrdinal() ? integer_ : 0; }

double TwainValue::Number() const {
  if (IsInteger()) return static_cast<double>(integer_);
  return kind_ == Kind::kReal ? real_ : 0;
}

bool operator==(const TwainValue& a, const TwainValue& b) {
  if (a.IsInteger() && b.IsInteger()) return a.integer_ == b.integer_;
  if (a.IsNumber() && b.IsNumber()) return a.Number() == b.Number();
  if (a.kind_ == TwainValue::Kind::kBool && b.kind_ == TwainValue::Kind::kBool) {
    return (a.integer_ != 0) == (b.integer_ != 0);
  }
  if (a.kind_ == TwainValue::Kind::kText && b.kind_ == TwainValue::Kind::kText) {
    return a.text_ == b.text_;
  }
  return false;
}

// ---- containers and memory ---------------------------------------------------------------

void CapContainer::Reset(TW_UINT16 con_type, TW_HANDLE handle) {
  Release();
  con_type_ = con_type;
  handle_ = handle;
  data_ = platform::MemoryLock(handle);
  size_ = data_ == nullptr ? 0 : platform::MemorySize(handle);
}

void CapContainer::Release() {
  if (data_ != nullptr) platform::MemoryUnlock(handle_);
  platform::MemoryFree(handle_);
  handle_ = nullptr;
  data_ = nullptr;
  size_ = 0;
  con_type_ = 0;
}

BlockView BlockContainerMemory::Lock(TW_HANDLE handle) {
  void* data = platform::MemoryLock(handle);
  return data == nullptr ? BlockView() : BlockView(data, platform::MemorySize(handle));
}

void BlockContainerMemory::Unlock(TW_HANDLE handle) { platform::MemoryUnlock(handle); }

bool CopyToTwStr(std::string_view text, char* destination, TW_UINT16 item_type) {
  const std::size_t limit = TextLimit(item_type);
  const std::size_t length = std::min(text.size(), limit);
  std::memcpy(destination, text.data(), length);
  destination[length] = '\0';
  return text.size() <= limit;
}

// ---- TTwain2 -----------------------------------------------------------------------------

std::int32_t TTwain2::DsmCall(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat,
                              TW_UINT16 msg, TW_MEMREF data) {
  TraceWrite("#");
  FpuControlWordGuard control_word;
  BlockContainerMemory memory;
  TracedCall call;
  const std::int32_t result =
      TracedDsmEntry(origin, dest, dg, dat, msg, data, DsmEntry(), memory, call);
  last_condition_code_ = call.condition_code;
  last_result_ = result;
  TraceLine(call.trace);
  return result;
}

void TTwain2::TraceWrite(std::string_view text) {
  if (trace_file_ != nullptr) trace_file_->Append(text);
}

void TTwain2::TraceLine(std::string_view text) {
  // RunLog::Append hands the bytes to the operating system before it returns: the flush.
  std::string line(text);
  line += "\r\n";
  TraceWrite(line);
}

std::int32_t TTwain2::CustomError(std::uint16_t code) {
  TraceLine("Custom error returned: " + TwainCodeName(kFamilyCustomError, code));
  return -(0x8000 + static_cast<std::int32_t>(code));
}

platform::TTwainSource* TTwain2::SourceByIndex(int index) {
  const int count = SourceCount();
  if (count == 0) return nullptr;
  if (index == -1) {
    TW_IDENTITY identity{};
    if (DsmCall(&Info(), nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &identity) != 0) {
      return nullptr;
    }
    return FindSource(identity);
  }
  if (index < 0 || index >= count || index > 255) return nullptr;
  return Source(index);
}

std::int32_t TTwain2::SourceCall(platform::TTwainSource* source, TW_UINT32 dg, TW_UINT16 dat,
                                 TW_UINT16 msg, TW_MEMREF data) {
  if (source == nullptr) return kNoSource;
  return DsmCall(&Info(), &source->identity(), dg, dat, msg, data);
}

std::int32_t TTwain2::GetCapContainer(platform::TTwainSource* source, TW_UINT16 cap, TW_UINT16 msg,
                                      ContainerSet allowed, bool long_types_allowed,
                                      CapContainer& container) {
  container.Release();
  TW_CAPABILITY capability{};
  capability.Cap = cap;
  capability.ConType = TWON_DONTCARE16;
  capability.hContainer = nullptr;
  std::int32_t result = SourceCall(source, DG_CONTROL, DAT_CAPABILITY, msg, &capability);
  if (result != 0) return result;
  container.Reset(capability.ConType, capability.hContainer);
  const BlockView contents = container.contents();
  if (contents.size() < 2) {
    // No container after success, one that cannot be locked, or too short for its item type.
    result = CustomError(CE_BAD_CONTAINER);
    container.Release();
    return result;
  }
  const TW_UINT16 item_type = container.ItemType();
  if (!Allowed(allowed, container.con_type())) result = CustomError(CE_BAD_CONTAINER);
  if (static_cast<int>(item_type) != CapabilityItemType(cap)) {
    result = CustomError(CE_UNEXPECTED_TYPE);
  }
  if (item_type > TWTY_STR255 && !long_types_allowed) result = CustomError(CE_UNIMPLEMENTED);
  if (result == 0) {
    // The items must lie inside the block.
    const std::uint64_t count =
        container.con_type() == TWON_ARRAY || container.con_type() == TWON_ENUMERATION
            ? contents.Read<TW_UINT32>(2)
            : 1;
    const std::uint64_t needed =
        ContainerBytes(container.con_type(), count, ItemTypeSize(item_type));
    if (needed == 0 || needed > contents.size()) result = CustomError(CE_BAD_CONTAINER);
  }
  if (result != 0) container.Release();
  return result;
}

std::int32_t TTwain2::QueryCap(platform::TTwainSource* source, TW_UINT16 cap, TW_UINT16 msg) {
  CapContainer container;
  return GetCapContainer(source, cap, msg,
                         kAllowArray | kAllowEnumeration | kAllowOneValue | kAllowRange, true,
                         container);
}

std::int32_t TTwain2::GetCapOneValue(platform::TTwainSource* source, TW_UINT16 cap, TW_UINT16 msg,
                                     TwainValue& value) {
  CapContainer container;
  const std::int32_t result = GetCapContainer(source, cap, msg, kAllowOneValue, false, container);
  if (result == 0) value = ItemToValue(container.ItemType(), container.contents().From(2));
  return result;
}

std::int32_t TTwain2::GetCapList(platform::TTwainSource* source, TW_UINT16 cap, TW_UINT16 msg,
                                 std::vector<TwainValue>& list) {
  CapContainer container;
  const std::int32_t result = GetCapContainer(
      source, cap, msg, kAllowArray | kAllowEnumeration | kAllowOneValue, false, container);
  if (result != 0) return result;
  const BlockView contents = container.contents();
  const TW_UINT16 item_type = container.ItemType();
  switch (container.con_type()) {
    case TWON_ARRAY:
      list = ItemsToValues(item_type, contents.Read<TW_UINT32>(2), contents.From(6));
      break;
    case TWON_ENUMERATION:
      list = ItemsToValues(item_type, contents.Read<TW_UINT32>(2), contents.From(14));
      break;
    default:
      list = {ItemToValue(item_type, contents.From(2))};
      break;
  }
  return result;
}

std::int32_t TTwain2::GetCapSet(platform::TTwainSource* source, TW_UINT16 cap, TW_UINT16 msg,
                                std::bitset<256>& set) {
  std::vector<TwainValue> list;
  std::int32_t result = GetCapList(source, cap, msg, list);
  if (result != 0) return result;
  set.reset();
  for (const TwainValue& value : list) {
    if (!value.IsOrdinal()) return CustomError(CE_NOT_ORDINAL_VALUE);
    const std::int64_t number = value.Ordinal();
    if (number < 0 || number > 255) return CustomError(CE_OUT_OF_SET_RANGE);
    set.set(static_cast<std::size_t>(number));
  }
  return result;
}

std::int32_t TTwain2::SetCapOneValue(platform::TTwainSource* source, TW_UINT16 cap,
                                     const TwainValue& value) {
  const int standard_type = CapabilityItemType(cap);
  if (standard_type < TWTY_INT8 || standard_type > TWTY_STR255) {
    return CustomError(CE_UNIMPLEMENTED);
  }
  const auto item_type = static_cast<TW_UINT16>(standard_type);
  platform::OwnedBlock block(platform::MemoryAlloc(ItemTypeSize(item_type) + 5));
  std::uint16_t error = 0;
  {
    platform::LockedBlock locked(block.get());
    if (!locked.valid()) return kNoMemory;
    std::memcpy(locked.data(), &item_type, sizeof(item_type));
    error = WriteItem(item_type, value, locked.data() + 2);
  }
  if (error != 0) return CustomError(error);
  TW_CAPABILITY capability{};
  capability.Cap = cap;
  capability.ConType = TWON_ONEVALUE;
  capability.hContainer = block.get();
  return SourceCall(source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
}

std::int32_t TTwain2::SetCapVerified(platform::TTwainSource* source, TW_UINT16 cap,
                                     const TwainValue& value) {
  TwainValue current;
  if (GetCapOneValue(source, cap, MSG_GETCURRENT, current) == 0 && current == value) return 0;
  const std::int32_t set_result = SetCapOneValue(source, cap, value);
  current = TwainValue();
  if (GetCapOneValue(source, cap, MSG_GETCURRENT, current) == 0 && current == value) return 0;
  if (set_result != 0) return set_result;
  return CustomError(LastResult() != 0 ? CE_CANNOT_CHECK : CE_CHECK_FAILED);
}

std::int32_t TTwain2::SetTransferMechanism(platform::TTwainSource* source, TW_UINT16 mechanism) {
  const std::int32_t result = SetCapOneValue(source, ICAP_XFERMECH, TwainValue::UInt16(mechanism));
  if (source != nullptr) {
    if (mechanism == TWSX_NATIVE) source->set_transfer_mode(platform::TransferMode::kNative);
    if (mechanism == TWSX_FILE) source->set_transfer_mode(platform::TransferMode::kFile);
    if (mechanism == TWSX_MEMORY) source->set_transfer_mode(platform::TransferMode::kMemory);
  }
  return result;
}

std::int32_t TTwain2::SetupFileTransfer(platform::TTwainSource* source, std::string_view file_name,
                                        TW_UINT16 format) {
  TW_SETUPFILEXFER setup{};
  if (!CopyToTwStr(file_name, setup.FileName, TWTY_STR255)) {
    return CustomError(CE_STRING_TOO_LONG);
  }
  setup.Format = format;
  setup.VRefNum = 0;
  return SourceCall(source, DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
}

TwainValue TTwain2::ItemToValue(TW_UINT16 item_type, BlockView item) {
  switch (item_type) {
    case TWTY_INT8:
      return TwainValue::Int8(item.Read<std::int8_t>(0));
    case TWTY_INT16:
      return TwainValue::Int16(item.Read<std::int16_t>(0));
    case TWTY_INT32:
      return TwainValue::Int32(item.Read<std::int32_t>(0));
    case TWTY_UINT8:
      return TwainValue::UInt8(item.Read<std::uint8_t>(0));
    case TWTY_UINT16:
      return TwainValue::UInt16(item.Read<std::uint16_t>(0));
    case TWTY_UINT32:
      return TwainValue::UInt32(item.Read<std::uint32_t>(0));
    case TWTY_BOOL:
      return TwainValue::Bool(item.Read<TW_BOOL>(0) != 0);
    case TWTY_FIX32: {
      const auto fix = item.Read<TW_FIX32>(0);
      return TwainValue::Real(fix.Whole + fix.Frac / 65536.0);
    }
    case TWTY_FRAME:
      return TwainValue::Frame(item.Read<TW_FRAME>(0));
    case TWTY_STR32:
    case TWTY_STR64:
    case TWTY_STR128:
    case TWTY_STR255: {
      const BlockView field = item.Slice(0, ItemTypeSize(item_type));
      const auto* text = reinterpret_cast<const char*>(field.data());
      const auto* end =
          text == nullptr ? nullptr : static_cast<const char*>(std::memchr(text, 0, field.size()));
      const std::size_t length =
          end == nullptr ? field.size() : static_cast<std::size_t>(end - text);
      return TwainValue::Text(length == 0 ? std::string() : std::string(text, length));
    }
    default:
      CustomError(CE_UNIT_INCONSISTENCY);
      return TwainValue();
  }
}

std::vector<TwainValue> TTwain2::ItemsToValues(TW_UINT16 item_type, std::uint32_t count,
                                               BlockView items) {
  std::vector<TwainValue> values;
  const std::size_t size = ItemTypeSize(item_type);
  if (size == 0) {
    if (count != 0) CustomError(CE_UNIT_INCONSISTENCY);
    return values;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t offset = static_cast<std::uint64_t>(i) * size;
    // The container check keeps every item inside the block; never read past it anyway.
    if (!items.Has(static_cast<std::size_t>(offset), size)) break;
    values.push_back(ItemToValue(item_type, items.From(static_cast<std::size_t>(offset))));
  }
  return values;
}

}  // namespace scan
