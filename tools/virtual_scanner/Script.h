// The virtual scanner's script: the source manager's behaviour and its scripted data sources.
// The format is described in README.md next to this file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/twain/TwainDefs.h"

namespace virtual_scanner {

// One item of a capability, in its wire form (ItemTypeSize bytes).
using Item = std::vector<std::uint8_t>;

// Byte size of an item type on the wire (0 for an unknown type).
std::size_t ItemSize(twain::TW_UINT16 item_type);
// An item as a number (integers, booleans, FIX32); nothing for frames and texts.
std::optional<double> ItemNumber(twain::TW_UINT16 item_type, const Item& item);

// What MSG_SET does with a capability.
struct SetPolicy {
  enum class Kind {
    kAccept,        // checked against the offered values; the current value becomes what was sent
    kRefuse,        // fails with the condition code
    kReadBack,      // succeeds; the current value becomes read_back
    kIgnore,        // succeeds; the current value stays
    kApplyAndFail,  // the current value becomes what was sent, yet the call fails
  };
  Kind kind = Kind::kAccept;
  twain::TW_UINT16 condition = 0;
  Item read_back;
};

// Faults a hostile driver commits when it answers a capability.
struct CapabilityFault {
  std::optional<std::uint32_t> count;         // NumItems written instead of the real count
  bool null_container = false;                // success with hContainer NULL
  std::optional<twain::TW_UINT16> con_type;   // ConType written instead of the real one
  bool short_block = false;                   // a block of 2 bytes (ItemType only)
  bool no_nul = false;                        // text items without NUL
  std::optional<twain::TW_UINT16> item_type;  // ItemType written instead of the real one
};

// Reads one fault as `bad=` and `hostile caps` write it (null, short, nonul, count:<n>,
// contype:<n>, itemtype:<n>) into `fault`; false when it is none of them.
bool ParseCapabilityFault(std::string_view text, CapabilityFault& fault);

struct Capability {
  twain::TW_UINT16 cap = 0;
  twain::TW_UINT16 container = twain::TWON_ONEVALUE;
  twain::TW_UINT16 item_type = 0;
  std::vector<Item> values;  // one: one value; array, enumeration: the list; range: min, max, step
  Item current;
  Item default_value;
  SetPolicy set;
  std::optional<twain::TW_UINT16> get_refused;  // MSG_GET* fail with this condition code
  CapabilityFault fault;
};

enum class PixelFormat { kGray8, kRgb24 };

struct Source {
  std::string product_name;
  std::string manufacturer = "Prelavka";
  std::string product_family = "Virtual Scanner";
  std::string version_info = "Virtual scanner";
  twain::TW_UINT16 version_major = 1;
  twain::TW_UINT16 version_minor = 0;
  twain::TW_UINT16 protocol_major = 1;
  twain::TW_UINT16 protocol_minor = 9;
  std::optional<twain::TW_UINT16> open_fails;    // MSG_OPENDS condition code
  std::optional<twain::TW_UINT16> enable_fails;  // MSG_ENABLEDS condition code
  std::vector<Capability> capabilities;
  int flatbed_pages = 1;
  int feeder_sheets = 0;
  PixelFormat format = PixelFormat::kGray8;
  int width = 200;
  int height = 280;
  std::vector<std::pair<int, twain::TW_UINT16>> failing_pages;  // page (1-based), condition
  std::vector<int> cancelled_pages;
  bool close_request = false;
  bool unknown_pending_count = false;
  // Hostile modes.
  bool identity_without_nul = false;
  bool native_not_dib = false;
  bool native_null = false;
  // hostile caps <fault>: faults every capability commits in its answers, the built-in
  // ICAP_XFERMECH and those stated after the statement included.
  std::vector<std::string> every_capability_faults;

  Capability* Find(twain::TW_UINT16 cap);
};

struct Script {
  bool callbacks = false;
  std::optional<twain::TW_UINT16> open_dsm_fails;
  // MSG_USERSELECT: the index the "dialog" picks, or nothing for a cancelled dialog.
  std::optional<int> user_select = 0;
  std::optional<twain::TW_UINT16> user_select_fails;
  // x87 control word the source leaves behind after each call (a driver changing it).
  std::optional<std::uint16_t> leave_control_word;
  std::vector<Source> sources;
};

// Parses a script. On an error, `error` gets "line N: what" and nothing is returned.
std::optional<Script> ParseScript(std::string_view text, std::string& error);

// Capability code by its name ("ICAP_XRESOLUTION") or number ("0x1118", "4376"); nothing when
// unknown. The standard item type of a listed capability, -1 otherwise.
std::optional<twain::TW_UINT16> CapabilityCode(std::string_view name);
int StandardItemType(twain::TW_UINT16 cap);

}  // namespace virtual_scanner
