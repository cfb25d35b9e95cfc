// The virtual scanner: a TWAIN source manager with scripted data sources, loaded like the real
// one (it exports DSM_Entry). See README.md for the script and the record of received triplets.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/twain/MemoryBlock.h"
#include "platform/twain/TwainDefs.h"
#include "tools/virtual_scanner/Script.h"
#include "tools/virtual_scanner/TestPattern.h"

#ifdef _WIN32
#include <windows.h>
#define VIRTUAL_SCANNER_EXPORT extern "C" __declspec(dllexport)
#else
#define VIRTUAL_SCANNER_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace twain;
using namespace virtual_scanner;

namespace {

constexpr TW_UINT32 kApplicationId = 1000;

const char kDefaultScript[] =
    "source Virtual Scanner\n"
    "cap ICAP_PIXELTYPE enum 0,1,2 current=1\n"
    "cap ICAP_BITDEPTH enum 1,8,24 current=8\n"
    "cap ICAP_UNITS enum 0,1 current=0\n"
    "cap ICAP_XRESOLUTION enum 100,150,200,300,600 current=200\n"
    "cap ICAP_YRESOLUTION enum 100,150,200,300,600 current=200\n"
    "cap CAP_UICONTROLLABLE one TRUE\n"
    "cap CAP_FEEDERENABLED enum FALSE,TRUE\n"
    "cap CAP_FEEDERLOADED one TRUE\n"
    "cap CAP_AUTOFEED enum FALSE,TRUE\n"
    "cap CAP_DUPLEX one 1\n"
    "cap CAP_DUPLEXENABLED enum FALSE,TRUE\n"
    "cap ICAP_SUPPORTEDSIZES enum 0,1,3 current=1\n"
    "pages 1\n"
    "feeder 3\n"
    "image gray 850x1100\n";

struct SourceState {
  TW_IDENTITY identity{};
  bool open = false;
  bool enabled = false;
  int total_pages = 0;
  int next_page = 0;
  TW_UINT16 pending_notice = MSG_NULL;
  TW_UINT16 condition = TWCC_SUCCESS;
  CallbackProc callback = nullptr;
  TW_HANDLE parent = nullptr;  // TW_USERINTERFACE.hParent of MSG_ENABLEDS
  TW_SETUPFILEXFER setup{};
  TW_IMAGELAYOUT layout{};
};

struct Dsm {
  Script script;
  bool open = false;
  TW_IDENTITY app{};
  TW_HANDLE parent = nullptr;  // the window handle given at MSG_OPENDSM
  TW_UINT16 condition = TWCC_SUCCESS;
  std::size_t next_listed = 0;
  std::vector<SourceState> states;
  std::string record;
  std::string injected_script;
  bool script_injected = false;
  unsigned last_control_word = 0;
};

Dsm& State() {
  static Dsm dsm;
  return dsm;
}

unsigned ReadControlWord() {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
  unsigned short word = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
#else
  return 0;
#endif
}

void WriteControlWord([[maybe_unused]] unsigned word) {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
  const unsigned short value = static_cast<unsigned short>(word);
  __asm__ __volatile__("fldcw %0" : : "m"(value));
#endif
}

void Record(const std::string& line) {
  Dsm& dsm = State();
  dsm.record += line;
  dsm.record += '\n';
  if (const char* path = std::getenv("PRELAVKA_VIRTUAL_SCANNER_LOG"); path != nullptr && *path) {
    std::ofstream(path, std::ios::app) << line << '\n';
  }
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%04X", value);
  return text;
}

void CopyField(char* field, std::size_t size, const std::string& text, bool without_nul) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(text.size(), size - 1));
  if (without_nul) {
    for (std::size_t i = text.size(); i < size; ++i) field[i] = '*';
    if (text.size() >= size) field[size - 1] = '*';
  }
}

