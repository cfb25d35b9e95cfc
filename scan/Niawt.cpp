#include "scan/Niawt.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string_view>
#include <utility>

#include "scan/NiawtTables.h"

namespace scan {

using twain::TW_UINT16;
using twain::TW_UINT32;

namespace {

constexpr std::string_view kItemBeyondBlock = "[item beyond block]";
constexpr std::string_view kShouldNotHappen =
    "should not happen, check the code and Specification :-)";

std::string Decimal(std::int64_t value) { return std::to_string(value); }

// Upper-case hex digits of the value's 64-bit two's complement, at least four of them.
std::string Hex4(std::int64_t value) {
  char digits[17];
  const auto [end, ec] =
      std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(value), 16);
  std::string text(digits, end);
  for (char& c : text) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  if (text.size() < 4) text.insert(0, 4 - text.size(), '0');
  return text;
}

const char* FindName(const niawt_tables::FamilyTable& table, std::int32_t value) {
  const auto it = std::lower_bound(
      table.names.begin(), table.names.end(), value,
      [](const niawt_tables::NameEntry& entry, std::int32_t v) { return entry.value < v; });
  return it != table.names.end() && it->value == value ? it->name : nullptr;
}

// The name of a code of family 0 to 55, or nullptr when the family lacks it.
const char* LookupName(int family, std::int64_t value) {
  if (family == kFamilyBoolean) return value != 0 ? "TRUE" : "FALSE";
  const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  // DONTCARE32 is the 32-bit all-ones value only, not -1.
  if (family == kFamilyContainer && low == -1 && value != std::int64_t{0xFFFFFFFF}) return nullptr;
  return FindName(niawt_tables::kFamilies[family], low);
}

const niawt_tables::CapabilityEntry* FindCapability(TW_UINT16 cap) {
  const auto* begin = std::begin(niawt_tables::kCapabilities);
  const auto* end = std::end(niawt_tables::kCapabilities);
  const auto* it = std::lower_bound(
      begin, end, cap,
      [](const niawt_tables::CapabilityEntry& entry, TW_UINT16 c) { return entry.cap < c; });
  return it != end && it->cap == cap ? it : nullptr;
}

bool IsIntegerType(TW_UINT16 item_type) { return item_type <= twain::TWTY_UINT32; }

bool IsTextType(TW_UINT16 item_type) {
  return item_type >= twain::TWTY_STR32 && item_type <= twain::TWTY_STR255;
}

// The NUL-terminated text of a TW_STR field between double quotes: at most 255 bytes, never
// beyond the field or the view; control characters (a driver's CR LF would split the trace line)
// as '?'.
std::string QuotedText(TW_UINT16 item_type, BlockView item) {
  const std::size_t limit = std::min({ItemTypeSize(item_type), std::size_t{255}, item.size()});
  std::string text = "\"";
  for (std::size_t i = 0; i < limit; ++i) {
    const auto byte = item.data()[i];
    if (byte == 0) break;
    text += byte < 0x20 || byte == 0x7F ? '?' : static_cast<char>(byte);
  }
  text += '"';
  return text;
}

std::string Fix32At(BlockView view, std::size_t offset) { return Fix32Text(view.From(offset)); }

std::string FrameText(BlockView item) {
  if (!item.Has(0, sizeof(twain::TW_FRAME))) return std::string(kItemBeyondBlock);
  return "[" + Fix32At(item, 0) + "," + Fix32At(item, 4) + "," + Fix32At(item, 8) + "," +
         Fix32At(item, 12) + "]";
}

// Items of an array or enumeration, separated by ",", never read beyond `items`.
std::string ItemListText(TW_UINT16 item_type, TW_UINT16 cap, BlockView items, std::uint32_t count) {
  const std::size_t size = ItemTypeSize(item_type);
  const std::uint64_t fit = size == 0 ? count : items.size() / size;
  const std::uint64_t shown = std::min<std::uint64_t>({count, fit, kMaxRenderedItems});
  std::string text;
  for (std::uint64_t i = 0; i < shown; ++i) {
    if (i > 0) text += ',';
    text +=
        CapabilityValueText(item_type, cap, items.Slice(static_cast<std::size_t>(i) * size, size));
  }
  if (count > fit) {
    if (shown > 0) text += ',';
    text += "[NumItems " + Decimal(count) + " exceeds the block]";
  } else if (count > shown) {
    text += ",...[" + Decimal(count - static_cast<std::int64_t>(shown)) + " more]";
  }
  return text;
}

// The fields of a structure: "{label:value, label:value}", each value read from the view at the
// field's offset; a field beyond the view reads "[item beyond block]".
class Fields {
 public:
  explicit Fields(BlockView data) : data_(data) {}

