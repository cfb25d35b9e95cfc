// The send button end to end: the real window over the fake toolkit posting to the local
// depository server.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Cp1250.h"
#include "tests/ui/FormFixture.h"
#include "tests/upload/request/Depository.h"

namespace {

using namespace text::literals;
using platform::ControlId;
using ui_test::kSep;
using upload_test::Depository;
using upload_test::ReadAll;
using upload_test::Uploads;

const std::string kSuccessNotice =
    std::string("Data byla odeslána do ZQ TRIMA a v pořádku přijata."_cp);

class SendTest : public ui_test::FormTest {
 protected:
  SendTest() {
    CreateWithoutScanner();
    uploads_ = MakeFolder("uploads");
  }

  // Points the profile's server at the depository (the shell's identity is the test's own).
  void UseServer(const std::string& host) {
    app::Identity identity = shell_.identity();
    identity.server_host = host;
    identity.support_address = "podpora@example.org";
    identity.contact_line = "\r\nKontakt.";
    ASSERT_TRUE(shell_.StartWith(identity, folder_.Sub("log.txt")));
  }

  // A folder of pages with distinct contents.
  std::string MakeBatch(const std::string& name, std::initializer_list<std::string> pages) {
    const std::string folder = MakeFolder(name);
    for (const std::string& page : pages) {
      platform::File file;
      EXPECT_TRUE(file.Open(folder + kSep + page, platform::File::Mode::kCreate));
      file.Write("BM" + name + "/" + page);
    }
    return folder;
  }

  void LoadTyped(const std::string& folder) {
    toolkit_.Type(ControlId::kEdit3, folder);
    toolkit_.MoveFocus(ControlId::kEdit2);
    toolkit_.RunPostedMessages();
    ASSERT_EQ(form_.scan_folder().path, folder + kSep);
  }

  // Clicks Odeslat, answers the verdict's notice and runs what the event loop runs afterwards.
  std::string Send() {
    toolkit_.ExpectMessageBox();
    const std::size_t before = toolkit_.MessageTexts().size();
    toolkit_.Click(ControlId::kButton3);
    toolkit_.RunPostedMessages();
    const auto texts = toolkit_.MessageTexts();
    return texts.size() > before ? texts.back() : std::string("<no notice>");
  }

  void ExpectReset() {
    EXPECT_EQ(form_.scan_folder().path, "");
    EXPECT_TRUE(form_.scan_folder().pages.empty());
    EXPECT_EQ(Text(ControlId::kEdit3), "");
    EXPECT_EQ(Text(ControlId::kLabel6), "Připraveno ke zpracování další dávky dokumentů."_cp);
    EXPECT_TRUE(Enabled(ControlId::kButton3));
    EXPECT_TRUE(Enabled(ControlId::kEdit3));
    EXPECT_EQ(Text(ControlId::kLabel8), "");
    EXPECT_EQ(toolkit_.Position(ControlId::kProgressBar1), 0);
    EXPECT_FALSE(form_.send_in_progress());
  }

