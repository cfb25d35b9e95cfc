// The scan buttons of TForm1: the settings put into the scanner and the start of a scan.
#include <optional>
#include <string>

#include "app/Shell.h"
#include "platform/Cp1250.h"
#include "scan/DecimalReader.h"
#include "scan/ScannerSession.h"
#include "ui/ColourModeCode.h"
#include "ui/Unit1.h"

namespace ui {

using namespace text::literals;
using namespace twain;
using platform::ControlId;
using scan::TwainValue;

bool TForm1::SetSettings(int button) {
  scan::ScannerSession& session = *scanner_session_;
  scan::TTwain2& twain = session.Twain();
  platform::TTwainSource* source = session.current_source();
  toolkit_.BringToForeground();

  const std::string indent(app::kLogIndent);
  const bool add_mode = Checked(ControlId::kRadioButton3);
  const std::string resolution_text = toolkit_.Visible(ControlId::kComboBox2)
                                          ? toolkit_.Text(ControlId::kComboBox2)
                                          : toolkit_.Text(ControlId::kEdit1);
  shell_.LogLine(std::string("Stisknuto tlačítko \""_cp) +
                 toolkit_.Text(button == 1 ? ControlId::kButton1 : ControlId::kButton2) +
                 std::string("\" s nastavením:"_cp));
  if (Checked(ControlId::kRadioButton1)) {
    shell_.LogLine(indent + "Chci " + toolkit_.Text(ControlId::kRadioButton1));
  }
  if (add_mode) shell_.LogLine(indent + "Chci " + toolkit_.Text(ControlId::kRadioButton3));
  shell_.LogLine(indent + toolkit_.Text(ControlId::kLabel1) + ": " +
                 toolkit_.Text(ControlId::kComboBox1));
  shell_.LogLine(indent + toolkit_.Text(ControlId::kLabel2) + ": " + resolution_text + " " +
                 toolkit_.Text(ControlId::kLabel2a));
  shell_.LogLine(indent + toolkit_.Text(ControlId::kLabel11) +
                 (Checked(ControlId::kCheckBox2) ? ": Ano" : ": Ne"));
  if (add_mode)
    shell_.LogLine(indent + std::string("Adresář: "_cp) + toolkit_.Text(ControlId::kEdit3));

  // The scan folder: the folder typed in mode 3, else a new numbered one.
  if (add_mode && folder_.path.empty() && !NactiZadanyAdresar(toolkit_.Text(ControlId::kEdit3))) {
    return false;
  }
  if (folder_.path.empty()) {
    CreateDirForScans();
    if (folder_.path.empty()) return false;
  }
  shell_.LogLine("Bude se skenovat do: " + folder_.path);
  ApplyBatchLock();

  if (source == nullptr || !source->LoadSource()) {
    shell_.NotifyFatal("Nemělo by nastat: nezdařilo se \"(Re)LoadSource\""_cp);
  }
  if (twain.SetCapVerified(source, ICAP_UNITS, TwainValue::UInt16(TWUN_INCHES)) != 0) {
    shell_.NotifyFatal("Nelze nastavit palce jako jednotku."_cp);
  }
  TwainValue controllable;
  twain.GetCapOneValue(source, CAP_UICONTROLLABLE, MSG_GETCURRENT, controllable);

  bool result = false;
  if (const std::optional<double> resolution = scan::ReadDecimal(resolution_text); !resolution) {
    shell_.NotifyUser("Zadané rozlišení nelze převést na číslo"_cp);
  } else if (twain.SetCapVerified(source, ICAP_XRESOLUTION, TwainValue::Real(*resolution)) != 0 ||
             twain.SetCapVerified(source, ICAP_YRESOLUTION, TwainValue::Real(*resolution)) != 0) {
    shell_.NotifyUser("Zadané rozlišení nelze použít."_cp);
  } else if (twain.SetCapVerified(
                 source, ICAP_PIXELTYPE,
                 TwainValue::UInt16(ColourModeCode(toolkit_.Text(ControlId::kComboBox1)))) != 0) {
    shell_.NotifyUser("Zvoulenou barevnost nelze použít."_cp);
  } else {
    result = true;
  }

  // The page settings are put in whatever happened above; their results are left to the trace.
  if (twain.SetCapVerified(source, ICAP_SUPPORTEDSIZES, TwainValue::UInt16(TWSS_A4)) != 0) {
    session.SetA4ImageLayout();
  }
  twain.SetCapOneValue(source, ICAP_AUTOMATICBORDERDETECTION, TwainValue::Bool(false));
  for (const TW_UINT16 cap :
       {ICAP_AUTODISCARDBLANKPAGES, ICAP_AUTOMATICBORDERDETECTION, ICAP_AUTOMATICDESKEW,
        ICAP_AUTOMATICROTATE, ICAP_FLIPROTATION, ICAP_OVERSCAN, ICAP_UNDEFINEDIMAGESIZE}) {
    twain.QueryCap(source, cap, MSG_GET);
  }
  twain.SetCapOneValue(source, ICAP_ROTATION, TwainValue::Real(0));
  twain.SetCapVerified(source, ICAP_AUTODISCARDBLANKPAGES, TwainValue::Int32(TWBP_DISABLE));
  return result;
}

void TForm1::Button1Click() {
  if (scanner_session_ == nullptr || !SetSettings(1)) return;
  scan::ScannerSession& session = *scanner_session_;
  if (scanner_.feeder) {
    session.Twain().SetCapVerified(session.current_source(), CAP_FEEDERENABLED,
                                   TwainValue::Bool(false));
  }
  session.progress().scan_kind = 1;
  EnableTheSource(1);
}

void TForm1::Button2Click() {
  if (scanner_session_ == nullptr || !SetSettings(2)) return;
  scan::ScannerSession& session = *scanner_session_;
  scan::TTwain2& twain = session.Twain();
  platform::TTwainSource* source = session.current_source();
  // With a flatbed as well, the feeder has to be switched on.
  if (scanner_.flatbed) twain.SetCapVerified(source, CAP_FEEDERENABLED, TwainValue::Bool(true));
  twain.SetCapVerified(source, CAP_AUTOFEED, TwainValue::Bool(true));
  twain.QueryCap(source, CAP_FEEDERLOADED, MSG_GET);
  twain.SetCapVerified(source, CAP_DUPLEXENABLED, TwainValue::Bool(Checked(ControlId::kCheckBox2)));
  session.progress().scan_kind = 2;
  EnableTheSource(2);
}

void TForm1::EnableTheSource(int /*kind*/) {
  scan::ScannerSession& session = *scanner_session_;
  toolkit_.Minimize();
  scan::ScanProgress& progress = session.progress();
  progress.pages_before = static_cast<std::int32_t>(folder_.pages.size());
  progress.failure_notice.clear();
  if (session.current_source()->EnableSource(false, false)) {
    for (const ControlId button : {ControlId::kButton1, ControlId::kButton2, ControlId::kButton3}) {
      Enable(button, false);
    }
    return;
  }
  toolkit_.Restore();
  shell_.NotifyUser("Skener odmítl zahájit skenování"_cp);
}

}  // namespace ui