  // A value rendered by ItemText.
  Fields& Item(std::string_view label, TW_UINT16 item_type, std::size_t offset) {
    return Add(label, ItemText(item_type, data_.From(offset)));
  }
  // An integer field rendered by the names of a family.
  Fields& Named(std::string_view label, int family, TW_UINT16 item_type, std::size_t offset) {
    if (!data_.Has(offset, ItemTypeSize(item_type))) return Add(label, kItemBeyondBlock);
    return Add(label, TwainCodeName(family, ItemInteger(item_type, data_.From(offset))));
  }
  // A pointer-sized handle in decimal.
  Fields& Handle(std::string_view label, std::size_t offset) {
    if (!data_.Has(offset, sizeof(twain::TW_UINTPTR))) return Add(label, kItemBeyondBlock);
    return Add(label, std::to_string(data_.Read<twain::TW_UINTPTR>(offset)));
  }
  // A fixed tag, written right after the label ("pEvent::MEMREF").
  Fields& Tag(std::string_view label, std::string_view tag) { return Add(label, tag); }
  Fields& Nested(std::string_view label, const std::string& text) { return Add(label, text); }

  std::string Text() const { return "{" + text_ + "}"; }

 private:
  Fields& Add(std::string_view label, std::string_view value) {
    if (!text_.empty()) text_ += ", ";
    text_ += label;
    text_ += value;
    return *this;
  }