void FillIdentity(std::size_t index, TW_IDENTITY& identity) {
  const Source& source = State().script.sources[index];
  const bool bad = source.identity_without_nul;
  identity = TW_IDENTITY{};
  identity.Id = static_cast<TW_UINT32>(index + 1);
  identity.Version.MajorNum = source.version_major;
  identity.Version.MinorNum = source.version_minor;
  identity.Version.Language = 2;  // TWLG_ENGLISH
  identity.Version.Country = TWCY_USA;
  CopyField(identity.Version.Info, sizeof(identity.Version.Info), source.version_info, bad);
  identity.ProtocolMajor = source.protocol_major;
  identity.ProtocolMinor = source.protocol_minor;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyField(identity.Manufacturer, sizeof(identity.Manufacturer), source.manufacturer, bad);
  CopyField(identity.ProductFamily, sizeof(identity.ProductFamily), source.product_family, bad);
  CopyField(identity.ProductName, sizeof(identity.ProductName), source.product_name, bad);
}

TW_UINT16 Fail(TW_UINT16& condition_field, TW_UINT16 condition) {
  condition_field = condition;
  return TWRC_FAILURE;
}

bool LoadScript(std::string& error) {
  Dsm& dsm = State();
  std::string text;
  if (dsm.script_injected) {
    text = dsm.injected_script;
  } else if (const char* path = std::getenv("PRELAVKA_VIRTUAL_SCANNER_SCRIPT");
             path != nullptr && *path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      error = std::string("cannot read ") + path;
      return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
  } else {
    text = kDefaultScript;
  }
  auto script = ParseScript(text, error);
  if (!script) return false;
  dsm.script = std::move(*script);
  return true;
}

// ---- capabilities -------------------------------------------------------------------------

std::uint32_t RangeField(const Item& item) {
  std::uint32_t value = 0;
  std::memcpy(&value, item.data(), std::min<std::size_t>(item.size(), 4));
  return value;
}

std::uint32_t IndexOf(const Capability& cap, const Item& item) {
  for (std::size_t i = 0; i < cap.values.size(); ++i) {
    if (cap.values[i] == item) return static_cast<std::uint32_t>(i);
  }
  return 0;
}

void PutItem(std::uint8_t* at, const Capability& cap, const Item& item) {
  std::memcpy(at, item.data(), item.size());
  if (cap.fault.no_nul && cap.item_type >= TWTY_STR32 && cap.item_type <= TWTY_STR255) {
    const std::size_t length = strnlen(reinterpret_cast<const char*>(item.data()), item.size());
    std::memset(at + length, 'X', item.size() - length);
  }
}

// The answer to MSG_GET (the capability's own container) or to the one-value messages.
platform::MemoryHandle BuildContainer(const Capability& cap, TW_UINT16 container, const Item& one) {
  const std::size_t size = ItemSize(cap.item_type);
  const std::size_t count = cap.values.size();
  const TW_UINT16 stated_type = cap.fault.item_type.value_or(cap.item_type);
  if (cap.fault.short_block) {
    platform::MemoryHandle handle = platform::MemoryAlloc(2);
    platform::LockedBlock block(handle);
    std::memcpy(block.data(), &stated_type, 2);
    return handle;
  }
  std::size_t total = 0;
  switch (container) {
    case TWON_ONEVALUE:
      total = 2 + std::max<std::size_t>(size, 4);
      break;
    case TWON_ARRAY:
      total = 6 + count * size;
      break;
    case TWON_ENUMERATION:
      total = 14 + count * size;
      break;
    default:
      total = sizeof(TW_RANGE);
      break;
  }
  platform::MemoryHandle handle = platform::MemoryAlloc(total);
  platform::LockedBlock block(handle);
  std::uint8_t* data = block.data();
  std::memcpy(data, &stated_type, 2);
  auto put32 = [&](std::size_t at, std::uint32_t value) { std::memcpy(data + at, &value, 4); };
  const std::uint32_t stated = cap.fault.count.value_or(static_cast<std::uint32_t>(count));
  switch (container) {
    case TWON_ONEVALUE:
      PutItem(data + 2, cap, one);
      break;
    case TWON_ARRAY:
      put32(2, stated);
      for (std::size_t i = 0; i < count; ++i) PutItem(data + 6 + i * size, cap, cap.values[i]);
      break;
    case TWON_ENUMERATION:
      put32(2, stated);
      put32(6, IndexOf(cap, cap.current));
      put32(10, IndexOf(cap, cap.default_value));
      for (std::size_t i = 0; i < count; ++i) PutItem(data + 14 + i * size, cap, cap.values[i]);
      break;
    default:
      put32(2, RangeField(cap.values[0]));
      put32(6, RangeField(cap.values[1]));
      put32(10, RangeField(cap.values[2]));
      put32(14, RangeField(cap.default_value));
      put32(18, RangeField(cap.current));
      break;
  }
  return handle;
}

