#include "tools/virtual_scanner/Script.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace virtual_scanner {

using namespace twain;

namespace {

struct CapabilityName {
  const char* name;
  TW_UINT16 code;
  int item_type;
};

// Generated at configure time from scan/twain-data/capabilities.tsv.
constexpr CapabilityName kCapabilityNames[] = {
#include "CapabilityTable.inc"
};

struct NamedCode {
  const char* name;
  TW_UINT16 code;
};

constexpr NamedCode kConditionCodes[] = {{"SUCCESS", 0},          {"BUMMER", 1},
                                         {"LOWMEMORY", 2},        {"NODS", 3},
                                         {"MAXCONNECTIONS", 4},   {"OPERATIONERROR", 5},
                                         {"BADCAP", 6},           {"BADPROTOCOL", 9},
                                         {"BADVALUE", 10},        {"SEQERROR", 11},
                                         {"BADDEST", 12},         {"CAPUNSUPPORTED", 13},
                                         {"CAPBADOPERATION", 14}, {"CAPSEQERROR", 15},
                                         {"DENIED", 16},          {"FILEEXISTS", 17},
                                         {"FILENOTFOUND", 18},    {"NOTEMPTY", 19},
                                         {"PAPERJAM", 20},        {"PAPERDOUBLEFEED", 21},
                                         {"FILEWRITEERROR", 22},  {"CHECKDEVICEONLINE", 23}};

constexpr NamedCode kItemTypes[] = {
    {"INT8", TWTY_INT8},     {"INT16", TWTY_INT16},     {"INT32", TWTY_INT32},
    {"UINT8", TWTY_UINT8},   {"UINT16", TWTY_UINT16},   {"UINT32", TWTY_UINT32},
    {"BOOL", TWTY_BOOL},     {"FIX32", TWTY_FIX32},     {"FRAME", TWTY_FRAME},
    {"STR32", TWTY_STR32},   {"STR64", TWTY_STR64},     {"STR128", TWTY_STR128},
    {"STR255", TWTY_STR255}, {"STR1024", TWTY_STR1024}, {"UNI512", TWTY_UNI512}};

constexpr NamedCode kContainers[] = {{"one", TWON_ONEVALUE},
                                     {"array", TWON_ARRAY},
                                     {"enum", TWON_ENUMERATION},
                                     {"range", TWON_RANGE}};

std::string_view WithoutPrefix(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix ? text.substr(prefix.size()) : text;
}

std::optional<long long> Integer(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(copy.c_str(), &end, 0);
  if (errno != 0 || end != copy.c_str() + copy.size()) return std::nullopt;
  return value;
}

std::optional<double> Real(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

template <std::size_t N>
std::optional<TW_UINT16> Lookup(const NamedCode (&table)[N], std::string_view name) {
  for (const NamedCode& entry : table) {
    if (name == entry.name) return entry.code;
  }
  return std::nullopt;
}

std::optional<TW_UINT16> ConditionCode(std::string_view text) {
  if (auto code = Lookup(kConditionCodes, WithoutPrefix(text, "TWCC_"))) return code;
  auto number = Integer(text);
  if (number && *number >= 0 && *number <= 0xFFFF) return static_cast<TW_UINT16>(*number);
  return std::nullopt;
}

std::optional<TW_UINT16> ItemTypeCode(std::string_view text) {
  return Lookup(kItemTypes, WithoutPrefix(text, "TWTY_"));
}

std::string Unquote(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  return std::string(text);
}

// The line up to a '#' outside quotes.
std::string_view WithoutComment(std::string_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '#' && !quoted) return line.substr(0, i);
  }
  return line;
}

// Splits at blanks, keeping quoted parts (which may hold blanks) inside their token.
std::vector<std::string> Tokens(std::string_view line) {
  std::vector<std::string> tokens;
  std::string token;
  bool quoted = false;
  bool any = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == ' ' || c == '\t')) {
      if (any) tokens.push_back(token);
      token.clear();
      any = false;
      continue;
    }
    token += c;
    any = true;
  }
  if (any) tokens.push_back(token);
  return tokens;
}

