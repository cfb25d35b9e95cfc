// The scanner session's start-up: library, source manager, source choice, description and probe.
#include "scan/ScannerSession.h"

#include <algorithm>
#include <bitset>
#include <charconv>
#include <cstring>
#include <vector>

#include "app/Identity.h"
#include "platform/Cp1250.h"
#include "scan/DecimalReader.h"
#include "scan/Niawt.h"

namespace scan {

using namespace text::literals;
using namespace twain;
using platform::ControlId;

namespace {

// The notices of a start-up that ends without a scanner.
constexpr std::string_view kNoLibrary =
    "Knihovna Twain není nainstalována nebo nelze použít, lze jen odesílat již existující soubory."_cp;
constexpr std::string_view kNoSourceManager =
    "Nepodařilo se spustit Twain Source Manager, lze jen odesílat již existující soubory."_cp;
constexpr std::string_view kNoSource =
    "Nenalezen žádný ovladač skeneru (je skener připojený a zapnutý?), lze jen odesílat již "
    "existující soubory."_cp;
constexpr std::string_view kSourceDoesNotOpen =
    "Nepodařilo se použít ovladače skeneru, lze jen odesílat již existující soubory."_cp;
constexpr std::string_view kNoNativeTransfer =
    "Ovladače skeneru nepodporují ,,TWSX_NATIVE``, lze jen odesílat již existující soubory."_cp;
constexpr std::string_view kNoneChosen =
    "Nebyl vybrán žádný ovladač skeneru, lze jen odesílat již existující soubory."_cp;
constexpr std::string_view kChooseAnother =
    "Požadovaný ovladač nelze spustit, vyberte prosím jiný."_cp;
constexpr std::string_view kNoNativeTransferChooseAnother =
    "Ovladače skeneru nepodporují ,,TWSX_NATIVE``, vyberte prosím jiný."_cp;
constexpr std::string_view kShouldNotHappen = "Nemělo by nastat!"_cp;
constexpr std::string_view kUnloadFailed = "Nemělo by nastat: nezdařilo se \"UnloadSource\""_cp;

constexpr std::string_view kGrey = "Stupně šedi"_cp;
constexpr std::string_view kColour = "Barevně"_cp;

// A version text of the identity as the number it spells (0 when it spells none).
TW_UINT16 VersionNumber(std::string_view text) {
  TW_UINT16 number = 0;
  std::from_chars(text.data(), text.data() + text.size(), number);
  return number;
}

// A TW_STR32 field of an identity up to its first NUL, never past the field.
std::string FieldText(const TW_STR32& field) {
  const auto* end = static_cast<const char*>(std::memchr(field, 0, sizeof(field)));
  return std::string(field, end == nullptr ? sizeof(field) : static_cast<std::size_t>(end - field));
}

}  // namespace

ScannerSession::ScannerSession(ui::TForm1& form, app::Shell& shell, platform::Toolkit& toolkit,
                               const std::string& library_path)
    : form_(form), shell_(shell), toolkit_(toolkit), twain_(&toolkit) {
  twain_.set_library_path(library_path);
  twain_.OnTwainAcquire = [this](platform::TwainComponent&, int index,
                                 std::span<const std::uint8_t> dib,
                                 bool& cancel) { form_.TwainTwainAcquire(index, dib, cancel); };
  twain_.OnSourceDisable = [this](platform::TwainComponent&, int index) {
    form_.TwainSourceDisable(index);
  };
  twain_.OnSourceSetupFileXfer = [this](platform::TwainComponent&, int index) {
    form_.TwainSetupFileXfer(index);
  };
  twain_.OnSourceFileTransfer =
      [this](platform::TwainComponent&, int index, const std::string& file_name, TW_UINT16 format,
             bool& cancel) { form_.TwainSourceFileTransfer(index, file_name, format, cancel); };
  twain_.OnAcquireError = [this](platform::TwainComponent&, int index,
                                 const platform::AcquireError& error) {
    form_.TwainAcquireError(index, error);
  };
}

void ScannerSession::AttachTrace() { twain_.set_trace_file(shell_.run_log()); }

bool ScannerSession::Open() {
  if (!twain_.SetLibraryLoaded(true)) {
    shell_.NotifyUser(kNoLibrary);
    return false;
  }
  if (!twain_.SetSourceManagerLoaded(true)) {
    shell_.NotifyUser(kNoSourceManager);
    return false;
  }

  // The application identity, once the source manager is open and before any source is listed.
  const app::Identity& identity = shell_.identity();
  TW_IDENTITY& info = twain_.Info();
  info.Version.MajorNum = VersionNumber(app::kVersionMajor);
  info.Version.MinorNum = VersionNumber(app::kVersionMinor);
  info.Version.Language = static_cast<TW_UINT16>(TWLG_USERLOCALE);
  info.Version.Country = TWCY_CZECHREPUBLIC;
  CopyToTwStr(identity.program_heading, info.Version.Info, TWTY_STR32);
  CopyToTwStr(identity.support_address, info.Manufacturer, TWTY_STR32);
  CopyToTwStr(identity.system_name, info.ProductFamily, TWTY_STR32);
  CopyToTwStr(identity.program_heading, info.ProductName, TWTY_STR32);

  const int count = twain_.SourceCount();
  if (count == 0) {
    shell_.NotifyUser(kNoSource);
    return false;
  }
  if (count == 1) {
    current_source_ = twain_.SourceByIndex(0);
    if (current_source_ == nullptr || !current_source_->LoadSource()) {
      current_source_ = nullptr;
      shell_.NotifyUser(kSourceDoesNotOpen);
      return false;
    }
    if (twain_.SetTransferMechanism(current_source_, TWSX_NATIVE) != 0) {
      shell_.NotifyUser(kNoNativeTransfer);
      current_source_->UnloadSource();
      current_source_ = nullptr;
      return false;
    }
    return true;
  }
  for (;;) {
    const int chosen = twain_.SelectSource();
    if (chosen < 0) {
      current_source_ = nullptr;
      shell_.NotifyUser(kNoneChosen);
      return false;
    }
    current_source_ = twain_.SourceByIndex(chosen);
    if (current_source_ == nullptr || !current_source_->LoadSource()) {
      shell_.NotifyUser(kChooseAnother);
      continue;
    }
    if (twain_.SetTransferMechanism(current_source_, TWSX_NATIVE) != 0) {
      shell_.NotifyUser(kNoNativeTransferChooseAnother);
      current_source_->UnloadSource();
      continue;
    }
    return true;
  }
}

void ScannerSession::Describe() {
  LogSourceIdentity();
  FillColourModes();
  SetInches();
  FillResolutions();
  CheckUserInterfaceControl();
  ProbeFeederAndFlatbed();
  DiagnosticProbe();
  if (!current_source_->UnloadSource()) shell_.NotifyUser(kUnloadFailed);
  toolkit_.BringToForeground();
}

void ScannerSession::LogSourceIdentity() {
  const TW_IDENTITY& source = current_source_->identity();
  const auto number = [](std::uint32_t value) { return std::to_string(value); };
  shell_.LogLine("Informace o zdroji dat (ovladači skeneru):"_cp);
  shell_.LogLine("Manufacturer: " + FieldText(source.Manufacturer));
  shell_.LogLine("ProductFamily: " + FieldText(source.ProductFamily));
  shell_.LogLine("ProductName: " + FieldText(source.ProductName));
  shell_.LogLine("Version: " + number(source.Version.MajorNum) + "." +
                 number(source.Version.MinorNum));
  shell_.LogLine("Language: " + number(source.Version.Language) +
                 " (Country: " + number(source.Version.Country) + ")");
  shell_.LogLine("Protocol: " + number(source.ProtocolMajor) + "." + number(source.ProtocolMinor));
  shell_.LogLine("SupportedGroups: " + number(source.SupportedGroups));
  shell_.LogLine("VersionInfo: " + FieldText(source.Version.Info));
}

void ScannerSession::FillColourModes() {
  std::vector<TwainValue> pixel_types;
  if (twain_.GetCapList(current_source_, ICAP_PIXELTYPE, MSG_GET, pixel_types) != 0) {
    shell_.LogLine(kShouldNotHappen);
    toolkit_.AddItem(ControlId::kComboBox1, kGrey);
    toolkit_.AddItem(ControlId::kComboBox1, kColour);
    return;
  }
  for (const TwainValue& pixel_type : pixel_types) {
    if (pixel_type == TwainValue::UInt16(TWPT_GRAY)) {
      toolkit_.AddItem(ControlId::kComboBox1, kGrey);
    } else if (pixel_type == TwainValue::UInt16(TWPT_RGB)) {
      toolkit_.AddItem(ControlId::kComboBox1, kColour);
    } else {
      continue;
    }
    // The trace shows the bit depths the driver offers with this pixel type.
    twain_.SetCapOneValue(current_source_, ICAP_PIXELTYPE, pixel_type);
    twain_.QueryCap(current_source_, ICAP_BITDEPTH, MSG_GET);
  }
}

void ScannerSession::SetInches() {
  std::bitset<256> units;
  if (twain_.GetCapSet(current_source_, ICAP_UNITS, MSG_GET, units) != 0) {
    shell_.LogLine(kShouldNotHappen);
  } else if (!units.test(TWUN_INCHES)) {
    shell_.NotifyFatal("Ovladač skeneru neumí měřit v palcích."_cp);
  }
  if (twain_.SetCapVerified(current_source_, ICAP_UNITS, TwainValue::UInt16(TWUN_INCHES)) != 0) {
    shell_.NotifyFatal("Nelze nastavit palce jako jednotku."_cp);
  }
}

void ScannerSession::FillResolutions() {
  std::vector<TwainValue> x_list;
  std::vector<TwainValue> y_list;
  const bool listed = twain_.GetCapList(current_source_, ICAP_XRESOLUTION, MSG_GET, x_list) == 0 &&
                      twain_.GetCapList(current_source_, ICAP_YRESOLUTION, MSG_GET, y_list) == 0;
  if (!listed) {
    toolkit_.SetVisible(ControlId::kComboBox2, false);
  } else {
    std::vector<std::string> items;
    for (const TwainValue& x : x_list) {
      for (const TwainValue& y : y_list) {
        if (x == y) items.push_back(DecimalText(x.Number()));
      }
    }
    for (const std::string& item : items) toolkit_.AddItem(ControlId::kComboBox2, item);
    if (std::find(items.begin(), items.end(), "200") != items.end()) {
      toolkit_.SetText(ControlId::kComboBox2, "200");
    }
    toolkit_.SetVisible(ControlId::kComboBox2, true);
  }
  // Edit1 stands where the list stands when the driver gives no list.
  toolkit_.SetVisible(ControlId::kEdit1, !toolkit_.Visible(ControlId::kComboBox2));
}

void ScannerSession::CheckUserInterfaceControl() {
  TwainValue controllable;
  if (twain_.GetCapOneValue(current_source_, CAP_UICONTROLLABLE, MSG_GETCURRENT, controllable) !=
      0) {
    shell_.LogLine("Nemělo by nastat! (TWAIN < 1.6?)"_cp);
  } else if (!controllable.BoolValue()) {
    shell_.LogLine("Nemělo by nastat! (TWAIN < 1.9?)"_cp);
  }
}

void ScannerSession::ProbeFeederAndFlatbed() {
  ui::ScannerFlags& flags = form_.scanner_flags();
  flags.flatbed = true;
  flags.feeder = true;
  const std::int32_t off =
      twain_.SetCapVerified(current_source_, CAP_FEEDERENABLED, TwainValue::Bool(false));
  const std::int32_t on =
      twain_.SetCapVerified(current_source_, CAP_FEEDERENABLED, TwainValue::Bool(true));
  constexpr std::int32_t kUnsupported = -TWCC_CAPUNSUPPORTED;
  constexpr std::int32_t kBadValue = -TWCC_BADVALUE;
  if (off == kUnsupported && on == kUnsupported) {
    flags.feeder = false;  // no feeder
  } else if (off == 0 && on == kBadValue) {
    flags.feeder = false;  // the feeder cannot be switched on
  } else if (off == kBadValue && on == 0) {
    flags.flatbed = false;  // the feeder cannot be switched off
  } else if (off != 0 || on != 0) {
    shell_.LogLine(kShouldNotHappen);
  }
  toolkit_.SetEnabled(ControlId::kButton1, flags.flatbed);
  toolkit_.SetEnabled(ControlId::kButton2, flags.feeder);
  if (!flags.feeder) return;

  if (on != 0) {
    shell_.LogLine(
        "Neuspělo nastavení CAP_FEEDERENABLED na TRUE, další testy nemusejí nic vypovídat."_cp);
  }
  twain_.QueryCap(current_source_, CAP_FEEDERLOADED, MSG_GET);
  twain_.SetCapVerified(current_source_, CAP_AUTOFEED, TwainValue::Bool(false));
  twain_.SetCapVerified(current_source_, CAP_AUTOFEED, TwainValue::Bool(true));
  TwainValue duplex;
  flags.duplex = twain_.GetCapOneValue(current_source_, CAP_DUPLEX, MSG_GETCURRENT, duplex) == 0 &&
                 duplex.Number() != 0;
  toolkit_.SetEnabled(ControlId::kLabel11, flags.duplex);
  toolkit_.SetEnabled(ControlId::kCheckBox2, flags.duplex);
}

void ScannerSession::QueryCaps(std::initializer_list<TW_UINT16> caps) {
  for (const TW_UINT16 cap : caps) twain_.QueryCap(current_source_, cap, MSG_GET);
}

void ScannerSession::DiagnosticProbe() {
  const TwainValue a4 = TwainValue::UInt16(TWSS_A4);
  QueryCaps({ICAP_MINIMUMWIDTH, ICAP_MINIMUMHEIGHT, ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT,
             ICAP_SUPPORTEDSIZES, ICAP_FRAMES});
  twain_.SetCapVerified(current_source_, ICAP_SUPPORTEDSIZES, a4);
  QueryCaps({ICAP_SUPPORTEDSIZES, ICAP_FRAMES, ICAP_AUTODISCARDBLANKPAGES,
             ICAP_AUTOMATICBORDERDETECTION, ICAP_AUTOMATICDESKEW, ICAP_AUTOMATICROTATE,
             ICAP_FLIPROTATION, ICAP_OVERSCAN, ICAP_UNDEFINEDIMAGESIZE});
  twain_.SetCapVerified(current_source_, ICAP_SUPPORTEDSIZES, a4);
  QueryCaps({ICAP_FRAMES});
  SetA4ImageLayout();
  QueryCaps({ICAP_AUTOMATICBORDERDETECTION, ICAP_AUTOMATICDESKEW, ICAP_AUTOMATICROTATE,
             ICAP_FLIPROTATION, ICAP_ORIENTATION, ICAP_OVERSCAN, ICAP_ROTATION,
             ICAP_UNDEFINEDIMAGESIZE, ICAP_CONTRAST, ICAP_GAMMA});
  twain_.SetCapVerified(current_source_, ICAP_GAMMA, TwainValue::Real(1));
  QueryCaps({ICAP_AUTOBRIGHT});
}

void ScannerSession::SetA4ImageLayout() {
  TW_IMAGELAYOUT layout{};
  twain_.SourceCall(current_source_, DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout);
  // 8.27 x 11.69 inches in TW_FIX32.
  layout.Frame.Left = TW_FIX32{0, 0};
  layout.Frame.Top = TW_FIX32{0, 0};
  layout.Frame.Right = TW_FIX32{8, 0x451F};
  layout.Frame.Bottom = TW_FIX32{11, 0xB0A4};
  twain_.SourceCall(current_source_, DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
  twain_.SourceCall(current_source_, DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout);
}

void InstallScannerSession(ui::TForm1& form, app::Shell& shell, platform::Toolkit& toolkit,
                           const std::string& library_path) {
  platform::System& system = shell.system();
  StartTraceClock([&system] { return system.TickCount(); });
  auto session = std::make_shared<ScannerSession>(form, shell, toolkit, library_path);
  ScannerSession* raw = session.get();
  form.set_scanner_startup({.attach_trace = [raw] { raw->AttachTrace(); },
                            .open = [raw] { return raw->Open(); },
                            .describe = [raw] { raw->Describe(); }});
  form.set_scanner_session(std::move(session));
}

}  // namespace scan