  std::string uploads_;
};

TEST_F(SendTest, AcceptedBatchReachesTheServerInPageOrderAndTheWindowResets) {
  Depository server(uploads_);
  ASSERT_NE(server.port(), 0);
  UseServer(server.host());
  const std::string batch = MakeBatch("A", {"1002.bmp", "1001.bmp", "1010.bmp", "1001-1002.dib"});
  LoadTyped(batch);
  toolkit_.Type(ControlId::kEdit2, " 123456");

  EXPECT_EQ(Send(), kSuccessNotice);

  const auto uploads = Uploads(uploads_);
  ASSERT_EQ(uploads.size(), 1u);
  const std::string record = ReadAll(uploads[0] / "request.json");
  EXPECT_NE(record.find("\"verdict\": \"ok\""), std::string::npos) << record;
  const std::size_t p1 = record.find("1001.bmp"), p2 = record.find("1002.bmp"),
                    p3 = record.find("1010.bmp");
  EXPECT_TRUE(p1 < p2 && p2 < p3 && p3 != std::string::npos) << record;
  EXPECT_EQ(record.find("1001-1002"), std::string::npos) << "duplex pictures sent without duplex";
  EXPECT_NE(record.find("\"quco\": \" 123456\""), std::string::npos) << record;
  // The first send of a run always uses the same boundary.
  EXPECT_NE(record.find("boundary=00000000040442026E36D60E19EE2C4D22EF1586_ZQ_Scan_boundary"),
            std::string::npos);
  EXPECT_EQ(ReadAll(uploads[0] / "pages" / "1010.bmp"), "BMA/1010.bmp");

  EXPECT_FALSE(platform::FileExists(batch + kSep + "zq_sken.tmp"));
  EXPECT_TRUE(platform::FileExists(batch + kSep + "1001.bmp"));  // pages stay on disk
  ExpectReset();
  const std::string log = Log();
  EXPECT_NE(log.find(std::string("Stisknuto tlačítko \"Odeslat\" s nastavením:\r\n"_cp) +
                     "   Chci " + std::string("odeslat již naskenované soubory.\r\n"_cp) + "   " +
                     std::string("Soubory k odeslání: "_cp) + batch + kSep + "\r\n" +
                     std::string("   Učo:  123456\r\n   Průvodka: Ne\r\n"_cp)),
            std::string::npos)
      << log;
}

TEST_F(SendTest, DuplexCoverSheetSecondSendAndTheServerVerdicts) {
  Depository server(uploads_, "error", {"--text", "Chybné UČO"});
  UseServer(server.host());
  LoadTyped(MakeBatch("A", {"1001.bmp", "1002.bmp", "1001-1002.dib"}));
  toolkit_.Click(ControlId::kCheckBox1);  // cover sheet: Edit2 is not checked
  toolkit_.Click(ControlId::kCheckBox2);  // both sides: the pictures are sent
  // The server's error text, decoded from UTF-8.
  EXPECT_EQ(Send(), "Chybné UČO"_cp);
  auto record = ReadAll(Uploads(uploads_).at(0) / "request.json");
  EXPECT_NE(record.find("\"quco\": \"pl\""), std::string::npos);
  EXPECT_NE(record.find("1001-1002.bmp"), std::string::npos) << record;  // .dib stored as .bmp
  EXPECT_EQ(record.find("\"1001.bmp\""), std::string::npos) << record;

  LoadTyped(MakeBatch("B", {"1001.bmp"}));
  EXPECT_EQ(Send(), "Chybné UČO"_cp);
  record = ReadAll(Uploads(uploads_).at(1) / "request.json");
  EXPECT_NE(record.find("boundary=55F8C5A028CAE02514B5B6BB2FA581AC367C7A5E_ZQ_Scan_boundary"),
            std::string::npos)
      << record;
}

TEST_F(SendTest, FailureVerdictsAreToldAndLogged) {
  const struct {
    const char* mode;
    std::string notice;
    std::string log;
  } cases[] = {
      {"ok-emoji", kSuccessNotice, ""},
      {"chunked", kSuccessNotice, ""},
      {"nolength", kSuccessNotice, ""},
      {"early", kSuccessNotice, ""},
      {"nomarker",
       std::string("Odeslání dat do ZQ TRIMA se nezdařilo, došlo k neočekávané chybě."_cp) +
           "\r\nKontakt.",
       "HTTPResponse:\r\n<html>"},
      {"notutf8",
       std::string("Odeslání dat do ZQ TRIMA se nezdařilo, došlo k neočekávané chybě."_cp) +
           "\r\nKontakt.",
       "HTTPResponse:\r\n"},  // no response lines: the text was not UTF-8
      {"reset",
       std::string("Odeslání dat na server ZQ TRIMA se zřejmě nezdařilo.\r\nChyba: "_cp) +
           "Connection reset by peer\r\n",
       "Synapse error:\r\nConnection reset by peer\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    Depository server(MakeFolder(std::string("uploads-") + c.mode), c.mode);
    UseServer(server.host());
    LoadTyped(MakeBatch(std::string("batch-") + c.mode, {"1001.bmp"}));
    toolkit_.Type(ControlId::kEdit2, "42");
    EXPECT_EQ(Send(), c.notice);
    if (!c.log.empty()) {
      EXPECT_NE(Log().find(c.log), std::string::npos) << Log();
    }
    if (std::string_view(c.mode) == "notutf8") {
      EXPECT_TRUE(Log().ends_with("HTTPResponse:\r\n")) << Log();
    }
    ExpectReset();
  }
}

TEST_F(SendTest, ClientTimeOutAndRefusedConnection) {
  {
    Depository server(uploads_, "slow", {"--delay", "3"});
    UseServer(server.host());
    form_.send_state().client_timeout_ms = 300;
    LoadTyped(MakeBatch("slow", {"1001.bmp"}));
    toolkit_.Type(ControlId::kEdit2, "42");
    EXPECT_EQ(
        Send(),
        std::string("Došlo k vypršení časového limitu na odpověď ze strany serveru ZQ TRIMA."_cp) +
            "\r\n" + "Server je pravděpodobně přetížený, zkuste to prosím buďto později, "_cp +
            "\r\nnebo kontaktujte vývojový tým ZQ TRIMA na adrese podpora@example.org."_cp);
    EXPECT_NE(Log().find("Synapse error:\r\nConnection timed out\r\n"), std::string::npos);
    ExpectReset();
  }
  int closed_port = 0;
  {
    Depository gone(uploads_);
    closed_port = gone.port();
  }
  UseServer("127.0.0.1:" + std::to_string(closed_port));
  LoadTyped(MakeBatch("refused", {"1001.bmp"}));
  toolkit_.Type(ControlId::kEdit2, "42");
  EXPECT_EQ(Send(),
            std::string("Odeslání dat na server ZQ TRIMA se zřejmě nezdařilo.\r\nChyba: "_cp) +
                "Connection refused\r\n");
  ExpectReset();
}

TEST_F(SendTest, ChecksStopTheSendBeforeAnythingIsWritten) {
  const std::string batch = MakeBatch("A", {"1001.bmp"});
  const struct {
    int mode;
    const char* person;
    bool cover;
    std::string notice;
  } cases[] = {
      {2, "", false, std::string("Je nutné buď zadat UČO, nebo přiložit průvodní list."_cp)},
      {2, "123 ", false, std::string("UČO může obsahovat pouze číslice."_cp)},
      {2, "2147483648", false, std::string("UČO může obsahovat pouze číslice."_cp)},
      {2, "12a", false, std::string("UČO může obsahovat pouze číslice."_cp)},
  };
  LoadTyped(batch);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.person);
    toolkit_.Type(ControlId::kEdit2, c.person);
    EXPECT_EQ(Send(), c.notice);
    EXPECT_FALSE(platform::FileExists(batch + kSep + "zq_sken.tmp"));
    EXPECT_EQ(form_.scan_folder().path, batch + kSep);  // the batch stays loaded
  }
  EXPECT_EQ(Log().find("Stisknuto"), std::string::npos);
}

