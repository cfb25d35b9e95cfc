#include "ui/Unit1.h"

#include <initializer_list>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "platform/twain/TwainComponent.h"
#include "ui/WriteProbe.h"

namespace ui {

using namespace text::literals;
using platform::ControlId;

namespace {

// The texts the controls show once the window is created (Label9 is composed apart).
struct ControlText {
  ControlId control;
  std::string_view text;
};
constexpr ControlText kControlTexts[] = {
    {ControlId::kLabel7, "Chci"_cp},
    {ControlId::kRadioButton1, "naskenovat stránky do souborů a odeslat je."_cp},
    {ControlId::kRadioButton2, "odeslat již naskenované soubory."_cp},
    {ControlId::kRadioButton3, "přidat k již naskenovaným další a odeslat."_cp},
    {ControlId::kLabel5, "Soubory k odeslání"_cp},
    {ControlId::kEdit3, ""},
    {ControlId::kButton4, "Vyhledat..."},
    {ControlId::kLabel1, "Barevnost"},
    {ControlId::kComboBox1, "Stupně šedi"_cp},
    {ControlId::kLabel2, "Rozlišení"_cp},
    {ControlId::kComboBox2, ""},
    {ControlId::kEdit1, "200"},
    {ControlId::kLabel2a, "dpi"},
    {ControlId::kCheckBox2, ""},
    {ControlId::kLabel11, "Oboustranně"_cp},
    {ControlId::kButton1, "Skenovat z plochy"},
    {ControlId::kButton2, "Skenovat z podavače"_cp},
    {ControlId::kLabel6, "Zatím nic nenaskenováno."_cp},
    {ControlId::kLabel3, "Učo"_cp},
    {ControlId::kEdit2, ""},
    {ControlId::kLabel4, "Průvodka"_cp},
    {ControlId::kCheckBox1, ""},
    {ControlId::kButton3, "Odeslat"},
    {ControlId::kLabel8, " "},
};

constexpr ControlId kRadioButtons[] = {ControlId::kRadioButton1, ControlId::kRadioButton2,
                                       ControlId::kRadioButton3};

}  // namespace

TForm1::TForm1(app::Shell& shell, platform::Toolkit& toolkit)
    : shell_(shell), toolkit_(toolkit), write_probe_(WriteProbe) {
  toolkit_.SetEvents(this);
}

TForm1::~TForm1() { toolkit_.SetEvents(nullptr); }

void TForm1::SetControlTexts() {
  for (const ControlText& entry : kControlTexts) toolkit_.SetText(entry.control, entry.text);
  toolkit_.SetText(
      ControlId::kLabel9,
      std::string("Pro rozpoznávání odpovědních listů je nutné ponechat\r\nbarevnost '"_cp) +
          toolkit_.Text(ControlId::kComboBox1) + std::string("' a rozlišení 200."_cp));
  for (const ControlId box : {ControlId::kCheckBox1, ControlId::kCheckBox2}) {
    toolkit_.SetChecked(box, false);
  }
  // ComboBox2 and Edit1 share one place: the scanner session shows Edit1 when it hides the list.
  toolkit_.SetVisible(ControlId::kComboBox2, true);
  toolkit_.SetVisible(ControlId::kEdit1, false);
  toolkit_.SetPosition(ControlId::kProgressBar1, 0);
}

void TForm1::FormCreate() {
  toolkit_.SetCaption(shell_.identity().window_title);
  if (scanner_startup_.attach_trace) scanner_startup_.attach_trace();
  folder_ = ScanFolder{};
  SetControlTexts();

  scanner_.available = false;
  if (scanner_startup_.open) scanner_.available = scanner_startup_.open();
  if (!scanner_.available) {
    // Send-only: the modes that scan stay disabled for the whole run.
    RadioButtonClick(2);
    Enable(ControlId::kRadioButton1, false);
    Enable(ControlId::kRadioButton3, false);
    return;
  }
  RadioButtonClick(1);
  if (scanner_startup_.describe) scanner_startup_.describe();
}

int TForm1::Mode() const {
  for (int mode = 1; mode <= 3; ++mode) {
    if (Checked(kRadioButtons[mode - 1])) return mode;
  }
  return 0;
}

void TForm1::RadioButtonClick(int mode) {
  if (mode < 1 || mode > 3) return;
  for (int other = 1; other <= 3; ++other) {
    toolkit_.SetChecked(kRadioButtons[other - 1], other == mode);
  }
  const bool scanning_mode = mode != 2;
  for (const ControlId control :
       {ControlId::kLabel1, ControlId::kLabel2, ControlId::kLabel2a, ControlId::kLabel9,
        ControlId::kEdit1, ControlId::kComboBox1, ControlId::kComboBox2}) {
    Enable(control, scanning_mode);
  }
  Enable(ControlId::kButton2, scanning_mode && scanner_.feeder);
  // In mode 2 the duplex box only chooses which pictures of the folder are sent.
  const bool duplex_box = mode == 2 || scanner_.duplex;
  Enable(ControlId::kCheckBox2, duplex_box);
  if (!duplex_box) toolkit_.SetChecked(ControlId::kCheckBox2, false);
  Enable(ControlId::kLabel11, duplex_box);
  Enable(ControlId::kButton1, scanning_mode && !Checked(ControlId::kCheckBox2) && scanner_.flatbed);
  for (const ControlId control : {ControlId::kLabel5, ControlId::kEdit3, ControlId::kButton4}) {
    Enable(control, mode != 1);
  }
  if (mode == 1) ClearDirInfo(true);
}

void TForm1::CheckBox1Click() {
  const bool person_number = !Checked(ControlId::kCheckBox1);
  Enable(ControlId::kEdit2, person_number);
  Enable(ControlId::kLabel3, person_number);
}

void TForm1::CheckBox2Click() {
  // Both sides can only be scanned through the feeder.
  Enable(ControlId::kButton1,
         !Checked(ControlId::kCheckBox2) && !Checked(ControlId::kRadioButton2) && scanner_.flatbed);
}

void TForm1::Label4Click() {
  toolkit_.SetChecked(ControlId::kCheckBox1, !Checked(ControlId::kCheckBox1));
  CheckBox1Click();
}

void TForm1::Label11Click() {
  toolkit_.SetChecked(ControlId::kCheckBox2, !Checked(ControlId::kCheckBox2));
  CheckBox2Click();
}

void TForm1::EnableForm(bool enable) {
  for (const ControlId control :
       {ControlId::kLabel7,    ControlId::kRadioButton2, ControlId::kLabel5,
        ControlId::kEdit3,     ControlId::kButton4,      ControlId::kLabel1,
        ControlId::kComboBox1, ControlId::kLabel2,       ControlId::kLabel2a,
        ControlId::kComboBox2, ControlId::kEdit1,        ControlId::kLabel9,
        ControlId::kButton1,   ControlId::kButton2,      ControlId::kLabel6,
        ControlId::kButton3,   ControlId::kLabel4,       ControlId::kCheckBox1,
        ControlId::kLabel11,   ControlId::kCheckBox2}) {
    Enable(control, enable);
  }
  Enable(ControlId::kRadioButton1, enable && scanner_.available);
  Enable(ControlId::kRadioButton3, enable && scanner_.available);
  const bool person_number = enable && !Checked(ControlId::kCheckBox1);
  Enable(ControlId::kLabel3, person_number);
  Enable(ControlId::kEdit2, person_number);
  if (enable) RadioButtonClick(Mode());
}

void TForm1::Edit3Exit() { toolkit_.PostMessage(platform::kFolderBoxCommitMessage); }

void TForm1::MYMESSAGE() {
  if (send_.in_progress) {
    // The send packs the batch it checked; the commit runs once the send has finished.
    send_.commit_held = true;
    return;
  }
  const std::string typed = toolkit_.Text(ControlId::kEdit3);
  if (typed == folder_.path || typed + std::string(platform::kPathSeparatorText) == folder_.path) {
    return;
  }
  ClearDirInfo(false);
  NactiZadanyAdresar(typed);
}

void TForm1::ApplyBatchLock() {
  Enable(ControlId::kRadioButton2, false);
  if (Checked(ControlId::kRadioButton1)) Enable(ControlId::kRadioButton3, false);
  if (Checked(ControlId::kRadioButton3)) {
    for (const ControlId control :
         {ControlId::kRadioButton1, ControlId::kEdit3, ControlId::kButton4, ControlId::kLabel5}) {
      Enable(control, false);
    }
  }
  Enable(ControlId::kLabel11, false);
  Enable(ControlId::kCheckBox2, false);
}

void TForm1::LiftBatchLock() {
  RadioButtonClick(Mode());
  Enable(ControlId::kRadioButton1, scanner_.available);
  Enable(ControlId::kRadioButton3, scanner_.available);
  Enable(ControlId::kRadioButton2, true);
}

void TForm1::BeginSend() {
  send_.in_progress = true;
  send_.commit_held = false;
}

void TForm1::EndSend() {
  send_.in_progress = false;
  if (send_.commit_held) {
    send_.commit_held = false;
    toolkit_.PostMessage(platform::kFolderBoxCommitMessage);
  }
}

void TForm1::Click(ControlId control) {
  switch (control) {
    case ControlId::kRadioButton1:
      RadioButton1Click();
      break;
    case ControlId::kRadioButton2:
      RadioButton2Click();
      break;
    case ControlId::kRadioButton3:
      RadioButton3Click();
      break;
    case ControlId::kCheckBox1:
      CheckBox1Click();
      break;
    case ControlId::kCheckBox2:
      CheckBox2Click();
      break;
    case ControlId::kLabel4:
      Label4Click();
      break;
    case ControlId::kLabel11:
      Label11Click();
      break;
    case ControlId::kButton1:
      Button1Click();
      break;
    case ControlId::kButton2:
      Button2Click();
      break;
    case ControlId::kButton3:
      Button3Click();
      break;
    case ControlId::kButton4:
      Button4Click();
      break;
    default:
      break;
  }
}

void TForm1::FocusLeft(ControlId control) {
  if (control == ControlId::kEdit3) Edit3Exit();
}

void TForm1::Message(unsigned message) {
  if (message == platform::kFolderBoxCommitMessage) {
    MYMESSAGE();
    return;
  }
  // The scanner's notices, queued by the TWAIN component.
  platform::HandleTwainMessage(message);
}

}  // namespace ui