  BlockView data_;
  std::string text_;
};

using twain::TWTY_BOOL;
using twain::TWTY_FIX32;
using twain::TWTY_FRAME;
using twain::TWTY_INT16;
using twain::TWTY_INT32;
using twain::TWTY_STR255;
using twain::TWTY_STR32;
using twain::TWTY_UINT16;
using twain::TWTY_UINT32;

std::string VersionText(BlockView v) {
  using twain::TW_VERSION;
  return Fields(v)
      .Item("MajorNum:", TWTY_UINT16, offsetof(TW_VERSION, MajorNum))
      .Item("MinorNum:", TWTY_UINT16, offsetof(TW_VERSION, MinorNum))
      .Named("Language:", kFamilyLanguage, TWTY_INT16, offsetof(TW_VERSION, Language))
      .Named("Country:", kFamilyCountry, TWTY_UINT16, offsetof(TW_VERSION, Country))
      .Item("Info:", TWTY_STR32, offsetof(TW_VERSION, Info))
      .Text();
}

std::string IdentityText(BlockView v) {
  using twain::TW_IDENTITY;
  return Fields(v)
      .Item("Id:", TWTY_UINT32, offsetof(TW_IDENTITY, Id))
      .Nested("Version:", VersionText(v.From(offsetof(TW_IDENTITY, Version))))
      .Item("ProtocolMajor:", TWTY_UINT16, offsetof(TW_IDENTITY, ProtocolMajor))
      .Item("ProtocolMinor:", TWTY_UINT16, offsetof(TW_IDENTITY, ProtocolMinor))
      .Item("SupportedGroups:", TWTY_UINT32, offsetof(TW_IDENTITY, SupportedGroups))
      .Item("Manufacturer:", TWTY_STR32, offsetof(TW_IDENTITY, Manufacturer))
      .Item("ProductFamily:", TWTY_STR32, offsetof(TW_IDENTITY, ProductFamily))
      .Item("ProductName:", TWTY_STR32, offsetof(TW_IDENTITY, ProductName))
      .Text();
}

std::string MemoryText(BlockView v) {
  using twain::TW_MEMORY;
  return Fields(v)
      .Item("Flags:", TWTY_UINT32, offsetof(TW_MEMORY, Flags))
      .Item("Length:", TWTY_UINT32, offsetof(TW_MEMORY, Length))
      .Tag("TheMem:", ":MEMREF")
      .Text();
}

std::string StageText() {
  return Fields(BlockView())
      .Tag("Decode:", ":DECODEFUNCTION[3]")
      .Tag("Mix:", ":FIX32[3][3]")
      .Text();
}

std::string PointText(BlockView v) {
  using twain::TW_CIEPOINT;
  return Fields(v)
      .Item("X:", TWTY_FIX32, offsetof(TW_CIEPOINT, X))
      .Item("Y:", TWTY_FIX32, offsetof(TW_CIEPOINT, Y))
      .Item("Z:", TWTY_FIX32, offsetof(TW_CIEPOINT, Z))
      .Text();
}

// The structures rendered in braces; "unknown structure" for a DAT without a rendering.
std::string FieldsText(TW_UINT16 dat, BlockView v) {
  using namespace twain;
  switch (dat) {
    case DAT_CAPABILITY:
      return Fields(v)
          .Named("Cap:", kFamilyCapability, TWTY_UINT16, offsetof(TW_CAPABILITY, Cap))
          .Named("ConType:", kFamilyContainer, TWTY_UINT16, offsetof(TW_CAPABILITY, ConType))
          .Handle("hContainer:", offsetof(TW_CAPABILITY, hContainer))
          .Text();
    case DAT_EVENT:
      return Fields(v)
          .Tag("pEvent:", ":MEMREF")
          .Named("TWMessage:", kFamilyMsg, TWTY_UINT16, offsetof(TW_EVENT, TWMessage))
          .Text();
    case DAT_IDENTITY:
      return IdentityText(v);
    case DAT_PENDINGXFERS:
      return Fields(v)
          .Item("Count:", TWTY_INT16, offsetof(TW_PENDINGXFERS, Count))
          .Item("EOJ:", TWTY_UINT32, offsetof(TW_PENDINGXFERS, EOJ))
          .Text();
    case DAT_SETUPMEMXFER:
      return Fields(v)
          .Item("MinBufSize:", TWTY_UINT32, offsetof(TW_SETUPMEMXFER, MinBufSize))
          .Item("MaxBufSize:", TWTY_UINT32, offsetof(TW_SETUPMEMXFER, MaxBufSize))
          .Item("Preferred:", TWTY_UINT32, offsetof(TW_SETUPMEMXFER, Preferred))
          .Text();
    case DAT_SETUPFILEXFER:
      return Fields(v)
          .Item("FileName:", TWTY_STR255, offsetof(TW_SETUPFILEXFER, FileName))
          .Named("Format:", kFamilyFileFormat, TWTY_UINT16, offsetof(TW_SETUPFILEXFER, Format))
          .Item("VRefNum:", TWTY_INT16, offsetof(TW_SETUPFILEXFER, VRefNum))
          .Text();
    case DAT_STATUS:
      return Fields(v)
          .Named("ConditionCode:", kFamilyConditionCode, TWTY_UINT16,
                 offsetof(TW_STATUS, ConditionCode))
          .Item("Reserved:", TWTY_UINT16, offsetof(TW_STATUS, Reserved))
          .Text();
    case DAT_USERINTERFACE:
      return Fields(v)
          .Item("ShowUI:", TWTY_BOOL, offsetof(TW_USERINTERFACE, ShowUI))
          .Item("ModalUI:", TWTY_BOOL, offsetof(TW_USERINTERFACE, ModalUI))
          .Handle("hParent:", offsetof(TW_USERINTERFACE, hParent))
          .Text();
    case DAT_TWUNKIDENTITY:
      return Fields(v)
          .Nested("identity:", IdentityText(v.From(offsetof(TW_TWUNKIDENTITY, identity))))
          .Item("dsPath:", TWTY_STR255, offsetof(TW_TWUNKIDENTITY, dsPath))
          .Text();
    case DAT_CUSTOMDSDATA:
      return Fields(v)
          .Item("InfoLength:", TWTY_UINT32, offsetof(TW_CUSTOMDSDATA, InfoLength))
          .Handle("hData:", offsetof(TW_CUSTOMDSDATA, hData))
          .Text();
    case DAT_DEVICEEVENT:
      return Fields(v)
          .Named("Event:", kFamilyDeviceEvent, TWTY_UINT32, offsetof(TW_DEVICEEVENT, Event))
          .Item("DeviceName:", TWTY_STR255, offsetof(TW_DEVICEEVENT, DeviceName))
          .Item("BatteryMinutes:", TWTY_UINT32, offsetof(TW_DEVICEEVENT, BatteryMinutes))
          .Item("BatteryPercentage:", TWTY_INT16, offsetof(TW_DEVICEEVENT, BatteryPercentage))
          .Item("PowerSupply:", TWTY_INT32, offsetof(TW_DEVICEEVENT, PowerSupply))
          .Item("XResolution:", TWTY_FIX32, offsetof(TW_DEVICEEVENT, XResolution))
          .Item("YResolution:", TWTY_FIX32, offsetof(TW_DEVICEEVENT, YResolution))
          .Item("FlashUsed2:", TWTY_UINT32, offsetof(TW_DEVICEEVENT, FlashUsed2))
          .Item("AutomaticCapture:", TWTY_UINT32, offsetof(TW_DEVICEEVENT, AutomaticCapture))
          .Item("TimeBeforeFirstCapture:", TWTY_UINT32,
                offsetof(TW_DEVICEEVENT, TimeBeforeFirstCapture))
          .Item("TimeBetweenCaptures:", TWTY_UINT32, offsetof(TW_DEVICEEVENT, TimeBetweenCaptures))
          .Text();
    case DAT_FILESYSTEM:
      return Fields(v)
          .Item("InputName:", TWTY_STR255, offsetof(TW_FILESYSTEM, InputName))
          .Item("OutputName:", TWTY_STR255, offsetof(TW_FILESYSTEM, OutputName))
          .Tag("Context:", ":MEMREF")
          .Item("Recursive:", TWTY_INT16, offsetof(TW_FILESYSTEM, Recursive))
          .Named("FileType:", kFamilyFileType, TWTY_INT32, offsetof(TW_FILESYSTEM, FileType))
          .Item("Size:", TWTY_UINT32, offsetof(TW_FILESYSTEM, Size))
          .Item("CreateTimeDate:", TWTY_STR32, offsetof(TW_FILESYSTEM, CreateTimeDate))
          .Item("ModifiedTimeDate:", TWTY_STR32, offsetof(TW_FILESYSTEM, ModifiedTimeDate))
          .Item("FreeSpace:", TWTY_UINT32, offsetof(TW_FILESYSTEM, FreeSpace))
          .Item("NewImageSize:", TWTY_INT32, offsetof(TW_FILESYSTEM, NewImageSize))
          .Item("NumberOfFiles:", TWTY_UINT32, offsetof(TW_FILESYSTEM, NumberOfFiles))
          .Item("NumberOfSnippets:", TWTY_UINT32, offsetof(TW_FILESYSTEM, NumberOfSnippets))
          .Item("DeviceGroupMask:", TWTY_UINT32, offsetof(TW_FILESYSTEM, DeviceGroupMask))
          .Tag("Reserved:", ":INT8[508]")
          .Text();
    case DAT_PASSTHRU:
      return Fields(v)
          .Tag("pCommand:", ":MEMREF")
          .Item("CommandBytes:", TWTY_UINT32, offsetof(TW_PASSTHRU, CommandBytes))
          .Named("Direction:", kFamilyPassThruDirection, TWTY_INT32,
                 offsetof(TW_PASSTHRU, Direction))
          .Tag("pData:", ":MEMREF")
          .Item("DataBytes:", TWTY_UINT32, offsetof(TW_PASSTHRU, DataBytes))
          .Item("DataBytesXfered:", TWTY_UINT32, offsetof(TW_PASSTHRU, DataBytesXfered))
          .Text();
    case DAT_IMAGEINFO:
      return Fields(v)
          .Item("XResolution:", TWTY_FIX32, offsetof(TW_IMAGEINFO, XResolution))
          .Item("YResolution:", TWTY_FIX32, offsetof(TW_IMAGEINFO, YResolution))
          .Item("ImageWidth:", TWTY_INT32, offsetof(TW_IMAGEINFO, ImageWidth))
          .Item("ImageLength:", TWTY_INT32, offsetof(TW_IMAGEINFO, ImageLength))
          .Item("SamplesPerPixel:", TWTY_INT16, offsetof(TW_IMAGEINFO, SamplesPerPixel))
          .Tag("BitsPerSample:", ":INT16[8]")
          .Item("BitsPerPixel:", TWTY_INT16, offsetof(TW_IMAGEINFO, BitsPerPixel))
          .Item("Planar:", TWTY_BOOL, offsetof(TW_IMAGEINFO, Planar))
          .Named("PixelType:", kFamilyPixelType, TWTY_INT16, offsetof(TW_IMAGEINFO, PixelType))
          .Named("Compression:", kFamilyCompression, TWTY_UINT16,
                 offsetof(TW_IMAGEINFO, Compression))
          .Text();
    case DAT_IMAGELAYOUT:
      return Fields(v)
          .Item("Frame:", TWTY_FRAME, offsetof(TW_IMAGELAYOUT, Frame))
          .Item("DocumentNumber:", TWTY_UINT32, offsetof(TW_IMAGELAYOUT, DocumentNumber))
          .Item("PageNumber:", TWTY_UINT32, offsetof(TW_IMAGELAYOUT, PageNumber))
          .Item("FrameNumber:", TWTY_UINT32, offsetof(TW_IMAGELAYOUT, FrameNumber))
          .Text();
    case DAT_IMAGEMEMXFER:
      return Fields(v)
          .Named("Compression:", kFamilyCompression, TWTY_UINT16,
                 offsetof(TW_IMAGEMEMXFER, Compression))
          .Item("BytesPerRow:", TWTY_UINT32, offsetof(TW_IMAGEMEMXFER, BytesPerRow))
          .Item("Columns:", TWTY_UINT32, offsetof(TW_IMAGEMEMXFER, Columns))
          .Item("Rows:", TWTY_UINT32, offsetof(TW_IMAGEMEMXFER, Rows))
          .Item("XOffset:", TWTY_UINT32, offsetof(TW_IMAGEMEMXFER, XOffset))
          .Item("YOffset:", TWTY_UINT32, offsetof(TW_IMAGEMEMXFER, YOffset))
          .Item("BytesWritten:", TWTY_UINT32, offsetof(TW_IMAGEMEMXFER, BytesWritten))
          .Nested("Memory:", MemoryText(v.From(offsetof(TW_IMAGEMEMXFER, Memory))))
          .Text();
    case DAT_CIECOLOR:
      return Fields(v)
          .Named("ColorSpace:", kFamilyPixelType, TWTY_UINT16, offsetof(TW_CIECOLOR, ColorSpace))
          .Item("LowEndian:", TWTY_INT16, offsetof(TW_CIECOLOR, LowEndian))
          .Item("DeviceDependent:", TWTY_INT16, offsetof(TW_CIECOLOR, DeviceDependent))
          .Item("VersionNumber:", TWTY_INT32, offsetof(TW_CIECOLOR, VersionNumber))
          .Nested("StageABC:", StageText())
          .Nested("StageLMN:", StageText())
          .Nested("WhitePoint:", PointText(v.From(offsetof(TW_CIECOLOR, WhitePoint))))
          .Nested("BlackPoint:", PointText(v.From(offsetof(TW_CIECOLOR, BlackPoint))))
          .Nested("WhitePaper:", PointText(v.From(offsetof(TW_CIECOLOR, WhitePaper))))
          .Nested("BlackInk:", PointText(v.From(offsetof(TW_CIECOLOR, BlackInk))))
          .Tag("Samples:", ":FIX32[1]")
          .Text();
    case DAT_GRAYRESPONSE:
    case DAT_RGBRESPONSE:
      return Fields(v).Tag("Response:", ":ELEMENT8[1]").Text();
    case DAT_JPEGCOMPRESSION:
      return Fields(v)
          .Item("ColorSpace:", TWTY_UINT16, offsetof(TW_JPEGCOMPRESSION, ColorSpace))
          .Item("SubSampling:", TWTY_UINT32, offsetof(TW_JPEGCOMPRESSION, SubSampling))
          .Item("NumComponents:", TWTY_UINT16, offsetof(TW_JPEGCOMPRESSION, NumComponents))
          .Item("RestartFrequency:", TWTY_UINT16, offsetof(TW_JPEGCOMPRESSION, RestartFrequency))
          .Tag("QuantMap:", ":UINT16[4]")
          .Tag("QuantTable:", ":MEMORY[4]")
          .Tag("HuffmanMap:", ":UINT16[4]")
          .Tag("HuffmanDC:", ":MEMORY[2]")
          .Tag("HuffmanAC:", ":MEMORY[2]")
          .Text();
    case DAT_PALETTE8:
      return Fields(v)
          .Item("NumColors:", TWTY_UINT16, offsetof(TW_PALETTE8, NumColors))
          .Named("PaletteType:", kFamilyPaletteType, TWTY_UINT16,
                 offsetof(TW_PALETTE8, PaletteType))
          .Tag("Colors:", ":ELEMENT8[256]")
          .Text();
    case DAT_EXTIMAGEINFO:
      return Fields(v)
          .Item("NumInfos:", TWTY_UINT32, offsetof(TW_EXTIMAGEINFO, NumInfos))
          .Tag("Info:", ":INFO[1]")
          .Text();
    case DAT_AUDIOINFO:
      return Fields(v)
          .Item("Name:", TWTY_STR255, offsetof(TW_AUDIOINFO, Name))
          .Item("Reserved:", TWTY_UINT32, offsetof(TW_AUDIOINFO, Reserved))
          .Text();
    case DAT_SETUPFILEXFER2:
      return Fields(v)
          .Tag("FileName:", ":MEMREF")
          .Item("FileNameType:", TWTY_UINT16, offsetof(TW_SETUPFILEXFER2, FileNameType))
          .Named("Format:", kFamilyFileFormat, TWTY_UINT16, offsetof(TW_SETUPFILEXFER2, Format))
          .Item("VRefNum:", TWTY_INT16, offsetof(TW_SETUPFILEXFER2, VRefNum))
          .Item("parID:", TWTY_UINT32, offsetof(TW_SETUPFILEXFER2, parID))
          .Text();
    default:
      return "{unknown structure}";
  }
}

// The trace clock's tick source and start time.
std::function<std::uint32_t()>& ClockTicks() {
  static std::function<std::uint32_t()> ticks;
  return ticks;
}
std::uint32_t clock_start = 0;
char decimal_separator = '.';

}  // namespace