TEST_F(SendTest, FolderBoxCommitDuringASendWaitsUntilTheReset) {
  // Folder A loaded with the picker, folder B typed into the box, then Odeslat: leaving the box
  // posts its commit, which the packing's message processing must not run.
  Depository server(uploads_);
  UseServer(server.host());
  const std::string a = MakeBatch("A", {"1001.bmp", "1002.bmp", "1003.bmp"});
  const std::string b = MakeBatch("B", {"2001.bmp"});
  toolkit_.AnswerBrowseForFolder(a);
  toolkit_.Click(ControlId::kButton4);
  ASSERT_EQ(form_.scan_folder().path, a + kSep);
  toolkit_.Type(ControlId::kEdit2, "42");
  toolkit_.Type(ControlId::kEdit3, b);

  EXPECT_EQ(Send(), kSuccessNotice);

  const std::string record = ReadAll(Uploads(uploads_).at(0) / "request.json");
  const std::size_t p1 = record.find("\"1001.bmp\""), p2 = record.find("\"1002.bmp\""),
                    p3 = record.find("\"1003.bmp\"");
  EXPECT_TRUE(p1 < p2 && p2 < p3 && p3 != std::string::npos) << record;
  EXPECT_EQ(record.find("2001"), std::string::npos) << record;
  EXPECT_GT(toolkit_.process_messages_count(), 0);
  ExpectReset();
  EXPECT_TRUE(toolkit_.posted().empty());
}