bool Offered(const Capability& cap, const Item& item) {
  if (cap.container == TWON_ONEVALUE) return true;
  if (cap.container == TWON_RANGE) {
    auto value = ItemNumber(cap.item_type, item);
    auto low = ItemNumber(cap.item_type, cap.values[0]);
    auto high = ItemNumber(cap.item_type, cap.values[1]);
    return value && low && high && *value >= *low && *value <= *high;
  }
  for (const Item& offered : cap.values) {
    if (offered == item) return true;
  }
  return false;
}

TW_UINT16 CapabilityCall(Source& source, SourceState& state, TW_UINT16 msg, TW_CAPABILITY* c) {
  Capability* cap = source.Find(c->Cap);
  if (cap == nullptr) return Fail(state.condition, TWCC_CAPUNSUPPORTED);
  switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_RESET: {
      if (cap->get_refused) return Fail(state.condition, *cap->get_refused);
      if (msg == MSG_RESET) cap->current = cap->default_value;
      const TW_UINT16 container = msg == MSG_GET ? cap->container : TWON_ONEVALUE;
      const Item& one = msg == MSG_GETDEFAULT ? cap->default_value : cap->current;
      c->ConType = cap->fault.con_type.value_or(container);
      if (cap->fault.null_container) {
        c->hContainer = nullptr;
        return TWRC_SUCCESS;
      }
      c->hContainer = BuildContainer(*cap, container, one);
      return c->hContainer == nullptr ? Fail(state.condition, TWCC_LOWMEMORY) : TWRC_SUCCESS;
    }
    case MSG_SET: {
      if (cap->set.kind == SetPolicy::Kind::kRefuse) {
        return Fail(state.condition, cap->set.condition);
      }
      platform::LockedBlock block(c->hContainer);
      const std::size_t size = ItemSize(cap->item_type);
      if (c->ConType != TWON_ONEVALUE || !block.valid() || block.size() < 2 + size) {
        return Fail(state.condition, TWCC_BADVALUE);
      }
      TW_UINT16 sent_type = 0;
      std::memcpy(&sent_type, block.data(), 2);
      if (sent_type != cap->item_type) return Fail(state.condition, TWCC_BADVALUE);
      Item item(block.data() + 2, block.data() + 2 + size);
      switch (cap->set.kind) {
        case SetPolicy::Kind::kAccept:
          if (!Offered(*cap, item)) return Fail(state.condition, TWCC_BADVALUE);
          cap->current = item;
          break;
        case SetPolicy::Kind::kReadBack:
          cap->current = cap->set.read_back;
          break;
        case SetPolicy::Kind::kApplyAndFail:
          cap->current = item;
          return Fail(state.condition, cap->set.condition);
        default:
          break;
      }
      return TWRC_SUCCESS;
    }
    case MSG_QUERYSUPPORT: {
      Capability support;
      support.item_type = TWTY_INT32;
      support.current = Item{0x1F, 0, 0, 0};
      c->ConType = TWON_ONEVALUE;
      c->hContainer = BuildContainer(support, TWON_ONEVALUE, support.current);
      return TWRC_SUCCESS;
    }
    default:
      return Fail(state.condition, TWCC_CAPBADOPERATION);
  }
}