// ---------------------------------------------------------------------------------------------
// Names

std::string TwainCodeName(int family, std::int64_t value) {
  const int index = family & 0xFF;
  if (index >= kFamilyCount) return {};
  if (const char* name = LookupName(index, value)) return name;
  return std::string(niawt_tables::kFamilies[index].prefix) + "?\?\?(" + Decimal(value) + "=$" +
         Hex4(value) + ")";
}

int FamilyEntryCount(int family) {
  const int index = family & 0xFF;
  if (index >= kFamilyCount) return 0;
  if (index == kFamilyBoolean) return 2;
  return static_cast<int>(niawt_tables::kFamilies[index].names.size());
}

std::size_t ItemTypeSize(TW_UINT16 item_type) {
  switch (item_type) {
    case twain::TWTY_INT8:
    case twain::TWTY_UINT8:
      return 1;
    case twain::TWTY_INT16:
    case twain::TWTY_UINT16:
    case twain::TWTY_BOOL:
      return 2;
    case twain::TWTY_INT32:
    case twain::TWTY_UINT32:
    case twain::TWTY_FIX32:
      return 4;
    case twain::TWTY_FRAME:
      return sizeof(twain::TW_FRAME);
    case twain::TWTY_STR32:
      return sizeof(twain::TW_STR32);
    case twain::TWTY_STR64:
      return sizeof(twain::TW_STR64);
    case twain::TWTY_STR128:
      return sizeof(twain::TW_STR128);
    case twain::TWTY_STR255:
      return sizeof(twain::TW_STR255);
    case twain::TWTY_STR1024:
      return sizeof(twain::TW_STR1024);
    case twain::TWTY_UNI512:
      return sizeof(twain::TW_UNI512);
    default:
      return 0;
  }
}