// Splits at a separator outside quotes.
std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (!quoted && c == separator) {
      parts.push_back(part);
      part.clear();
      continue;
    }
    part += c;
  }
  parts.push_back(part);
  return parts;
}

void PutLittleEndian(Item& item, std::uint64_t value, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) item[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutFix32(Item& item, std::size_t offset, double value) {
  const double whole = std::floor(value);
  double frac = std::floor((value - whole) * 65536.0 + 0.5);
  double whole_adjusted = whole;
  if (frac >= 65536.0) {
    frac = 0;
    whole_adjusted += 1;
  }
  const auto w = static_cast<std::uint16_t>(static_cast<std::int16_t>(whole_adjusted));
  const auto f = static_cast<std::uint16_t>(frac);
  item[offset] = static_cast<std::uint8_t>(w);
  item[offset + 1] = static_cast<std::uint8_t>(w >> 8);
  item[offset + 2] = static_cast<std::uint8_t>(f);
  item[offset + 3] = static_cast<std::uint8_t>(f >> 8);
}

std::optional<Item> ParseItem(TW_UINT16 item_type, std::string_view text) {
  Item item(ItemSize(item_type), 0);
  switch (item_type) {
    case TWTY_INT8:
    case TWTY_INT16:
    case TWTY_INT32:
    case TWTY_UINT8:
    case TWTY_UINT16:
    case TWTY_UINT32:
    case TWTY_BOOL: {
      std::optional<long long> value;
      if (text == "TRUE") value = 1;
      if (text == "FALSE") value = 0;
      if (!value) value = Integer(text);
      if (!value) return std::nullopt;
      PutLittleEndian(item, static_cast<std::uint64_t>(*value), item.size());
      return item;
    }
    case TWTY_FIX32: {
      auto value = Real(text);
      if (!value || *value < -32768.0 || *value >= 32768.0) return std::nullopt;
      PutFix32(item, 0, *value);
      return item;
    }
    case TWTY_FRAME: {
      auto parts = Split(text, ':');
      if (parts.size() != 4) return std::nullopt;
      for (std::size_t i = 0; i < 4; ++i) {
        auto value = Real(parts[i]);
        if (!value || *value < -32768.0 || *value >= 32768.0) return std::nullopt;
        PutFix32(item, 4 * i, *value);
      }
      return item;
    }
    case TWTY_STR32:
    case TWTY_STR64:
    case TWTY_STR128:
    case TWTY_STR255:
    case TWTY_STR1024:
    case TWTY_UNI512: {
      const std::string value = Unquote(text);
      if (value.size() >= item.size()) return std::nullopt;
      std::memcpy(item.data(), value.data(), value.size());
      return item;
    }
    default:
      return std::nullopt;
  }
}

class Parser {
 public:
  std::optional<Script> Parse(std::string_view text, std::string& error) {
    int number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      start = end + 1;
      ++number;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      line = WithoutComment(line);
      std::string what;
      if (!Line(line, what)) {
        error = "line " + std::to_string(number) + ": " + what;
        return std::nullopt;
      }
    }
    for (Source& source : script_.sources) {
      for (Capability& capability : source.capabilities) {
        for (const std::string& fault : source.every_capability_faults) {
          ParseCapabilityFault(fault, capability.fault);
        }
      }
    }
    return script_;
  }

 private:
  static std::string Rest(std::string_view line, std::size_t skip_tokens) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < skip_tokens; ++i) {
      pos = line.find_first_not_of(" \t", pos);
      pos = line.find_first_of(" \t", pos);
      if (pos == std::string_view::npos) return {};
    }
    pos = line.find_first_not_of(" \t", pos);
    if (pos == std::string_view::npos) return {};
    std::string_view rest = line.substr(pos);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
    return Unquote(rest);
  }

  bool Line(std::string_view line, std::string& what) {
    const std::vector<std::string> t = Tokens(line);
    if (t.empty()) return true;
    const std::string& key = t[0];
    if (key == "dsm") return Dsm(t, what);
    if (key == "source") {
      script_.sources.emplace_back();
      script_.sources.back().product_name = Rest(line, 1);
      Capability mechanism;
      mechanism.cap = ICAP_XFERMECH;
      mechanism.container = TWON_ENUMERATION;
      mechanism.item_type = TWTY_UINT16;
      for (TW_UINT16 value : {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}) {
        Item item(2, 0);
        PutLittleEndian(item, value, 2);
        mechanism.values.push_back(item);
      }
      mechanism.current = mechanism.values[2];
      mechanism.default_value = mechanism.values[2];
      script_.sources.back().capabilities.push_back(mechanism);
      return true;
    }
    if (script_.sources.empty()) {
      what = "\"" + key + "\" before the first \"source\"";
      return false;
    }
    Source& source = script_.sources.back();
    if (key == "manufacturer") return Text(Rest(line, 1), source.manufacturer, what);
    if (key == "family") return Text(Rest(line, 1), source.product_family, what);
    if (key == "version" || key == "protocol") {
      if (t.size() < 2) return Fail(what, "version expected");
      auto parts = Split(t[1], '.');
      auto major = parts.size() == 2 ? Integer(parts[0]) : std::nullopt;
      auto minor = parts.size() == 2 ? Integer(parts[1]) : std::nullopt;
      if (!major || !minor || *major < 0 || *major > 0xFFFF || *minor < 0 || *minor > 0xFFFF) {
        return Fail(what, "version as major.minor expected");
      }
      if (key == "protocol") {
        source.protocol_major = static_cast<TW_UINT16>(*major);
        source.protocol_minor = static_cast<TW_UINT16>(*minor);
        return true;
      }
      source.version_major = static_cast<TW_UINT16>(*major);
      source.version_minor = static_cast<TW_UINT16>(*minor);
      if (t.size() > 2) return Text(Rest(line, 2), source.version_info, what);
      return true;
    }
    if (key == "open" || key == "enable") {
      if (t.size() != 3 || t[1] != "fail") return Fail(what, "\"" + key + " fail <TWCC>\"");
      auto code = ConditionCode(t[2]);
      if (!code) return Fail(what, "unknown condition code " + t[2]);
      (key == "open" ? source.open_fails : source.enable_fails) = *code;
      return true;
    }
    if (key == "cap") return Cap(t, source, what);
    if (key == "nocap") {
      auto cap = t.size() == 2 ? CapabilityCode(t[1]) : std::nullopt;
      if (!cap) return Fail(what, "\"nocap <capability>\"");
      std::erase_if(source.capabilities, [&](const Capability& c) { return c.cap == *cap; });
      return true;
    }
    if (key == "native") {
      if (t.size() != 2 || t[1] != "refuse") return Fail(what, "\"native refuse\"");
      Capability* mechanism = source.Find(ICAP_XFERMECH);
      if (mechanism != nullptr) {
        mechanism->values.erase(mechanism->values.begin());
        mechanism->current = mechanism->values.back();
        mechanism->default_value = mechanism->values.back();
      }
      return true;
    }
    if (key == "pages" || key == "feeder") {
      auto count = t.size() == 2 ? Integer(t[1]) : std::nullopt;
      if (!count || *count < 0 || *count > 100000) return Fail(what, "page count expected");
      (key == "pages" ? source.flatbed_pages : source.feeder_sheets) = static_cast<int>(*count);
      return true;
    }
    if (key == "image") {
      if (t.size() != 3 || (t[1] != "gray" && t[1] != "rgb")) {
        return Fail(what, "\"image gray|rgb <width>x<height>\"");
      }
      auto size = Split(t[2], 'x');
      auto width = size.size() == 2 ? Integer(size[0]) : std::nullopt;
      auto height = size.size() == 2 ? Integer(size[1]) : std::nullopt;
      if (!width || !height || *width < 1 || *height < 1 || *width > 65535 || *height > 65535 ||
          *width * *height > 64LL * 1024 * 1024) {
        return Fail(what, "size as <width>x<height>, at most 65535 each and 64 Mpixel");
      }
      source.format = t[1] == "gray" ? PixelFormat::kGray8 : PixelFormat::kRgb24;
      source.width = static_cast<int>(*width);
      source.height = static_cast<int>(*height);
      return true;
    }
    if (key == "fail") {
      auto page = t.size() == 3 ? Integer(t[1]) : std::nullopt;
      auto code = t.size() == 3 ? ConditionCode(t[2]) : std::nullopt;
      if (!page || *page < 1 || !code) return Fail(what, "\"fail <page> <TWCC>\"");
      source.failing_pages.emplace_back(static_cast<int>(*page), *code);
      return true;
    }
    if (key == "cancel") {
      auto page = t.size() == 2 ? Integer(t[1]) : std::nullopt;
      if (!page || *page < 1) return Fail(what, "\"cancel <page>\"");
      source.cancelled_pages.push_back(static_cast<int>(*page));
      return true;
    }
    if (key == "closereq") {
      source.close_request = true;
      return true;
    }
    if (key == "pending") {
      if (t.size() != 2 || t[1] != "unknown") return Fail(what, "\"pending unknown\"");
      source.unknown_pending_count = true;
      return true;
    }
    if (key == "hostile") {
      if (t.size() != 2 && !(t.size() == 3 && t[1] == "caps")) {
        return Fail(what, "\"hostile <mode>\"");
      }
      if (t[1] == "identity-nonul") {
        source.identity_without_nul = true;
      } else if (t[1] == "native-notdib") {
        source.native_not_dib = true;
      } else if (t[1] == "native-null") {
        source.native_null = true;
      } else if (t[1] == "caps" && t.size() == 3) {
        CapabilityFault check;
        if (!ParseCapabilityFault(t[2], check)) return Fail(what, "unknown fault " + t[2]);
        source.every_capability_faults.push_back(t[2]);
      } else {
        return Fail(what, "unknown hostile mode " + t[1]);
      }
      return true;
    }
    return Fail(what, "unknown keyword " + key);
  }

  static bool Fail(std::string& what, std::string text) {
    what = std::move(text);
    return false;
  }

  static bool Text(std::string value, std::string& field, std::string& what) {
    if (value.size() > 33) return Fail(what, "text longer than 33 characters");
    field = std::move(value);
    return true;
  }

  bool Dsm(const std::vector<std::string>& t, std::string& what) {
    if (t.size() == 3 && t[1] == "signal" && (t[2] == "messages" || t[2] == "callbacks")) {
      script_.callbacks = t[2] == "callbacks";
      return true;
    }
    if (t.size() == 4 && t[1] == "opendsm" && t[2] == "fail") {
      script_.open_dsm_fails = ConditionCode(t[3]);
      return script_.open_dsm_fails.has_value() || Fail(what, "unknown condition code " + t[3]);
    }
    if (t.size() == 3 && t[1] == "select") {
      if (t[2] == "cancel") {
        script_.user_select.reset();
        return true;
      }
      auto index = Integer(t[2]);
      if (!index || *index < 0) return Fail(what, "\"dsm select <index>|cancel\"");
      script_.user_select = static_cast<int>(*index);
      return true;
    }
    if (t.size() == 4 && t[1] == "select" && t[2] == "fail") {
      script_.user_select_fails = ConditionCode(t[3]);
      return script_.user_select_fails.has_value() || Fail(what, "unknown condition code " + t[3]);
    }
    if (t.size() == 3 && t[1] == "fpu") {
      auto word = Integer(t[2]);
      if (!word || *word < 0 || *word > 0xFFFF) return Fail(what, "\"dsm fpu <control word>\"");
      script_.leave_control_word = static_cast<std::uint16_t>(*word);
      return true;
    }
    return Fail(what, "unknown dsm setting");
  }

  bool Cap(const std::vector<std::string>& t, Source& source, std::string& what) {
    if (t.size() < 4) return Fail(what, "\"cap <capability> <container> [<type>] <values> ...\"");
    Capability c;
    auto cap_code = CapabilityCode(t[1]);
    if (!cap_code) return Fail(what, "unknown capability " + t[1]);
    c.cap = *cap_code;
    auto container = Lookup(kContainers, t[2]);
    if (!container) return Fail(what, "container one, array, enum or range expected");
    c.container = *container;
    std::size_t next = 3;
    if (auto type = ItemTypeCode(t[3])) {
      c.item_type = *type;
      ++next;
    } else if (StandardItemType(c.cap) >= 0) {
      c.item_type = static_cast<TW_UINT16>(StandardItemType(c.cap));
    } else {
      return Fail(what, "item type needed for " + t[1]);
    }
    if (ItemSize(c.item_type) == 0) return Fail(what, "unsupported item type");
    if (next >= t.size()) return Fail(what, "values expected");
    const std::string& values = t[next++];
    if (c.container == TWON_RANGE) {
      if (ItemSize(c.item_type) > 4) return Fail(what, "a range holds 4-byte items at most");
      auto bounds = values.find("..");
      if (bounds == std::string::npos) return Fail(what, "range as <min>..<max>[/<step>]");
      std::string max_step = values.substr(bounds + 2);
      std::string step = "1";
      if (auto slash = max_step.find('/'); slash != std::string::npos) {
        step = max_step.substr(slash + 1);
        max_step.resize(slash);
      }
      for (const std::string& part : {values.substr(0, bounds), max_step, step}) {
        auto item = ParseItem(c.item_type, part);
        if (!item) return Fail(what, "bad range value " + part);
        c.values.push_back(*item);
      }
    } else {
      for (const std::string& part : Split(values, ',')) {
        auto item = ParseItem(c.item_type, part);
        if (!item) return Fail(what, "bad value " + part);
        c.values.push_back(*item);
      }
      if (c.container == TWON_ONEVALUE && c.values.size() != 1) {
        return Fail(what, "a one-value holds one value");
      }
    }
    c.current = c.values.front();
    c.default_value = c.values.front();
    for (; next < t.size(); ++next) {
      const std::string& attribute = t[next];
      const auto equals = attribute.find('=');
      if (equals == std::string::npos) return Fail(what, "attribute as key=value: " + attribute);
      const std::string name = attribute.substr(0, equals);
      const std::string value = attribute.substr(equals + 1);
      if (name == "current" || name == "default") {
        auto item = ParseItem(c.item_type, value);
        if (!item) return Fail(what, "bad value " + value);
        (name == "current" ? c.current : c.default_value) = *item;
      } else if (name == "set") {
        if (value == "accept") {
          c.set.kind = SetPolicy::Kind::kAccept;
        } else if (value == "ignore") {
          c.set.kind = SetPolicy::Kind::kIgnore;
        } else if (value.rfind("refuse:", 0) == 0) {
          auto code = ConditionCode(value.substr(7));
          if (!code) return Fail(what, "unknown condition code " + value.substr(7));
          c.set.kind = SetPolicy::Kind::kRefuse;
          c.set.condition = *code;
        } else if (value.rfind("applyfail:", 0) == 0) {
          auto code = ConditionCode(value.substr(10));
          if (!code) return Fail(what, "unknown condition code " + value.substr(10));
          c.set.kind = SetPolicy::Kind::kApplyAndFail;
          c.set.condition = *code;
        } else if (value.rfind("readback:", 0) == 0) {
          auto item = ParseItem(c.item_type, value.substr(9));
          if (!item) return Fail(what, "bad value " + value.substr(9));
          c.set.kind = SetPolicy::Kind::kReadBack;
          c.set.read_back = *item;
        } else {
          return Fail(what, "set=accept|ignore|refuse:<TWCC>|applyfail:<TWCC>|readback:<value>");
        }
      } else if (name == "get") {
        auto code = value.rfind("refuse:", 0) == 0 ? ConditionCode(value.substr(7)) : std::nullopt;
        if (!code) return Fail(what, "get=refuse:<TWCC>");
        c.get_refused = *code;
      } else if (name == "bad") {
        if (!ParseCapabilityFault(value, c.fault)) {
          return Fail(what, "bad=null|short|nonul|count:<n>|contype:<n>|itemtype:<n>");
        }
      } else {
        return Fail(what, "unknown attribute " + name);
      }
    }
    std::erase_if(source.capabilities, [&](const Capability& old) { return old.cap == c.cap; });
    source.capabilities.push_back(std::move(c));
    return true;
  }

  Script script_;
};

}  // namespace

