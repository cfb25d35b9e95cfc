// The handlers of the TWAIN component's events on TForm1: each delivered page becomes a page file
// (grey or colour), pairs become two-sided composites, and the end of a scan restores the window.
//
// A page that cannot be turned into a file (a full disk, a removed folder, no memory) stops the
// scan: the remaining transfers are cancelled, so the source is disabled and TwainSourceDisable
// runs; the pages saved before stay on disk and in the page list. The same goes for a transfer
// that the driver fails (a paper jam). The user is told once, when the scan has ended.
#include <string>
#include <system_error>

#include "app/Shell.h"
#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "platform/bitmap/Bmp.h"
#include "platform/bitmap/ImageOps.h"
#include "scan/Niawt.h"
#include "scan/ScannerSession.h"
#include "ui/Unit1.h"

namespace ui {

using namespace text::literals;
using namespace twain;
using platform::ControlId;

namespace {

constexpr std::string_view kScanStopped =
    "\r\nSkenování bylo přerušeno. Dříve naskenované stránky zůstaly uloženy, zbývající listy "
    "naskenujte znovu."_cp;

// Keeps the first reason a scan ended early for the notice at the scan's end.
void RememberFailure(scan::ScanProgress& progress, std::string notice) {
  if (progress.failure_notice.empty()) progress.failure_notice = std::move(notice);
}

// Stops the scan after a page: the reason is kept, the remaining transfers are cancelled.
void StopScan(scan::ScanProgress& progress, std::string notice, bool& cancel) {
  RememberFailure(progress, std::move(notice));
  cancel = true;
}

std::string CannotSaveNotice(const std::string& path) {
  return std::string("Naskenovanou stránku nelze uložit do souboru "_cp) + path + "." +
         std::string(kScanStopped);
}

// The system's reason for a failed save, for the run log.
std::string SaveErrorLine(int error_number) {
  return std::string(app::kLogIndent) + "errno " + std::to_string(error_number) + ": " +
         std::generic_category().message(error_number);
}

// The composite's name: the front page's path without its extension, "-", and the back page's
// file name with the extension ".dib" (1001.bmp and 1002.bmp give 1001-1002.dib).
std::string CompositePath(const std::string& front, const std::string& back) {
  const auto without_extension = [](const std::string& path) {
    const std::size_t name_start = path.find_last_of(platform::kPathSeparator);
    const std::size_t dot = path.rfind('.');
    const bool has_extension =
        dot != std::string::npos && (name_start == std::string::npos || dot > name_start);
    return has_extension ? path.substr(0, dot) : path;
  };
  const std::size_t back_name = back.find_last_of(platform::kPathSeparator);
  const std::string back_file = back_name == std::string::npos ? back : back.substr(back_name + 1);
  return without_extension(front) + "-" + without_extension(back_file) + ".dib";
}

// The plain words for a transfer the driver failed with a condition code.
std::string TransferFailureText(std::int32_t result) {
  switch (result) {
    case -TWCC_PAPERJAM:
      return std::string("Ve skeneru uvízl papír."_cp);
    case -TWCC_PAPERDOUBLEFEED:
      return std::string("Skener vtáhl několik listů najednou."_cp);
    case -TWCC_NOMEDIA:
      return std::string("Ve skeneru není papír."_cp);
    default:
      return std::string("Skener při předávání stránky ohlásil chybu."_cp);
  }
}

}  // namespace

void TForm1::TwainTwainAcquire(int /*index*/, std::span<const std::uint8_t> dib, bool& cancel) {
  scan::ScanProgress& progress = scanner_session_->progress();
  platform::Bitmap image;
  const platform::BmpStatus status = platform::LoadDib(dib.data(), dib.size(), &image);
  if (status != platform::BmpStatus::kOk || !platform::ConvertTo24Bit(image, &image)) {
    const std::string reason(status != platform::BmpStatus::kOk
                                 ? platform::BmpStatusName(status)
                                 : platform::BmpStatusName(platform::BmpStatus::kOutOfMemory));
    shell_.LogLine("Page not readable: " + reason);
    StopScan(progress,
             std::string("Stránku od skeneru nelze zpracovat ("_cp) + reason + ")." +
                 std::string(kScanStopped),
             cancel);
    return;
  }
  if (toolkit_.Text(ControlId::kComboBox1) == "Stupně šedi"_cp &&
      !platform::GreyFromBlue(image, &image)) {
    shell_.LogLine("Page not converted to grey: out of memory");
    StopScan(progress,
             std::string("Stránku nelze převést do stupňů šedi (nedostatek paměti)."_cp) +
                 std::string(kScanStopped),
             cancel);
    return;
  }
  if (!folder_.page_counter) {
    // Every scan start settles the folder first; a page without one has nowhere to go.
    StopScan(progress,
             std::string("Nemělo by nastat: není určena složka pro naskenované soubory."_cp),
             cancel);
    return;
  }

  // The counter moves on also when the save fails: a later page never takes the failed name.
  const std::string path = folder_.page_counter->NextName();
  // A page never replaces a file that is there: after 2147483647 the counter wraps to
  // -2147483648, which a folder scanned earlier may hold.
  if (platform::FileExists(path)) {
    shell_.LogLine("Image not saved to " + path + ": the file exists");
    StopScan(progress, CannotSaveNotice(path), cancel);
    return;
  }
  int error_number = 0;
  if (!platform::SaveBmp(image, path, &error_number)) {
    shell_.LogLine("Image not saved to " + path);
    shell_.LogLine(SaveErrorLine(error_number));
    StopScan(progress, CannotSaveNotice(path), cancel);
    return;
  }
  folder_.pages.push_back(folder_.page_counter->CurrentName());
  shell_.LogLine("Image saved to " + folder_.page_counter->CurrentName());
  if (!Checked(ControlId::kCheckBox2) || folder_.pages.size() % 2 != 0) return;

  // The page just saved is a back side: the composite of the last two pages.
  const std::string& front_path = folder_.pages[folder_.pages.size() - 2];
  platform::Bitmap front;
  if (platform::LoadBmp(front_path, &front) != platform::BmpStatus::kOk) {
    shell_.NotifyUser(std::string("Nemělo by nastat: soubor "_cp) + front_path +
                      std::string(" nelze načíst, stránka bude prázdná."_cp));
    front.Clear();
  }
  platform::Bitmap composite;
  if (!platform::ComposeDuplex(front, image, &composite)) {
    shell_.LogLine("Duplex image not made: too large or out of memory");
    StopScan(progress,
             std::string("Oboustrannou stránku nelze sestavit (nedostatek paměti)."_cp) +
                 std::string(kScanStopped),
             cancel);
    return;
  }
  front.Clear();
  const std::string composite_path = CompositePath(front_path, folder_.pages.back());
  if (!platform::SaveBmp(composite, composite_path, &error_number)) {
    shell_.LogLine("Duplex image not saved to " + composite_path);
    shell_.LogLine(SaveErrorLine(error_number));
    StopScan(progress, CannotSaveNotice(composite_path), cancel);
    return;
  }
  folder_.duplex_pages.push_back(composite_path);
  shell_.LogLine("Duplex image saved to " + composite_path);
}

void TForm1::TwainAcquireError(int /*index*/, const platform::AcquireError& error) {
  switch (error.kind) {
    case platform::AcquireError::Kind::kTransferFailed: {
      // The component discards the remaining pages after a failed transfer: the scan ends here.
      const bool has_condition = error.result < 0 && error.result > -0x8000;
      shell_.LogLine("Page transfer failed: " +
                     (has_condition ? scan::TwainCodeName(scan::kFamilyConditionCode, -error.result)
                                    : scan::TwainCodeName(scan::kFamilyReturnCode, error.result)));
      RememberFailure(scanner_session_->progress(),
                      TransferFailureText(error.result) + std::string(kScanStopped));
      break;
    }
    case platform::AcquireError::Kind::kNotAnImage:
      shell_.LogLine(std::string("Nemělo by nastat: skener předal místo stránky něco jiného."_cp));
      break;
    case platform::AcquireError::Kind::kUnsupportedMode:
      shell_.LogLine(
          std::string("Nemělo by nastat: skener nepředává stránky nativním přenosem."_cp));
      break;
  }
}

void TForm1::TwainSourceDisable(int /*index*/) {
  scan::ScannerSession& session = *scanner_session_;
  scan::ScanProgress& progress = session.progress();
  if (progress.in_handler) return;
  progress.in_handler = true;
  // Cleared also when a platform error (a run-log write) leaves the handler.
  struct ClearFlag {
    bool& flag;
    ~ClearFlag() { flag = false; }
  } clear_flag{progress.in_handler};

  if (!progress.failure_notice.empty()) {
    const std::string notice = std::move(progress.failure_notice);
    progress.failure_notice.clear();
    shell_.NotifyUser(notice);
  } else if (folder_.pages.size() == static_cast<std::size_t>(progress.pages_before)) {
    shell_.NotifyUser(
        "Nebylo nic naskenováno, opakujte volbu.\r\n(Některé skenery po delší době nečinnosti "
        "ignorují první pokyn ke skenování.)"_cp);
  }
  Label6Refresh();
  Enable(ControlId::kButton1, !Checked(ControlId::kCheckBox2) && scanner_.flatbed);
  Enable(ControlId::kButton2, scanner_.feeder);
  Enable(ControlId::kButton3, true);
  shell_.LogLine("WindowState before: " + std::to_string(toolkit_.WindowState()));
  toolkit_.Restore();
  shell_.LogLine("WindowState after: " + std::to_string(toolkit_.WindowState()));
  toolkit_.Repaint();
  shell_.LogLine("WindowState repainted: " + std::to_string(toolkit_.WindowState()));
  toolkit_.SetFocus(progress.scan_kind == 1 ? ControlId::kButton1 : ControlId::kButton2);
  if (!session.current_source()->UnloadSource()) {
    shell_.NotifyUser("Nemělo by nastat: nezdařilo se \"UnloadSource\""_cp);
  }
}

void TForm1::TwainSetupFileXfer(int index) {
  scan::TTwain2& twain = scanner_session_->Twain();
  platform::TTwainSource* source = twain.SourceByIndex(index);
  if (source == nullptr || !folder_.page_counter) return;
  twain.SetupFileTransfer(source, folder_.page_counter->NextName(), TWFF_BMP);
  source->PendingTransfers();
}

void TForm1::TwainSourceFileTransfer(int index, const std::string& /*file_name*/,
                                     std::uint16_t /*format*/, bool& /*cancel*/) {
  platform::TTwainSource* source = scanner_session_->Twain().SourceByIndex(index);
  if (source != nullptr) source->PendingTransfers();
  if (folder_.page_counter) folder_.pages.push_back(folder_.page_counter->CurrentName());
}

}  // namespace ui