std::int16_t CapabilityItemType(TW_UINT16 cap) {
  const auto* entry = FindCapability(cap);
  return entry != nullptr ? entry->item_type : std::int16_t{-1};
}

int CapabilityValueFamily(TW_UINT16 cap) {
  const auto* entry = FindCapability(cap);
  return entry != nullptr ? entry->value_family : 0;
}

// ---------------------------------------------------------------------------------------------
// Renderings

char DecimalSeparator() { return decimal_separator; }
void SetDecimalSeparator(char separator) { decimal_separator = separator; }

std::int64_t ItemInteger(TW_UINT16 item_type, BlockView item) {
  switch (item_type) {
    case twain::TWTY_INT8:
      return item.Read<std::int8_t>(0);
    case twain::TWTY_INT16:
      return item.Read<std::int16_t>(0);
    case twain::TWTY_INT32:
      return item.Read<std::int32_t>(0);
    case twain::TWTY_UINT8:
      return item.Read<std::uint8_t>(0);
    case twain::TWTY_UINT16:
      return item.Read<std::uint16_t>(0);
    case twain::TWTY_UINT32:
      return item.Read<std::uint32_t>(0);
    default:
      return 0;
  }
}

std::string Fix32Text(const twain::TW_FIX32& value) {
  const double number = value.Whole + value.Frac / 65536.0;
  char digits[32];
  const auto [end, ec] =
      std::to_chars(digits, digits + sizeof digits, number, std::chars_format::general, 10);
  std::string text(digits, end);
  std::replace(text.begin(), text.end(), '.', decimal_separator);
  return text;
}

