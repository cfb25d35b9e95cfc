// The send button: checks the inputs, writes the request body with the scan archive into the
// upload body file, posts it to the institution's server, shows the verdict and resets the
// window for the next batch.
#include <array>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "ui/IntegerReader.h"
#include "ui/Unit1.h"
#include "upload/Boundary.h"
#include "upload/MultipartBody.h"
#include "upload/OutputStream.h"
#include "upload/PersonNumber.h"
#include "upload/ResponseText.h"
#include "upload/Verdict.h"
#include "upload/myhttpsend.h"

namespace ui {
namespace {

using namespace text::literals;
using platform::ControlId;

constexpr std::string_view kBodyFileName = "zq_sken.tmp";
constexpr std::string_view kServerPath = "/dok/depository_in.pl";

// The upload body file: removed when it goes out of scope, whatever ended the send.
class UploadBodyFile {
 public:
  explicit UploadBodyFile(std::string path) : path_(std::move(path)) {}
  ~UploadBodyFile() {
    file_.Close();
    if (!removed_) platform::RemoveFile(path_);
  }
  UploadBodyFile(const UploadBodyFile&) = delete;
  UploadBodyFile& operator=(const UploadBodyFile&) = delete;

  bool Create() { return file_.Open(path_, platform::File::Mode::kCreate); }
  platform::File& file() { return file_; }
  const std::string& path() const { return path_; }
  // Closes and deletes the file; false when it could not be deleted.
  bool Remove() {
    file_.Close();
    removed_ = true;
    return platform::RemoveFile(path_) || !platform::FileExists(path_);
  }

 private:
  std::string path_;
  platform::File file_;
  bool removed_ = false;
};

// The enabled state of every control, to put the window back as it was when a send cannot go on:
// by Restore, or by itself when a platform error (a run log that cannot be written) leaves the
// send, so the window is never left disabled.
class EnabledStates {
 public:
  explicit EnabledStates(platform::Toolkit& toolkit)
      : toolkit_(toolkit), exceptions_(std::uncaught_exceptions()) {
    for (const ControlId control : platform::AllControls()) {
      enabled_[static_cast<std::size_t>(control)] = toolkit.Enabled(control);
    }
  }
  ~EnabledStates() {
    if (std::uncaught_exceptions() > exceptions_) Restore();
  }
  EnabledStates(const EnabledStates&) = delete;
  EnabledStates& operator=(const EnabledStates&) = delete;

  void Restore() const {
    for (const ControlId control : platform::AllControls()) {
      toolkit_.SetEnabled(control, enabled_[static_cast<std::size_t>(control)]);
    }
  }

