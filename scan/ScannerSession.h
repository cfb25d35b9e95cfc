// The scanner session of the main window: the TWAIN component Twain, the data source chosen at
// start-up, and the state of the scan in progress.
//
// Start-up (the TWAIN half of FormCreate) is done here through the window's ScannerStartup
// seam; the scan buttons and the page handlers are TForm1's own operations (ScanSettings.cpp,
// PageHandlers.cpp) and reach the session through TForm1::scanner_session().
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/Shell.h"
#include "platform/Toolkit.h"
#include "platform/twain/TwainComponent.h"
#include "scan/TTwain2.h"
#include "ui/Unit1.h"

namespace scan {

// The scan that the last scan button started.
struct ScanProgress {
  // Entries of the page list when the scan was started: nothing arrived while it is unchanged.
  std::int32_t pages_before = 0;
  // 1 after Button1Click started a scan, 2 after Button2Click (where the focus returns).
  std::int32_t scan_kind = 0;
  // Set while TwainSourceDisable runs, so a notice's nested loop cannot run it over itself.
  bool in_handler = false;
  // A notice that ends the scan early (a page that could not be saved, a jammed feeder); shown
  // once when the source has been disabled.
  std::string failure_notice;
};

class ScannerSession {
 public:
  // The session of `form`: Twain's events go to the form's handlers. library_path names the
  // source manager library to load; empty: the platform's own search.
  ScannerSession(ui::TForm1& form, app::Shell& shell, platform::Toolkit& toolkit,
                 const std::string& library_path);
  ScannerSession(const ScannerSession&) = delete;
  ScannerSession& operator=(const ScannerSession&) = delete;

  TTwain2& Twain() { return twain_; }
  // The data source chosen at start-up, kept for the whole run; null without a scanner.
  platform::TTwainSource* current_source() const { return current_source_; }
  ScanProgress& progress() { return progress_; }

  // The three steps of start-up, called by FormCreate through the ScannerStartup seam.
  // Hands the run log to Twain as its trace file.
  void AttachTrace();
  // Loads the library and the source manager, writes the application identity and chooses the
  // source; true when a source was opened and switched to native transfer. Every other outcome
  // has been told to the user (the window then becomes send-only).
  bool Open();
  // With the chosen source open: describes it in the run log, fills the colour and resolution
  // boxes, decides the units (fatal without inches), the flatbed, feeder and duplex flags, probes
  // the source for the trace, closes it and brings the window to the foreground.
  void Describe();

  // The A4 image layout (Left 0, Top 0, Right 8.27", Bottom 11.69"): read, overwrite the frame,
  // set, read again. Results are left to the trace.
  void SetA4ImageLayout();

 private:
  void LogSourceIdentity();
  void FillColourModes();
  void SetInches();
  void FillResolutions();
  void CheckUserInterfaceControl();
  void ProbeFeederAndFlatbed();
  void DiagnosticProbe();
  void QueryCaps(std::initializer_list<twain::TW_UINT16> caps);

  ui::TForm1& form_;
  app::Shell& shell_;
  platform::Toolkit& toolkit_;
  TTwain2 twain_;
  platform::TTwainSource* current_source_ = nullptr;
  ScanProgress progress_;
};

// Creates the window's scanner session and wires it in: the window owns it, its start-up runs in
// FormCreate, the trace clock starts now from the system's tick count. Call once, before
// FormCreate. library_path: as for ScannerSession.
void InstallScannerSession(ui::TForm1& form, app::Shell& shell, platform::Toolkit& toolkit,
                           const std::string& library_path = {});

}  // namespace scan