// ---- transfers ---------------------------------------------------------------------------

bool CurrentlyTrue(Source& source, TW_UINT16 cap) {
  const Capability* c = source.Find(cap);
  if (c == nullptr) return false;
  auto value = ItemNumber(c->item_type, c->current);
  return value && *value != 0;
}

// Without a callback the notice waits for the application's next DAT_EVENT. A Windows source
// posts a harmless message to the parent window then, so that the application's loop runs one
// message through DAT_EVENT even when nothing else happens in the window.
void Signal(SourceState& state, TW_UINT16 notice) {
  Dsm& dsm = State();
  if (dsm.script.callbacks && state.callback != nullptr) {
    state.callback(&state.identity, &dsm.app, DG_CONTROL, DAT_NULL, notice, nullptr);
    return;
  }
  state.pending_notice = notice;
#ifdef _WIN32
  const TW_HANDLE window = state.parent != nullptr ? state.parent : dsm.parent;
  if (window != nullptr) PostMessageW(static_cast<HWND>(window), WM_NULL, 0, 0);
#endif
}

TW_UINT16 PendingCount(const Source& source, const SourceState& state) {
  const int remaining = state.total_pages - state.next_page;
  if (remaining <= 0) return 0;
  return source.unknown_pending_count ? 0xFFFF : static_cast<TW_UINT16>(remaining);
}

// Checks the next page: TWRC_SUCCESS when it is to be delivered, else the result to return.
TW_UINT16 NextPage(Source& source, SourceState& state) {
  if (!state.enabled || state.next_page >= state.total_pages) {
    return Fail(state.condition, TWCC_SEQERROR);
  }
  const int page = state.next_page + 1;
  for (int cancelled : source.cancelled_pages) {
    if (cancelled == page) return TWRC_CANCEL;
  }
  for (const auto& [failing, condition] : source.failing_pages) {
    if (failing == page) return Fail(state.condition, condition);
  }
  return TWRC_SUCCESS;
}

TW_UINT16 NativeTransfer(Source& source, SourceState& state, TW_HANDLE* handle) {
  if (handle == nullptr) return Fail(state.condition, TWCC_BADVALUE);
  const TW_UINT16 check = NextPage(source, state);
  if (check != TWRC_SUCCESS) return check;
  if (source.native_null) {
    *handle = nullptr;
    return TWRC_XFERDONE;
  }
  std::vector<std::uint8_t> bytes;
  if (source.native_not_dib) {
    bytes.assign(64, 0xA5);
  } else {
    bytes = TestPatternDib(source.format, source.width, source.height, state.next_page + 1);
  }
  platform::MemoryHandle block = platform::MemoryAlloc(bytes.size());
  if (block == nullptr) return Fail(state.condition, TWCC_LOWMEMORY);
  {
    platform::LockedBlock locked(block);
    std::memcpy(locked.data(), bytes.data(), bytes.size());
  }
  *handle = block;
  return TWRC_XFERDONE;
}

TW_UINT16 FileTransfer(Source& source, SourceState& state) {
  const TW_UINT16 check = NextPage(source, state);
  if (check != TWRC_SUCCESS) return check;
  const std::string name(state.setup.FileName, strnlen(state.setup.FileName, 255));
  const auto file =
      BmpFile(TestPatternDib(source.format, source.width, source.height, state.next_page + 1));
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) return Fail(state.condition, TWCC_FILEWRITEERROR);
  return TWRC_XFERDONE;
}