 private:
  platform::Toolkit& toolkit_;
  const int exceptions_;
  std::array<bool, platform::kControlCount> enabled_{};
};

}  // namespace

void TForm1::Button3Click() {
  const int mode = Mode();
  const std::string indent(app::kLogIndent);

  // Checks: the first that fails ends the send before anything of it has begun.
  if (mode == 1 && folder_.pages.empty()) {
    shell_.NotifyUser("Nebyly naskenovány žádné stránky, není co odesílat."_cp);
    return;
  }
  if ((mode == 2 || mode == 3) && folder_.path.empty()) {
    if (!NactiZadanyAdresar(toolkit_.Text(ControlId::kEdit3))) return;
  }
  const std::string typed = toolkit_.Text(ControlId::kEdit2);
  const bool cover_sheet = Checked(ControlId::kCheckBox1);
  switch (upload::CheckPersonNumber(typed, cover_sheet,
                                    cover_sheet ? std::nullopt : ReadInteger(typed))) {
    case upload::PersonNumberCheck::kMissing:
      shell_.NotifyUser("Je nutné buď zadat UČO, nebo přiložit průvodní list."_cp);
      return;
    case upload::PersonNumberCheck::kNotANumber:
      shell_.NotifyUser("UČO může obsahovat pouze číslice."_cp);
      return;
    case upload::PersonNumberCheck::kAccepted:
      break;
  }

  // The settings in force.
  shell_.LogLine(std::string("Stisknuto tlačítko \""_cp) + toolkit_.Text(ControlId::kButton3) +
                 "\" s nastavením:"_cp);
  for (const ControlId radio :
       {ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kRadioButton3}) {
    if (Checked(radio)) shell_.LogLine(indent + "Chci " + toolkit_.Text(radio));
  }
  if (mode == 1) {
    shell_.LogLine(indent + "Skenovalo se do: " + folder_.path);
  } else {
    shell_.LogLine(indent + toolkit_.Text(ControlId::kLabel5) + ": " + folder_.path);
  }
  shell_.LogLine(indent + toolkit_.Text(ControlId::kLabel3) + ": " + typed);
  shell_.LogLine(indent + toolkit_.Text(ControlId::kLabel4) + (cover_sheet ? ": Ano" : ": Ne"));

  upload::BoundaryGenerator generator(send_.random_seed);
  const std::string boundary = generator.NextBoundary();
  send_.random_seed = generator.seed();
  const upload::UploadFields fields{upload::PersonNumberField(typed, cover_sheet),
                                    shell_.identity().language_code};
  const std::string& system_name = shell_.identity().system_name;

  UploadBodyFile body(folder_.path + std::string(kBodyFileName));
  if (!body.Create()) {
    shell_.NotifyUser(std::string("Soubor pro odeslání dat nelze vytvořit: "_cp) + body.path() +
                      "\r\n" + platform::ErrorText(body.file().LastError()) + "\r\n" +
                      "Data nebyla odeslána."_cp);
    return;
  }

  // From here until the reset the window is disabled and a folder-box commit waits.
  SendInProgress sending(*this);
  const EnabledStates window_before(toolkit_);
  EnableForm(false);

  // The archive packs a copy of the list chosen now: messages handled while packing cannot
  // change what is sent.
  std::vector<std::string> batch =
      Checked(ControlId::kCheckBox2) ? folder_.duplex_pages : folder_.pages;
  upload::FileOutputStream out(body.file(), body.path());
  upload::ArchiveResult written =
      upload::WriteMultipartBody(out, boundary, fields, std::move(batch), toolkit_);
  if (written.ok() && !body.file().Close()) {
    written = {upload::ArchiveResult::Fault::kOutput, body.path(),
               platform::ErrorText(body.file().LastError())};
  }
  if (!written.ok()) {
    // Nothing incomplete is posted: the file goes, the window and the batch stay as they were.
    body.Remove();
    toolkit_.SetPosition(ControlId::kProgressBar1, 0);
    toolkit_.SetText(ControlId::kLabel8, "");
    window_before.Restore();
    shell_.NotifyUser(written.Message() + "\r\n" + "Data nebyla odeslána."_cp);
    return;
  }

  toolkit_.SetPosition(ControlId::kProgressBar1, 0);
  toolkit_.SetText(ControlId::kLabel8,
                   std::string("Probíhá odesílání dat na server "_cp) + system_name + " ...");
  toolkit_.Repaint();

  bool request_succeeded = false;
  std::string raw_response;
  {
    upload::THTTPSend client;
    client.SetWindow(&toolkit_, system_name);
    if (send_.client_timeout_ms > 0) client.Timeout = send_.client_timeout_ms;
    client.MimeType = "multipart/form-data; boundary=" + boundary;
    upload::FileBodySource source;
    if (source.Open(body.path())) {
      request_succeeded = client.PerformRequest(
          "POST", "http://" + shell_.identity().server_host + std::string(kServerPath), source);
      raw_response = request_succeeded ? client.Document() : client.Sock().LastErrorDesc();
    } else {
      raw_response = "Cannot read " + body.path();
    }
  }
  toolkit_.SetPosition(ControlId::kProgressBar1, 0);
  toolkit_.SetText(ControlId::kLabel8, "");

  // The verdict.
  const std::string response = upload::DecodeResponseText(raw_response);
  const upload::Verdict verdict = upload::ReadVerdict(request_succeeded, response);
  switch (verdict.kind) {
    case upload::VerdictKind::kAccepted: {
      std::string notice =
          std::string("Data byla odeslána do "_cp) + system_name + " a v pořádku přijata."_cp;
      if (mode == 1) {
        notice +=
            std::string("\r\nPokud budou v pořádku vyhodnocena, bude možné smazat složku"_cp) +
            "\r\n" + folder_.path;
      }
      shell_.NotifyUser(notice);
      break;
    }
    case upload::VerdictKind::kServerError:
      shell_.NotifyUser(verdict.error_text);
      break;
    case upload::VerdictKind::kNoMarker:
      shell_.NotifyUser(std::string("Odeslání dat do "_cp) + system_name +
                        " se nezdařilo, došlo k neočekávané chybě."_cp +
                        shell_.identity().contact_line);
      shell_.LogLine("HTTPResponse:");
      for (const std::string& line : upload::SplitLines(response)) shell_.LogLine(line);
      break;
    case upload::VerdictKind::kRequestFailed:
      shell_.LogLine("Synapse error:");
      for (const std::string& line : upload::SplitLines(response)) shell_.LogLine(line);
      if (response == "Connection timed out\r\n") {
        shell_.NotifyUser(
            std::string("Došlo k vypršení časového limitu na odpověď ze strany serveru "_cp) +
            system_name + ".\r\n" +
            "Server je pravděpodobně přetížený, zkuste to prosím buďto později, "_cp + "\r\n" +
            "nebo kontaktujte vývojový tým "_cp + system_name + " na adrese " +
            shell_.identity().support_address + ".");
      } else {
        shell_.NotifyUser(std::string("Odeslání dat na server "_cp) + system_name +
                          " se zřejmě nezdařilo."_cp + "\r\n" + "Chyba: " + response);
      }
      break;
  }

  if (!body.Remove()) {
    shell_.NotifyUser(std::string("Nemělo by nastat: soubor "_cp) + body.path() +
                      " nelze smazat."_cp);
  }

  // The reset for the next batch; the page files stay on disk.
  send_.batch_sent = true;
  ClearDirInfo(true);
  EnableForm(true);
  LiftBatchLock();
}

}  // namespace ui