std::size_t ItemSize(TW_UINT16 item_type) {
  constexpr std::size_t kSizes[] = {1, 2, 4, 1, 2, 4, 2, 4, 16, 34, 66, 130, 256, 1026, 1024};
  return item_type < std::size(kSizes) ? kSizes[item_type] : 0;
}

std::optional<double> ItemNumber(TW_UINT16 item_type, const Item& item) {
  if (item.size() < ItemSize(item_type)) return std::nullopt;
  auto u16 = [&](std::size_t at) {
    return static_cast<std::uint16_t>(item[at] | (item[at + 1] << 8));
  };
  auto u32 = [&]() {
    return static_cast<std::uint32_t>(u16(0)) | (static_cast<std::uint32_t>(u16(2)) << 16);
  };
  switch (item_type) {
    case TWTY_INT8:
      return static_cast<std::int8_t>(item[0]);
    case TWTY_UINT8:
      return item[0];
    case TWTY_INT16:
      return static_cast<std::int16_t>(u16(0));
    case TWTY_UINT16:
    case TWTY_BOOL:
      return u16(0);
    case TWTY_INT32:
      return static_cast<std::int32_t>(u32());
    case TWTY_UINT32:
      return u32();
    case TWTY_FIX32:
      return static_cast<std::int16_t>(u16(0)) + u16(2) / 65536.0;
    default:
      return std::nullopt;
  }
}