TW_UINT16 SourceCall(std::size_t index, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                     TW_MEMREF data) {
  Dsm& dsm = State();
  Source& source = dsm.script.sources[index];
  SourceState& state = dsm.states[index];
  if (dat == DAT_STATUS && msg == MSG_GET && data != nullptr) {
    auto* status = static_cast<TW_STATUS*>(data);
    status->ConditionCode = state.condition;
    status->Reserved = 0;
    state.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  state.condition = TWCC_SUCCESS;
  if (data == nullptr && dat != DAT_IMAGEFILEXFER) return Fail(state.condition, TWCC_BADVALUE);
  if (dg == DG_CONTROL && dat == DAT_CAPABILITY) {
    return CapabilityCall(source, state, msg, static_cast<TW_CAPABILITY*>(data));
  }
  if (dg == DG_CONTROL && dat == DAT_CALLBACK && msg == MSG_REGISTER_CALLBACK) {
    state.callback = reinterpret_cast<CallbackProc>(static_cast<TW_CALLBACK*>(data)->CallBackProc);
    return TWRC_SUCCESS;
  }
  if (dg == DG_CONTROL && dat == DAT_USERINTERFACE) {
    if (msg == MSG_ENABLEDS) {
      if (state.enabled) return Fail(state.condition, TWCC_SEQERROR);
      if (source.enable_fails) return Fail(state.condition, *source.enable_fails);
      state.enabled = true;
      state.parent = static_cast<TW_USERINTERFACE*>(data)->hParent;
      const bool feeder = CurrentlyTrue(source, CAP_FEEDERENABLED);
      const bool duplex = CurrentlyTrue(source, CAP_DUPLEXENABLED);
      state.total_pages = feeder ? source.feeder_sheets * (duplex ? 2 : 1) : source.flatbed_pages;
      state.next_page = 0;
      Signal(state,
             source.close_request || state.total_pages == 0 ? MSG_CLOSEDSREQ : MSG_XFERREADY);
      return TWRC_SUCCESS;
    }
    if (msg == MSG_DISABLEDS) {
      if (!state.enabled) return Fail(state.condition, TWCC_SEQERROR);
      state.enabled = false;
      state.pending_notice = MSG_NULL;
      return TWRC_SUCCESS;
    }
  }
  if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
    auto* event = static_cast<TW_EVENT*>(data);
    if (state.pending_notice == MSG_NULL) {
      event->TWMessage = MSG_NULL;
      return TWRC_NOTDSEVENT;
    }
    event->TWMessage = state.pending_notice;
    state.pending_notice = MSG_NULL;
    return TWRC_DSEVENT;
  }
  if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS) {
    auto* pending = static_cast<TW_PENDINGXFERS*>(data);
    if (msg == MSG_ENDXFER) ++state.next_page;
    if (msg == MSG_RESET) state.next_page = state.total_pages;
    if (msg != MSG_GET && msg != MSG_ENDXFER && msg != MSG_RESET) {
      return Fail(state.condition, TWCC_BADPROTOCOL);
    }
    pending->Count = PendingCount(source, state);
    pending->EOJ = 0;
    return TWRC_SUCCESS;
  }
  if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
    return NativeTransfer(source, state, static_cast<TW_HANDLE*>(data));
  }
  if (dg == DG_IMAGE && dat == DAT_IMAGEFILEXFER && msg == MSG_GET) {
    return FileTransfer(source, state);
  }
  if (dg == DG_CONTROL && dat == DAT_SETUPFILEXFER) {
    auto* setup = static_cast<TW_SETUPFILEXFER*>(data);
    if (msg == MSG_SET) {
      state.setup = *setup;
      state.setup.FileName[sizeof(state.setup.FileName) - 1] = '\0';
    } else {
      *setup = state.setup;
    }
    return TWRC_SUCCESS;
  }
  if (dg == DG_IMAGE && dat == DAT_IMAGELAYOUT) {
    auto* layout = static_cast<TW_IMAGELAYOUT*>(data);
    if (msg == MSG_SET) {
      state.layout = *layout;
    } else {
      *layout = state.layout;
    }
    return TWRC_SUCCESS;
  }
  return Fail(state.condition, TWCC_BADPROTOCOL);
}