std::string Fix32Text(BlockView item) {
  if (!item.Has(0, sizeof(twain::TW_FIX32))) return std::string(kItemBeyondBlock);
  twain::TW_FIX32 value;
  value.Whole = item.Read<twain::TW_INT16>(0);
  value.Frac = item.Read<TW_UINT16>(2);
  return Fix32Text(value);
}

std::string ItemText(TW_UINT16 item_type, BlockView item) {
  if (item_type >= twain::TWTY_STR1024) {
    return TwainCodeName(kFamilyItemType, item_type) + "[unimplemented item type]";
  }
  if (IsTextType(item_type)) return QuotedText(item_type, item);
  if (!item.Has(0, ItemTypeSize(item_type))) return std::string(kItemBeyondBlock);
  switch (item_type) {
    case twain::TWTY_BOOL:
      return TwainCodeName(kFamilyBoolean, item.Read<TW_UINT16>(0));
    case twain::TWTY_FIX32:
      return Fix32Text(item);
    case twain::TWTY_FRAME:
      return FrameText(item);
    default:
      return Decimal(ItemInteger(item_type, item));
  }
}

std::string CapabilityValueText(TW_UINT16 item_type, TW_UINT16 cap, BlockView item) {
  const int family = CapabilityValueFamily(cap);
  if (family == 0) return ItemText(item_type, item);
  if (!IsIntegerType(item_type)) return std::string(kShouldNotHappen);
  if (!item.Has(0, ItemTypeSize(item_type))) return std::string(kItemBeyondBlock);
  // A value the family does not know shows as its number (no name holds "???").
  const std::int64_t value = ItemInteger(item_type, item);
  if (const char* name = LookupName(family, value)) return name;
  return Decimal(value);
}

