// The whole send (Button3Click) against servers and disks that fail it: after each fault the
// user is told what happened, the upload body file is gone, the window is enabled again, the
// page files are intact and no descriptor is left open.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "tests/platform/net/LoopbackPeer.h"
#include "tests/ui/FormFixture.h"
#include "tests/upload/faults/FileSizeLimit.h"

namespace {

using namespace text::literals;
using platform::ControlId;
using testing_faults::FileSizeLimit;
using testing_net::LoopbackPeer;
using testing_net::PeerConnection;
using ui_test::kSep;

std::string Failed(const std::string& error) {
  return std::string("Odeslání dat na server ZQ TRIMA se zřejmě nezdařilo.\r\nChyba: "_cp) + error +
         "\r\n";
}
const std::string kNoVerdict =
    std::string("Odeslání dat do ZQ TRIMA se nezdařilo, došlo k neočekávané chybě."_cp) +
    "\r\nKontakt.";
const std::string kTimedOut =
    std::string("Došlo k vypršení časového limitu na odpověď ze strany serveru ZQ TRIMA."_cp) +
    "\r\n" + "Server je pravděpodobně přetížený, zkuste to prosím buďto později, "_cp +
    "\r\nnebo kontaktujte vývojový tým ZQ TRIMA na adrese podpora@example.org."_cp;

// Open descriptors of this process.
std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

// Bytes that do not compress, so the body is as large as its pages.
std::string NoiseBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

class SendFaultsTest : public ui_test::FormTest {
 protected:
  SendFaultsTest() { CreateWithoutScanner(); }

  void UseServer(int port) {
    app::Identity identity = shell_.identity();
    identity.server_host = "127.0.0.1:" + std::to_string(port);
    identity.support_address = "podpora@example.org";
    identity.contact_line = "\r\nKontakt.";
    ASSERT_TRUE(shell_.StartWith(identity, folder_.Sub("log.txt")));
    form_.send_state().client_timeout_ms = 3000;
  }

  // A loaded folder of pages with the given contents, the person number typed.
  void LoadBatch(const std::string& name, std::vector<std::string> contents) {
    batch_ = MakeFolder(name);
    pages_ = std::move(contents);
    for (std::size_t i = 0; i < pages_.size(); ++i) {
      platform::File file;
      ASSERT_TRUE(file.Open(PagePath(i), platform::File::Mode::kCreate));
      ASSERT_TRUE(file.Write(pages_[i]));
    }
    toolkit_.Type(ControlId::kEdit3, batch_);
    toolkit_.MoveFocus(ControlId::kEdit2);
    toolkit_.RunPostedMessages();
    ASSERT_EQ(form_.scan_folder().path, batch_ + kSep);
    toolkit_.Type(ControlId::kEdit2, "42");
  }
  std::string PagePath(std::size_t index) const {
    return batch_ + kSep + std::to_string(1001 + index) + ".bmp";
  }

  // Clicks Odeslat, answers the notice and runs what the event loop runs afterwards.
  std::string Send() {
    toolkit_.ExpectMessageBox();
    const std::size_t before = toolkit_.MessageTexts().size();
    toolkit_.Click(ControlId::kButton3);
    toolkit_.RunPostedMessages();
    const auto texts = toolkit_.MessageTexts();
    return texts.size() > before ? texts.back() : std::string("<no notice>");
  }

  // What every send leaves, whatever ended it.
  void ExpectCleanEnd() {
    EXPECT_FALSE(std::filesystem::exists(platform::NativePath(batch_ + kSep + "zq_sken.tmp")));
    for (std::size_t i = 0; i < pages_.size(); ++i) {
      EXPECT_EQ(testing_support::ReadFile(PagePath(i)), pages_[i]) << PagePath(i);
    }
    EXPECT_TRUE(Enabled(ControlId::kButton3));
    EXPECT_TRUE(Enabled(ControlId::kRadioButton2));
    EXPECT_FALSE(form_.send_in_progress());
    EXPECT_EQ(Text(ControlId::kLabel8), "");
    EXPECT_EQ(toolkit_.Position(ControlId::kProgressBar1), 0);
  }
  // The reset after a send that reached the server: the folder is forgotten.
  void ExpectReset() {
    ExpectCleanEnd();
    EXPECT_EQ(form_.scan_folder().path, "");
    EXPECT_EQ(Text(ControlId::kLabel6), "Připraveno ke zpracování další dávky dokumentů."_cp);
  }

