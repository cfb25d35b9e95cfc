// Niawt: the TWAIN codes by name, text renderings of TWAIN items, containers and structures, and
// the traced call of the source manager's entry point. The texts are a run-log format: their
// wording, separators and order are fixed.
//
// Everything a driver hands over is untrusted. Renderings read through BlockView, a pointer with
// the number of bytes that may be read, and never read past it: what does not fit is rendered as
// a bracketed note instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "platform/twain/TwainDefs.h"

namespace scan {

// Code families: the numbers that select a name table (TwainCodeName).
inline constexpr int kFamilyBoolean = 0;
inline constexpr int kFamilyCapability = 1;
inline constexpr int kFamilyCustomError = 2;
inline constexpr int kFamilyDat = 3;
inline constexpr int kFamilyDg = 4;
inline constexpr int kFamilyMsg = 5;
inline constexpr int kFamilyConditionCode = 15;
inline constexpr int kFamilyCompression = 16;
inline constexpr int kFamilyCountry = 17;
inline constexpr int kFamilyDeviceEvent = 18;
inline constexpr int kFamilyPassThruDirection = 19;
inline constexpr int kFamilyFileFormat = 25;
inline constexpr int kFamilyFileType = 30;
inline constexpr int kFamilyLanguage = 34;
inline constexpr int kFamilyContainer = 39;
inline constexpr int kFamilyPaletteType = 42;
inline constexpr int kFamilyPixelType = 49;
inline constexpr int kFamilyReturnCode = 51;
inline constexpr int kFamilyItemType = 54;
inline constexpr int kFamilyUnits = 55;
// One past the highest family.
inline constexpr int kFamilyCount = 56;

// The program's own error codes (family 2), reported as -(0x8000 + code).
inline constexpr std::uint16_t CE_UNIMPLEMENTED = 0x1000;
inline constexpr std::uint16_t CE_UNEXPECTED_TYPE = 0x1001;
inline constexpr std::uint16_t CE_BAD_CONTAINER = 0x1002;
inline constexpr std::uint16_t CE_NOT_ORDINAL_VALUE = 0x1003;
inline constexpr std::uint16_t CE_OUT_OF_SET_RANGE = 0x1004;
inline constexpr std::uint16_t CE_CANNOT_CHECK = 0x1005;
inline constexpr std::uint16_t CE_CHECK_FAILED = 0x1006;
inline constexpr std::uint16_t CE_STRING_TOO_LONG = 0x1007;
inline constexpr std::uint16_t CE_UNIT_INCONSISTENCY = 0x1100;

// ---------------------------------------------------------------------------------------------
// Names (code families)

// The name of a code: only the low 8 bits of `family` count, and a family above 55 gives the
// empty text. Family 0: "TRUE" for any non-zero value, else "FALSE". Other families look up the
// low 32 bits of `value` as a signed number (in family 39, DONTCARE32 only for 4294967295); a
// code the family lacks gives the fallback prefix + value + "=$" + upper-case hex of at least
// four digits (two's complement of negative values) + ")", e.g. "TWUN_???(7=$0007)".
std::string TwainCodeName(int family, std::int64_t value);

// Number of names of a family (2 for family 0), 0 for a family above 55. Only the low 8 bits of
// `family` count.
int FamilyEntryCount(int family);

// Size in bytes of one item of a TWTY_ type; 0 for any other type.
std::size_t ItemTypeSize(twain::TW_UINT16 item_type);

// The standard item type of a capability, or -1 when the capability is not in the table.
std::int16_t CapabilityItemType(twain::TW_UINT16 cap);

// The family whose names a capability's values take, or 0 when its values have no names.
int CapabilityValueFamily(twain::TW_UINT16 cap);

// ---------------------------------------------------------------------------------------------
// Memory handed over by a driver

// A read-only view of a memory block: where it starts and how many bytes may be read. Reads
// outside the view give 0; sub-views are clipped to the view.
class BlockView {
 public:
  constexpr BlockView() = default;
  BlockView(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(data == nullptr ? 0 : size) {}

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // True when `count` bytes at `offset` lie inside the view.
  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  // The bytes from `offset` to the end (empty when `offset` lies beyond the end).
  BlockView From(std::size_t offset) const {
    return offset <= size_ ? BlockView(data_ + offset, size_ - offset) : BlockView();
  }
  // At most `count` bytes from `offset`.
  BlockView Slice(std::size_t offset, std::size_t count) const {
    const BlockView rest = From(offset);
    return BlockView(rest.data_, count < rest.size_ ? count : rest.size_);
  }
  // The value of type T stored at `offset` (native byte order, any alignment), or 0 when it does
  // not fit.
  template <typename T>
  T Read(std::size_t offset) const {
    T value{};
    if (Has(offset, sizeof(T))) std::memcpy(&value, data_ + offset, sizeof(T));
    return value;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// How container handles are reached. The TWAIN component implements it over its memory blocks
// (movable global memory on Windows): Lock gives the block's contents and size, or an empty view
// when the handle cannot be locked; Unlock follows every Lock that gave a non-empty view.
class ContainerMemory {
 public:
  virtual ~ContainerMemory() = default;
  virtual BlockView Lock(twain::TW_HANDLE handle) = 0;
  virtual void Unlock(twain::TW_HANDLE handle) = 0;
};

// ---------------------------------------------------------------------------------------------
// Renderings

// The decimal separator of the user's locale, used by Fix32Text ('.' until set). Set once at
// start-up, before any trace.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// The item at the start of `item` as a 64-bit integer: TWTY_INT8/16/32 sign-extended,
// TWTY_UINT8/16/32 without sign; 0 for any other type or when the item does not fit.
std::int64_t ItemInteger(twain::TW_UINT16 item_type, BlockView item);

// Whole + Frac / 65536 in the general format with at most 10 significant digits and the
// decimal separator: "200", "150.5", "8.270004272".
std::string Fix32Text(const twain::TW_FIX32& value);
// The TW_FIX32 at the start of `item`; "[item beyond block]" when it does not fit.
std::string Fix32Text(BlockView item);

// The item at the start of `item` as text: integers in decimal, TWTY_BOOL "TRUE"/"FALSE",
// TWTY_FIX32 by Fix32Text, TWTY_FRAME "[Left,Top,Right,Bottom]", TW_STR items between double
// quotes (up to the first NUL, at most 255 bytes and never beyond the field or the view; control
// characters shown as '?'), types 13 and above as their TWTY name + "[unimplemented item type]".
// A fixed-size item that does not fit the view gives "[item beyond block]".
std::string ItemText(twain::TW_UINT16 item_type, BlockView item);

// A capability's value: by the names of the capability's value family when it has one and the
// family knows the value, else ItemText. A named family with a non-integer item type gives
// "should not happen, check the code and Specification :-)".
std::string CapabilityValueText(twain::TW_UINT16 item_type, twain::TW_UINT16 cap, BlockView item);

// A capability container (the locked contents of hContainer): "array(a,b)", "enum(a,b)[cur,def]",
// the one value, "range(min..+step..max)[cur,def]", or the TWON name +
// "[unimplemented container type]". A block too short for the container's head gives
// "[container too short]"; items beyond the block are not read: "[NumItems n exceeds the
// block]" follows the items that fit. At most kMaxRenderedItems items are rendered; "...[n more]"
// stands for the rest.
std::string ContainerText(twain::TW_UINT16 cap, twain::TW_UINT16 con_type, BlockView container);
// The container of a TW_CAPABILITY, locked through `memory` for the rendering. A null handle or
// one that cannot be locked gives "[no container]".
std::string ContainerText(const twain::TW_CAPABILITY& capability, ContainerMemory& memory);
inline constexpr std::uint32_t kMaxRenderedItems = 4096;

// Bytes StructureText reads for a DAT (0 for a DAT it does not render from memory).
std::size_t StructureSize(twain::TW_UINT16 dat);
// The data of a triplet as text: "{Count:1, EOJ:0}" and so on; DAT_NULL, DAT_IMAGEFILEXFER and
// DAT_AUDIOFILEXFER give ""; DAT_PARENT, DAT_IMAGENATIVEXFER and DAT_AUDIONATIVEXFER give the
// handle (pointer-sized) and DAT_XFERGROUP its 32-bit value as "(n)"; any other DAT
// "{unknown structure}". Fields beyond the view are rendered as bracketed notes.
std::string StructureText(twain::TW_UINT16 dat, BlockView data);

// ---------------------------------------------------------------------------------------------
// The trace clock and the traced call

// Starts the trace clock: the tick source (milliseconds, wrapping at 2^32; in the product the
// system's TickCount) and its current count as the start time. Called once at program start.
void StartTraceClock(std::function<std::uint32_t()> ticks);
// Milliseconds since the start time (0 before the clock is started). The difference is taken
// modulo 2^32, so a wrap of the tick count does not make it negative.
std::int64_t TraceClock();

// What a traced call gives besides its result.
struct TracedCall {
  twain::TW_UINT16 condition_code = 0;  // TWCC_ code after a failure, else 0
  std::string trace;                    // the trace text, without "#" and line end
};

// Calls `entry` with (origin, destination, dg, dat, msg, data) and describes the call:
// "[ms]>nil " or "[ms]>src ", DG, "/" DAT name, "/" MSG name, for DAT_CAPABILITY the capability
// (and with MSG_SET the container being set), " => " and the return code's name. After
// TWRC_FAILURE the condition code is asked for with DG_CONTROL/DAT_STATUS/MSG_GET (not traced):
// ":" and its name, or ": failed to get TWCC_*: " and the status call's return code. Then the
// data: StructureText, the container of a successful capability query, or the message of an
// event that was the source's. Containers are locked through `memory`.
// Returns the return code, or minus the condition code after a failure that has one (1 when the
// failure's condition code is TWCC_SUCCESS). Without an entry point nothing is called and the
// result is TWRC_FAILURE.
std::int32_t TracedDsmEntry(twain::TW_IDENTITY* origin, twain::TW_IDENTITY* destination,
                            twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg,
                            twain::TW_MEMREF data, twain::DsmEntryProc entry,
                            ContainerMemory& memory, TracedCall& call);

}  // namespace scan