std::string ContainerText(TW_UINT16 cap, TW_UINT16 con_type, BlockView container) {
  constexpr std::string_view kTooShort = "[container too short]";
  const auto item_type = container.Read<TW_UINT16>(0);
  switch (con_type) {
    case twain::TWON_ARRAY: {
      if (!container.Has(0, offsetof(twain::TW_ARRAY, ItemList))) return std::string(kTooShort);
      const auto count = container.Read<TW_UINT32>(offsetof(twain::TW_ARRAY, NumItems));
      return "array(" +
             ItemListText(item_type, cap, container.From(offsetof(twain::TW_ARRAY, ItemList)),
                          count) +
             ")";
    }
    case twain::TWON_ENUMERATION: {
      using twain::TW_ENUMERATION;
      if (!container.Has(0, offsetof(TW_ENUMERATION, ItemList))) return std::string(kTooShort);
      const auto count = container.Read<TW_UINT32>(offsetof(TW_ENUMERATION, NumItems));
      return "enum(" +
             ItemListText(item_type, cap, container.From(offsetof(TW_ENUMERATION, ItemList)),
                          count) +
             ")[" + Decimal(container.Read<TW_UINT32>(offsetof(TW_ENUMERATION, CurrentIndex))) +
             "," + Decimal(container.Read<TW_UINT32>(offsetof(TW_ENUMERATION, DefaultIndex))) + "]";
    }
    case twain::TWON_ONEVALUE:
      if (!container.Has(0, offsetof(twain::TW_ONEVALUE, Item))) return std::string(kTooShort);
      return CapabilityValueText(item_type, cap,
                                 container.From(offsetof(twain::TW_ONEVALUE, Item)));
    case twain::TWON_RANGE: {
      using twain::TW_RANGE;
      if (!container.Has(0, sizeof(TW_RANGE))) return std::string(kTooShort);
      const auto value = [&](std::size_t offset) {
        return CapabilityValueText(item_type, cap, container.From(offset));
      };
      return "range(" + value(offsetof(TW_RANGE, MinValue)) + "..+" +
             value(offsetof(TW_RANGE, StepSize)) + ".." + value(offsetof(TW_RANGE, MaxValue)) +
             ")[" + value(offsetof(TW_RANGE, CurrentValue)) + "," +
             value(offsetof(TW_RANGE, DefaultValue)) + "]";
    }
    default:
      return TwainCodeName(kFamilyContainer, con_type) + "[unimplemented container type]";
  }
}

std::string ContainerText(const twain::TW_CAPABILITY& capability, ContainerMemory& memory) {
  twain::TW_HANDLE handle = capability.hContainer;
  if (handle == nullptr) return "[no container]";
  const BlockView container = memory.Lock(handle);
  if (container.empty()) return "[no container]";
  std::string text = ContainerText(capability.Cap, capability.ConType, container);
  memory.Unlock(handle);
  return text;
}

std::size_t StructureSize(TW_UINT16 dat) {
  using namespace twain;
  switch (dat) {
    case DAT_CAPABILITY:
      return sizeof(TW_CAPABILITY);
    case DAT_EVENT:
      return sizeof(TW_EVENT);
    case DAT_IDENTITY:
      return sizeof(TW_IDENTITY);
    case DAT_PARENT:
      return sizeof(TW_HANDLE);
    case DAT_PENDINGXFERS:
      return sizeof(TW_PENDINGXFERS);
    case DAT_SETUPMEMXFER:
      return sizeof(TW_SETUPMEMXFER);
    case DAT_SETUPFILEXFER:
      return sizeof(TW_SETUPFILEXFER);
    case DAT_STATUS:
      return sizeof(TW_STATUS);
    case DAT_USERINTERFACE:
      return sizeof(TW_USERINTERFACE);
    case DAT_XFERGROUP:
      return sizeof(TW_UINT32);
    case DAT_TWUNKIDENTITY:
      return sizeof(TW_TWUNKIDENTITY);
    case DAT_CUSTOMDSDATA:
      return sizeof(TW_CUSTOMDSDATA);
    case DAT_DEVICEEVENT:
      return sizeof(TW_DEVICEEVENT);
    case DAT_FILESYSTEM:
      return sizeof(TW_FILESYSTEM);
    case DAT_PASSTHRU:
      return sizeof(TW_PASSTHRU);
    case DAT_IMAGEINFO:
      return sizeof(TW_IMAGEINFO);
    case DAT_IMAGELAYOUT:
      return sizeof(TW_IMAGELAYOUT);
    case DAT_IMAGEMEMXFER:
      return sizeof(TW_IMAGEMEMXFER);
    case DAT_IMAGENATIVEXFER:
      return sizeof(TW_HANDLE);
    case DAT_CIECOLOR:
      return sizeof(TW_CIECOLOR);
    case DAT_GRAYRESPONSE:
      return sizeof(TW_GRAYRESPONSE);
    case DAT_RGBRESPONSE:
      return sizeof(TW_RGBRESPONSE);
    case DAT_JPEGCOMPRESSION:
      return sizeof(TW_JPEGCOMPRESSION);
    case DAT_PALETTE8:
      return sizeof(TW_PALETTE8);
    case DAT_EXTIMAGEINFO:
      return sizeof(TW_EXTIMAGEINFO);
    case DAT_AUDIONATIVEXFER:
      return sizeof(TW_HANDLE);
    case DAT_AUDIOINFO:
      return sizeof(TW_AUDIOINFO);
    case DAT_SETUPFILEXFER2:
      return sizeof(TW_SETUPFILEXFER2);
    default:
      return 0;
  }
}