  std::string batch_;
  std::vector<std::string> pages_;
};

using Script = std::function<void(PeerConnection&)>;

struct ServerFault {
  const char* name;
  Script script;
  std::string notice;
  std::string log = {};  // a piece the run log holds afterwards
  int timeout_ms = 3000;
};

const std::string kChunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
const std::string kOkPage = "<html><!-- tovk_depository_in_ok --></html>";

TEST_F(SendFaultsTest, ServerFaultsEndTheSendWithTheirNotice) {
  const std::vector<ServerFault> faults = {
      {"closes before the status line", [](PeerConnection& c) { c.ReadRequest(); },
       Failed("Connection reset by peer"), "Synapse error:\r\nConnection reset by peer\r\n"},
      {"closes mid-headers",
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Send("HTTP/1.0 200 OK\r\nContent-Le");
       },
       Failed("Connection reset by peer")},
      // The success marker in a page cut short is no verdict.
      {"closes mid-body",
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + kOkPage);
       },
       Failed("Connection reset by peer")},
      {"resets mid-body",
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + kOkPage);
         PeerConnection::Pause(50);
         c.Reset();
       },
       Failed("Connection reset by peer")},
      {"stalls past the time-out",
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + kOkPage);
         c.WaitForClientClose();
       },
       kTimedOut, "Synapse error:\r\nConnection timed out\r\n", 300},
      // A page the decoder cannot read carries no verdict, even with the marker in it.
      {"a page that is not UTF-8",
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Send("HTTP/1.0 200 OK\r\n\r\n<html>\xe8\xed\xf8" + kOkPage);
       },
       kNoVerdict, "HTTPResponse:\r\n"},
      {"garbage chunk size ends the page",
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Send(kChunked + "6\r\n<html>\r\nzz\r\n" + kOkPage);
       },
       kNoVerdict, "HTTPResponse:\r\n<html>\r\n"},
      {"chunk size beyond the page limit, then a close",
       [](PeerConnection& c) {
         c.ReadRequest();
         c.Send(kChunked + "fffffffffffffff\r\n" + kOkPage);
       },
       Failed("Connection reset by peer")},
  };
  for (const ServerFault& fault : faults) {
    SCOPED_TRACE(fault.name);
    const std::size_t descriptors = OpenDescriptors();
    {
      LoopbackPeer server([&](PeerConnection& connection, int) { fault.script(connection); });
      UseServer(server.port());
      form_.send_state().client_timeout_ms = fault.timeout_ms;
      LoadBatch(std::string("batch-") + fault.name, {"BM page one", "BM page two"});
      EXPECT_EQ(Send(), fault.notice);
      server.Join();
      EXPECT_EQ(server.accepted(), 1);
    }
    if (!fault.log.empty()) {
      EXPECT_NE(Log().find(fault.log), std::string::npos) << Log();
    }
    ExpectReset();
    EXPECT_EQ(OpenDescriptors(), descriptors);
  }
}

// The server answers with an error page before it has taken the body, and closes: the send
// fails, and the user reads the server's answer instead of the socket's error.
TEST_F(SendFaultsTest, AnErrorPageSentBeforeTheBodyWasTakenIsShown) {
  const std::string page =
      "<html><!-- tovk_depository_in_error: Neplatné UČO --></html>";  // UTF-8 on the wire
  const std::size_t descriptors = OpenDescriptors();
  {
    LoopbackPeer server(
        [&](PeerConnection& connection, int) {
          connection.ReadHead();
          connection.ReadBytes(65536);
          connection.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" +
                          page);
          connection.Close();
        },
        1, 65536);
    UseServer(server.port());
    LoadBatch("early", {NoiseBytes(12 << 20, 1)});
    EXPECT_EQ(Send(), "Neplatné UČO"_cp);
    server.Join();
  }
  EXPECT_EQ(Log().find("Synapse error:"), std::string::npos);
  ExpectReset();
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

// A server that announces a page of 1 GB and sends it: the client keeps the first 16 MiB, then
// closes the connection.
TEST_F(SendFaultsTest, APageOfOneGigabyteIsCutAtItsLimit) {
  const std::size_t descriptors = OpenDescriptors();
  {
    LoopbackPeer server([&](PeerConnection& connection, int) {
      connection.ReadRequest();
      connection.Send("HTTP/1.0 200 OK\r\nContent-Length: 1073741824\r\n\r\n");
      const std::string block(1 << 20, 'x');
      for (int i = 0; i < 1024; ++i) connection.Send(block);
    });
    UseServer(server.port());
    form_.send_state().client_timeout_ms = 10000;
    LoadBatch("gigabyte", {"BM page"});
    EXPECT_EQ(Send(), kNoVerdict);
    server.Join();
  }
  const std::string log = Log();
  const std::size_t response = log.find("HTTPResponse:\r\n");
  ASSERT_NE(response, std::string::npos);
  EXPECT_EQ(log.size() - response, 15 + (16u << 20) + 2) << "the page as it was kept, logged";
  ExpectReset();
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

// The disk fills while the body file is written: the user is told, nothing goes to the server,
// the body file goes and the batch stays loaded for another try.
TEST_F(SendFaultsTest, ABodyFileThatDoesNotFitIsNotSent) {
  UseServer(testing_net::UnusedPort());
  LoadBatch("full", {NoiseBytes(256 << 10, 2), NoiseBytes(256 << 10, 3)});
  const std::size_t descriptors = OpenDescriptors();
  std::string notice;
  {
    const FileSizeLimit limit(300 << 10);
    notice = Send();
  }
  EXPECT_TRUE(notice.starts_with(std::string("Do souboru \""_cp) + batch_ + kSep +
                                 "zq_sken.tmp\" nelze zapisovat"))
      << notice;
  EXPECT_TRUE(notice.ends_with("\r\nData nebyla odeslána."_cp)) << notice;
  EXPECT_EQ(Log().find("Synapse error:"), std::string::npos);
  ExpectCleanEnd();
  EXPECT_EQ(form_.scan_folder().path, batch_ + kSep);
  EXPECT_EQ(form_.scan_folder().pages.size(), 2u);
  EXPECT_EQ(OpenDescriptors(), descriptors);

  // With room again the same batch goes.
  LoopbackPeer server([&](PeerConnection& connection, int) {
    connection.ReadRequest();
    connection.Send("HTTP/1.0 200 OK\r\n\r\n" + kOkPage);
  });
  UseServer(server.port());
  EXPECT_EQ(Send(), std::string("Data byla odeslána do ZQ TRIMA a v pořádku přijata."_cp));
  server.Join();
  EXPECT_GT(server.received().at(0).size(), 512u << 10);
  ExpectReset();
}

}  // namespace