// ---- the source manager ------------------------------------------------------------------

std::ptrdiff_t FindSource(const TW_IDENTITY& identity) {
  const Dsm& dsm = State();
  for (std::size_t i = 0; i < dsm.states.size(); ++i) {
    if (identity.Id != 0
            ? dsm.states[i].identity.Id == identity.Id
            : dsm.script.sources[i].product_name ==
                  std::string(identity.ProductName, strnlen(identity.ProductName, 34))) {
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

TW_UINT16 ManagerCall(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  Dsm& dsm = State();
  if (dat == DAT_STATUS && msg == MSG_GET && data != nullptr) {
    static_cast<TW_STATUS*>(data)->ConditionCode = dsm.condition;
    static_cast<TW_STATUS*>(data)->Reserved = 0;
    dsm.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  dsm.condition = TWCC_SUCCESS;
  if (dat == DAT_PARENT && msg == MSG_OPENDSM) {
    if (dsm.open) return Fail(dsm.condition, TWCC_SEQERROR);
    std::string error;
    if (!LoadScript(error)) {
      Record("script error: " + error);
      return Fail(dsm.condition, TWCC_BUMMER);
    }
    if (dsm.script.open_dsm_fails) return Fail(dsm.condition, *dsm.script.open_dsm_fails);
    origin->Id = kApplicationId;
    if (dsm.script.callbacks && (origin->SupportedGroups & DF_APP2) != 0) {
      origin->SupportedGroups |= DF_DSM2;
    } else {
      origin->SupportedGroups &= ~DF_DSM2;
    }
    dsm.app = *origin;
    dsm.parent = data == nullptr ? nullptr : *static_cast<TW_HANDLE*>(data);
    dsm.open = true;
    dsm.states.assign(dsm.script.sources.size(), SourceState{});
    for (std::size_t i = 0; i < dsm.states.size(); ++i) {
      FillIdentity(i, dsm.states[i].identity);
      std::strcpy(dsm.states[i].setup.FileName, "TWAIN.BMP");
      dsm.states[i].setup.Format = TWFF_BMP;
      dsm.states[i].layout.Frame.Right.Whole = 8;
      dsm.states[i].layout.Frame.Right.Frac = 32768;
      dsm.states[i].layout.Frame.Bottom.Whole = 11;
      dsm.states[i].layout.DocumentNumber = 1;
      dsm.states[i].layout.PageNumber = 1;
      dsm.states[i].layout.FrameNumber = 1;
    }
    return TWRC_SUCCESS;
  }
  if (!dsm.open) return Fail(dsm.condition, TWCC_SEQERROR);
  if (data == nullptr) return Fail(dsm.condition, TWCC_BADVALUE);
  if (dat == DAT_PARENT && msg == MSG_CLOSEDSM) {
    for (const SourceState& state : dsm.states) {
      if (state.open) return Fail(dsm.condition, TWCC_SEQERROR);
    }
    dsm.open = false;
    return TWRC_SUCCESS;
  }
  if (dat != DAT_IDENTITY) return Fail(dsm.condition, TWCC_BADPROTOCOL);
  auto* identity = static_cast<TW_IDENTITY*>(data);
  switch (msg) {
    case MSG_GETFIRST:
      dsm.next_listed = 0;
      [[fallthrough]];
    case MSG_GETNEXT:
      if (dsm.next_listed >= dsm.states.size()) return TWRC_ENDOFLIST;
      *identity = dsm.states[dsm.next_listed++].identity;
      return TWRC_SUCCESS;
    case MSG_GETDEFAULT:
      if (dsm.states.empty()) return Fail(dsm.condition, TWCC_NODS);
      *identity = dsm.states[0].identity;
      return TWRC_SUCCESS;
    case MSG_USERSELECT:
      if (dsm.script.user_select_fails) return Fail(dsm.condition, *dsm.script.user_select_fails);
      if (!dsm.script.user_select) return TWRC_CANCEL;
      if (static_cast<std::size_t>(*dsm.script.user_select) >= dsm.states.size()) {
        return Fail(dsm.condition, TWCC_NODS);
      }
      *identity = dsm.states[static_cast<std::size_t>(*dsm.script.user_select)].identity;
      return TWRC_SUCCESS;
    case MSG_OPENDS: {
      const std::ptrdiff_t index = FindSource(*identity);
      if (index < 0) return Fail(dsm.condition, TWCC_NODS);
      SourceState& state = dsm.states[static_cast<std::size_t>(index)];
      const Source& source = dsm.script.sources[static_cast<std::size_t>(index)];
      if (state.open) return Fail(dsm.condition, TWCC_SEQERROR);
      if (source.open_fails) return Fail(dsm.condition, *source.open_fails);
      state.open = true;
      *identity = state.identity;
      return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS: {
      const std::ptrdiff_t index = FindSource(*identity);
      if (index < 0) return Fail(dsm.condition, TWCC_NODS);
      SourceState& state = dsm.states[static_cast<std::size_t>(index)];
      if (!state.open || state.enabled) return Fail(dsm.condition, TWCC_SEQERROR);
      state.open = false;
      state.callback = nullptr;
      return TWRC_SUCCESS;
    }
    default:
      return Fail(dsm.condition, TWCC_BADPROTOCOL);
  }
}

TW_UINT16 Dispatch(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat,
                   TW_UINT16 msg, TW_MEMREF data) {
  Dsm& dsm = State();
  std::string line = (dest == nullptr ? std::string("dsm") : "src" + std::to_string(dest->Id)) +
                     " " + std::to_string(dg) + "/" + Hex(dat) + "/" + Hex(msg);
  if (dat == DAT_CAPABILITY && data != nullptr) {
    line += " cap=" + Hex(static_cast<TW_CAPABILITY*>(data)->Cap);
  }
  Record(line);
  if (origin == nullptr) return Fail(dsm.condition, TWCC_BADPROTOCOL);
  if (dest == nullptr) return ManagerCall(origin, dat, msg, data);
  if (!dsm.open) return Fail(dsm.condition, TWCC_SEQERROR);
  for (std::size_t i = 0; i < dsm.states.size(); ++i) {
    if (dsm.states[i].identity.Id == dest->Id && dsm.states[i].open) {
      return SourceCall(i, dg, dat, msg, data);
    }
  }
  return Fail(dsm.condition, TWCC_BADDEST);
}

}  // namespace

VIRTUAL_SCANNER_EXPORT TW_UINT16 TWAIN_CALL DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest,
                                                      TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                                      TW_MEMREF data) {
  Dsm& dsm = State();
  dsm.last_control_word = ReadControlWord();
  const TW_UINT16 result = Dispatch(origin, dest, dg, dat, msg, data);
  if (dsm.script.leave_control_word) WriteControlWord(*dsm.script.leave_control_word);
  return result;
}

// The script as text, used at the next MSG_OPENDSM instead of the file named by
// PRELAVKA_VIRTUAL_SCANNER_SCRIPT; nullptr goes back to the file.
VIRTUAL_SCANNER_EXPORT void VirtualScannerSetScript(const char* text) {
  Dsm& dsm = State();
  dsm.script_injected = text != nullptr;
  dsm.injected_script = text == nullptr ? "" : text;
}

// Every triplet received since the last clear, one line each (see README.md).
VIRTUAL_SCANNER_EXPORT const char* VirtualScannerRecord() { return State().record.c_str(); }

VIRTUAL_SCANNER_EXPORT void VirtualScannerClearRecord() { State().record.clear(); }

// The x87 control word in force when the last DSM_Entry call came in (0 off x86).
VIRTUAL_SCANNER_EXPORT unsigned VirtualScannerLastControlWord() {
  return State().last_control_word;
}