TEST_F(SendTest, APageThatVanishesIsNotSentAndTheBatchStays) {
  Depository server(uploads_);
  UseServer(server.host());
  const std::string batch = MakeBatch("A", {"1001.bmp", "1002.bmp"});
  LoadTyped(batch);
  toolkit_.Type(ControlId::kEdit2, "42");
  std::filesystem::remove(platform::NativePath(batch + kSep + "1002.bmp"));

  const std::string notice = Send();
  EXPECT_NE(notice.find(batch + kSep + "1002.bmp"), std::string::npos) << notice;
  EXPECT_NE(notice.find("Data nebyla odeslána."_cp), std::string::npos) << notice;
  EXPECT_TRUE(Uploads(uploads_).empty());
  EXPECT_FALSE(platform::FileExists(batch + kSep + "zq_sken.tmp"));
  EXPECT_EQ(form_.scan_folder().path, batch + kSep);
  EXPECT_EQ(form_.scan_folder().pages.size(), 2u);
  EXPECT_TRUE(Enabled(ControlId::kButton3));
  EXPECT_TRUE(Enabled(ControlId::kEdit3));
  EXPECT_FALSE(form_.send_state().batch_sent);
}

TEST_F(SendTest, ABodyFileThatCannotBeCreatedIsToldAndNothingChanges) {
  const std::string batch = MakeBatch("A", {"1001.bmp"});
  LoadTyped(batch);
  toolkit_.Type(ControlId::kEdit2, "42");
  // A folder in the body file's place.
  std::filesystem::create_directory(platform::NativePath(batch + kSep + "zq_sken.tmp"));
  const std::string notice = Send();
  EXPECT_EQ(notice.rfind("Soubor pro odeslání dat nelze vytvořit: "_cp, 0), 0u) << notice;
  EXPECT_EQ(form_.scan_folder().path, batch + kSep);
  EXPECT_TRUE(Enabled(ControlId::kButton3));
}

}  // namespace

namespace {

// Points the open run log's descriptor at /dev/full, so the next entry fails as on a full disk.
void MakeRunLogFull(const std::string& log_path) {
  const std::filesystem::path log = std::filesystem::canonical(log_path);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) != log) continue;
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    ::dup2(full, std::stoi(entry.path().filename().string()));
    ::close(full);
  }
}

TEST_F(SendTest, ARunLogThatFailsDuringTheSendLeavesTheWindowUsable) {
  Depository server(uploads_);
  UseServer(server.host());
  const std::string batch = MakeBatch("A", {"1001.bmp"});
  LoadTyped(batch);
  toolkit_.Type(ControlId::kEdit2, "42");
  bool made_full = false;
  toolkit_.SetOnProcessMessages([&] {
    if (!made_full) MakeRunLogFull(folder_.Sub("log.txt"));
    made_full = true;
  });
  toolkit_.ExpectErrorBox();  // the platform's box for the failed log entry of the verdict
  toolkit_.Click(ControlId::kButton3);
  ASSERT_TRUE(made_full);
  EXPECT_EQ(Uploads(uploads_).size(), 1u);
  EXPECT_FALSE(platform::FileExists(batch + kSep + "zq_sken.tmp"));
  EXPECT_TRUE(Enabled(ControlId::kButton3));
  EXPECT_TRUE(Enabled(ControlId::kEdit3));
  EXPECT_FALSE(form_.send_in_progress());
}

}  // namespace