std::optional<TW_UINT16> CapabilityCode(std::string_view name) {
  for (const CapabilityName& entry : kCapabilityNames) {
    if (name == entry.name) return entry.code;
  }
  auto number = Integer(name);
  if (number && *number >= 0 && *number <= 0xFFFF) return static_cast<TW_UINT16>(*number);
  return std::nullopt;
}

int StandardItemType(TW_UINT16 cap) {
  for (const CapabilityName& entry : kCapabilityNames) {
    if (entry.code == cap) return entry.item_type;
  }
  return -1;
}

Capability* Source::Find(TW_UINT16 cap) {
  for (Capability& c : capabilities) {
    if (c.cap == cap) return &c;
  }
  return nullptr;
}

bool ParseCapabilityFault(std::string_view text, CapabilityFault& fault) {
  const std::string value(text);
  auto number = [&](std::size_t skip, std::int64_t max) -> std::optional<std::int64_t> {
    auto parsed = Integer(value.substr(skip));
    if (!parsed || *parsed < 0 || *parsed > max) return std::nullopt;
    return parsed;
  };
  if (value == "null") {
    fault.null_container = true;
  } else if (value == "short") {
    fault.short_block = true;
  } else if (value == "nonul") {
    fault.no_nul = true;
  } else if (value.rfind("count:", 0) == 0) {
    auto count = number(6, 0xFFFFFFFFLL);
    if (!count) return false;
    fault.count = static_cast<std::uint32_t>(*count);
  } else if (value.rfind("contype:", 0) == 0) {
    auto type = number(8, 0xFFFF);
    if (!type) return false;
    fault.con_type = static_cast<TW_UINT16>(*type);
  } else if (value.rfind("itemtype:", 0) == 0) {
    auto type = number(9, 0xFFFF);
    if (!type) return false;
    fault.item_type = static_cast<TW_UINT16>(*type);
  } else {
    return false;
  }
  return true;
}

std::optional<Script> ParseScript(std::string_view text, std::string& error) {
  Parser parser;
  return parser.Parse(text, error);
}

}  // namespace virtual_scanner