std::string StructureText(TW_UINT16 dat, BlockView data) {
  using namespace twain;
  switch (dat) {
    case DAT_NULL:
    case DAT_IMAGEFILEXFER:
    case DAT_AUDIOFILEXFER:
      return {};
    case DAT_PARENT:
    case DAT_IMAGENATIVEXFER:
    case DAT_AUDIONATIVEXFER:
      if (!data.Has(0, sizeof(twain::TW_UINTPTR))) return "(" + std::string(kItemBeyondBlock) + ")";
      return "(" + std::to_string(data.Read<twain::TW_UINTPTR>(0)) + ")";
    case DAT_XFERGROUP:
      return "(" + ItemText(TWTY_UINT32, data) + ")";
    default:
      return FieldsText(dat, data);
  }
}

// ---------------------------------------------------------------------------------------------
// The trace clock and the traced call

void StartTraceClock(std::function<std::uint32_t()> ticks) {
  ClockTicks() = std::move(ticks);
  clock_start = ClockTicks() ? ClockTicks()() : 0;
}

std::int64_t TraceClock() {
  const auto& ticks = ClockTicks();
  if (!ticks) return 0;
  return static_cast<std::uint32_t>(ticks() - clock_start);
}

std::int32_t TracedDsmEntry(twain::TW_IDENTITY* origin, twain::TW_IDENTITY* destination,
                            TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, twain::TW_MEMREF data,
                            twain::DsmEntryProc entry, ContainerMemory& memory, TracedCall& call) {
  using namespace twain;
  std::string& trace = call.trace;
  trace.clear();
  call.condition_code = 0;
  trace += '[';
  trace += Decimal(TraceClock());
  trace += destination == nullptr ? "]>nil " : "]>src ";
  trace += Decimal(dg);
  trace += '/';
  trace += TwainCodeName(kFamilyDat, dat);
  trace += '/';
  trace += TwainCodeName(kFamilyMsg, msg);

  // The capability is read afresh after the call: the source fills in ConType and hContainer.
  const auto capability = [&] {
    TW_CAPABILITY value;
    std::memcpy(&value, data, sizeof value);
    return value;
  };
  const bool has_capability = dat == DAT_CAPABILITY && data != nullptr;
  if (has_capability) {
    trace += ' ';
    trace += TwainCodeName(kFamilyCapability, capability().Cap);
    if (msg == MSG_SET) {
      trace += ' ';
      trace += ContainerText(capability(), memory);
    }
  }

  if (entry == nullptr) {
    trace += " => ";
    trace += TwainCodeName(kFamilyReturnCode, TWRC_FAILURE);
    trace += " [no entry point]";
    return TWRC_FAILURE;
  }
  const TW_UINT16 rc = entry(origin, destination, dg, dat, msg, data);
  std::int32_t result = rc;
  trace += " => ";
  trace += TwainCodeName(kFamilyReturnCode, rc);

  if (rc == TWRC_FAILURE) {
    TW_STATUS status{};
    const TW_UINT16 status_rc =
        entry(origin, destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    if (status_rc != TWRC_SUCCESS) {
      trace += ": failed to get TWCC_*: ";
      trace += TwainCodeName(kFamilyReturnCode, status_rc);
    } else {
      call.condition_code = status.ConditionCode;
      trace += ':';
      trace += TwainCodeName(kFamilyConditionCode, status.ConditionCode);
      if (status.ConditionCode != TWCC_SUCCESS) {
        result = -static_cast<std::int32_t>(status.ConditionCode);
      } else {
        trace += " [should not happen!]";
      }
    }
  }

  if (data == nullptr) return result;
  if (dat != DAT_CAPABILITY && dat != DAT_EVENT) {
    trace += ' ';
    trace += StructureText(dat, BlockView(data, StructureSize(dat)));
  } else if (has_capability && result == 0 &&
             (msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT ||
              msg == MSG_RESET)) {
    trace += ' ';
    trace += ContainerText(capability(), memory);
  } else if (dat == DAT_EVENT && msg == MSG_PROCESSEVENT && result == TWRC_DSEVENT) {
    trace += ' ';
    trace += TwainCodeName(
        kFamilyMsg,
        BlockView(data, sizeof(TW_EVENT)).Read<TW_UINT16>(offsetof(TW_EVENT, TWMessage)));
  }
  return result;
}

}  // namespace scan
