// The main window controller: the program's one window, its controls, the three working modes
// and their enabling rules, and the scan folder with its page lists.
//
// TForm1 works over the toolkit seam only. Its member functions live with the subsystem they
// belong to: the modes and the window here (Unit1.cpp), the scan folder in Unit1ScanFolder.cpp,
// the scan buttons in scan/, the send button in upload/.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "app/Shell.h"
#include "platform/Toolkit.h"
#include "ui/WindowState.h"

namespace platform {
struct AcquireError;
}
namespace scan {
class ScannerSession;
}

namespace ui {

class TForm1 : public platform::ToolkitEvents {
 public:
  // Registers itself for the toolkit's events; FormCreate builds the window.
  TForm1(app::Shell& shell, platform::Toolkit& toolkit);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Set before FormCreate; without it the window is created as one without a scanner.
  void set_scanner_startup(ScannerStartup startup) { scanner_startup_ = std::move(startup); }
  // The write probe of NactiZadanyAdresar (WriteProbe by default); tests inject failures here.
  void set_write_probe(std::function<void(std::string_view folder)> probe) {
    write_probe_ = std::move(probe);
  }

  // --- Creation and modes (Unit1.cpp) ---

  // Caption, the trace hand-over, the texts of every control, the scanner session, the mode.
  void FormCreate();
  // The mode rule for mode 1, 2 or 3: checks that radio button and enables the controls of the
  // mode; mode 1 also forgets the scan folder (ClearDirInfo(true)). Idempotent.
  void RadioButtonClick(int mode);
  void RadioButton1Click() { RadioButtonClick(1); }
  void RadioButton2Click() { RadioButtonClick(2); }
  void RadioButton3Click() { RadioButtonClick(3); }
  // The cover-sheet rule: Edit2 and Label3 are enabled exactly when CheckBox1 is unchecked.
  void CheckBox1Click();
  // The duplex rule: Button1 is enabled exactly when CheckBox2 and RadioButton2 are unchecked and
  // the flatbed can be used.
  void CheckBox2Click();
  // A click on the caption label toggles its check box, then applies the box's rule.
  void Label4Click();
  void Label11Click();
  // Enables or disables the whole window for a send; enabling applies the mode rule again.
  // ProgressBar1 and Label8 are not touched.
  void EnableForm(bool enable);
  // Focus left the folder box: posts the folder-box commit (message 32769) to the window.
  void Edit3Exit();
  // The folder-box commit: loads the folder typed into Edit3 unless it is the loaded one. Held
  // back while a send is in progress (see BeginSend).
  void MYMESSAGE();
  // The working mode: the number of the checked radio button (0 before FormCreate).
  int Mode() const;

  // The batch lock, applied by a scan start once the scan folder is settled: RadioButton2
  // disabled; in mode 1 RadioButton3; in mode 3 RadioButton1, Edit3, Button4 and Label5; in every
  // mode Label11 and CheckBox2. It lasts until the send's reset calls LiftBatchLock.
  void ApplyBatchLock();
  // The end of the send's reset: the mode rule for the checked mode, RadioButton1 and
  // RadioButton3 by the scanner-available flag, RadioButton2 enabled. Label11 and CheckBox2 end
  // as the mode rule sets them.
  void LiftBatchLock();

  // A send brackets its work with these. While a send is in progress a folder-box commit is
  // held back; EndSend posts it again, so it runs after the send's handler has finished (after
  // its reset, when the box is empty and no folder is loaded it does nothing).
  void BeginSend();
  void EndSend();
  bool send_in_progress() const { return send_.in_progress; }

  // --- The scan folder (Unit1ScanFolder.cpp) ---

  // Loads a chosen folder as the scan folder: checks, write probe (its platform::IoError leaves
  // the handler), listing, page lists sorted with CompareScanFiles, page counter after the
  // highest number found (at least 1000), Label6. True when loaded; on false the user has been
  // told why and the previous state is unchanged.
  bool NactiZadanyAdresar(const std::string& folder);
  // Makes a new numbered folder (application folder + "sken_tmp" + N) for mode 1, asking the
  // user for one when it cannot be made. Afterwards either the scan folder path names the new
  // folder and a new page counter exists, or the path is empty (the user has been told that
  // scanning cannot go on) and no scan may start.
  void CreateDirForScans();
  // Forgets the scan folder and both page lists and refreshes Label6; with remember_box the
  // folder box's folder (when it exists) becomes the picker start folder and the box is emptied.
  void ClearDirInfo(bool remember_box);
  // Label6 from the number of pages (Czech plural forms).
  void Label6Refresh();
  // The folder picker of Button4.
  void Button4Click();

  // --- Handlers of the other subsystems ---

  // Scan from the flatbed, scan from the feeder (scan/), send (upload/).
  void Button1Click();
  void Button2Click();
  void Button3Click();

  // --- Scanning (scan/) ---

  // The scanner session (scan::InstallScannerSession sets it before FormCreate). Without one the
  // scan buttons do nothing.
  void set_scanner_session(std::shared_ptr<scan::ScannerSession> session) {
    scanner_session_ = std::move(session);
  }
  scan::ScannerSession* scanner_session() { return scanner_session_.get(); }
  // Logs the settings of a scan from Button1 (1) or Button2 (2), settles the scan folder, applies
  // the batch lock, reopens the source and puts the settings into it. True when the scan may
  // start; on false the user has been told why.
  bool SetSettings(int button);
  // Minimizes the window and enables the source without its own dialog; when the driver refuses,
  // restores the window and tells the user. kind: 1 flatbed, 2 feeder.
  void EnableTheSource(int kind);
  // The TWAIN component's events: a delivered page (a packed DIB), the end of a scan, the
  // file-transfer pair, and a transfer that failed.
  void TwainTwainAcquire(int index, std::span<const std::uint8_t> dib, bool& cancel);
  void TwainSourceDisable(int index);
  void TwainSetupFileXfer(int index);
  void TwainSourceFileTransfer(int index, const std::string& file_name, std::uint16_t format,
                               bool& cancel);
  void TwainAcquireError(int index, const platform::AcquireError& error);

  // --- State shared with the scanning and sending code ---

  ScannerFlags& scanner_flags() { return scanner_; }
  const ScannerFlags& scanner_flags() const { return scanner_; }
  ScanFolder& scan_folder() { return folder_; }
  const ScanFolder& scan_folder() const { return folder_; }
  SendState& send_state() { return send_; }
  const SendState& send_state() const { return send_; }
  app::Shell& shell() { return shell_; }
  platform::Toolkit& toolkit() { return toolkit_; }

  // platform::ToolkitEvents
  void Click(platform::ControlId control) override;
  void FocusLeft(platform::ControlId control) override;
  void Message(unsigned message) override;

 private:
  void SetControlTexts();
  bool Checked(platform::ControlId control) const { return toolkit_.Checked(control); }
  void Enable(platform::ControlId control, bool enabled) { toolkit_.SetEnabled(control, enabled); }

  app::Shell& shell_;
  platform::Toolkit& toolkit_;
  ScannerStartup scanner_startup_;
  std::shared_ptr<scan::ScannerSession> scanner_session_;
  std::function<void(std::string_view folder)> write_probe_;
  ScannerFlags scanner_;
  ScanFolder folder_;
  SendState send_;
};

// Marks a send for its whole scope: BeginSend now, EndSend when the scope ends, also when a
// platform error leaves the send.
class SendInProgress {
 public:
  explicit SendInProgress(TForm1& form) : form_(form) { form_.BeginSend(); }
  ~SendInProgress() { form_.EndSend(); }
  SendInProgress(const SendInProgress&) = delete;
  SendInProgress& operator=(const SendInProgress&) = delete;

 private:
  TForm1& form_;
};

}  // namespace ui
