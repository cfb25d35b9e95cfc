// THTTPSend against scripted servers on 127.0.0.1: a table of server behaviours with the
// fields and the result each leaves, and the connection-level cases (refused, unknown host,
// https, proxy, cookies across requests, reuse, a server that answers early).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/SocketErrors.h"
#include "tests/fakes/FakeToolkit.h"
#include "tests/platform/net/LoopbackPeer.h"
#include "upload/myhttpsend.h"

namespace upload {
namespace {

namespace net = platform::net;
using testing_net::LoopbackPeer;
using testing_net::PeerConnection;

enum class Ending { kClose, kKeepOpen, kReset };

struct ServerCase {
  const char* name;
  std::vector<std::string> reply;  // pieces, sent with a short pause between them
  Ending ending;
  bool result;
  int result_code;
  std::string result_string;
  std::optional<std::string> document;
  int error;
  std::vector<std::string> headers = {};  // checked when not empty
  std::string mime_type = "text/html";
  const char* method = "POST";
  int timeout_ms = 3000;
  std::string protocol = "1.0";
};

// The server reads the request, answers with the pieces and ends as the case says. A kept-open
// connection stays open until the client closes it, so a client that waits for the close
// runs into its time-out.
LoopbackPeer::Script Serve(const ServerCase& c) {
  return [c](PeerConnection& connection, int) {
    connection.ReadRequest();
    for (const std::string& piece : c.reply) {
      connection.Send(piece);
      PeerConnection::Pause(20);
    }
    if (c.ending == Ending::kReset) connection.Reset();
    if (c.ending == Ending::kKeepOpen) connection.WaitForClientClose();
  };
}

const std::string kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

TEST(HttpServerTableTest, ServerBehaviours) {
  const std::vector<ServerCase> cases = {
      {"length with space",
       {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n",
        "hello"},
       Ending::kKeepOpen,
       true,
       200,
       "OK",
       "hello",
       0,
       {"HTTP/1.0 200 OK", "Content-Length: 5", "Content-Type: text/plain; charset=utf-8", ""},
       "text/plain; charset=utf-8"},
      {"length without space is read until close",
       {"HTTP/1.0 200 OK\r\nContent-Length:5\r\n\r\nhello", " world"},
       Ending::kClose,
       true,
       200,
       "OK",
       "hello world",
       net::kWsaeConnReset},
      {"length 0",
       {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"},
       Ending::kKeepOpen,
       true,
       200,
       "OK",
       "",
       0},
      {"chunked with extensions",
       {kChunkedHead + "1a;ext=1\r\nabcdefghijklmnopqrstuvwxyz\r\n", "5 ; x\r\nhello\r\n0\r\n\r\n"},
       Ending::kKeepOpen,
       true,
       200,
       "OK",
       "abcdefghijklmnopqrstuvwxyzhello",
       0},
      {"chunked with a non-hex size ends there",
       {kChunkedHead + "4\r\nabcd\r\nzz\r\nignored"},
       Ending::kKeepOpen,
       true,
       200,
       "OK",
       "abcd",
       0},
      {"chunked announced after a length decides",
       {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"
        "2\r\nok\r\n0\r\n\r\n"},
       Ending::kKeepOpen,
       true,
       200,
       "OK",
       "ok",
       0},
      {"until close",
       {"HTTP/1.0 200 OK\r\n\r\nfirst ", "second"},
       Ending::kClose,
       true,
       200,
       "OK",
       "first second",
       net::kWsaeConnReset},
      {"until close ends by time-out",
       {"HTTP/1.0 200 OK\r\n\r\npartial"},
       Ending::kKeepOpen,
       false,
       200,
       "OK",
       "partial",
       net::kWsaeTimedOut,
       {},
       "text/html",
       "POST",
       300},
      {"100 Continue without asking is the final status",
       {"HTTP/1.1 100 Continue\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"},
       Ending::kClose,
       true,
       100,
       "Continue",
       "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       net::kWsaeConnReset,
       {"HTTP/1.1 100 Continue", ""}},
      {"no status line: all is body",
       {"garbage\n", "more"},
       Ending::kClose,
       true,
       0,
       "",
       "garbage\r\nmore",
       net::kWsaeConnReset},
      {"status without reason",
       {"HTTP/1.0 404\r\nContent-Length: 1\r\n\r\nx"},
       Ending::kClose,
       true,
       404,
       "",
       "x",
       0},
      {"lower-case status line",
       {"http/1.1 302 Found Elsewhere\r\n\r\n"},
       Ending::kClose,
       true,
       302,
       "Found Elsewhere",
       "",
       net::kWsaeConnReset},
      {"no answer before the time-out",
       {},
       Ending::kKeepOpen,
       false,
       0,
       "",
       "\r\n",
       net::kWsaeTimedOut,
       {},
       "text/html",
       "POST",
       300},
      {"peer closes before the status line",
       {},
       Ending::kClose,
       false,
       0,
       "",
       "\r\n",
       net::kWsaeConnReset},
      {"peer closes mid-headers",
       {"HTTP/1.0 200 OK\r\nContent-Le"},
       Ending::kClose,
       false,
       200,
       "OK",
       "",
       net::kWsaeConnReset,
       {"HTTP/1.0 200 OK"}},
      {"peer closes mid-body",
       {"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n", "abc"},
       Ending::kClose,
       false,
       200,
       "OK",
       "abc",
       net::kWsaeConnReset},
      {"peer closes mid-chunk",
       {kChunkedHead + "A\r\n12345"},
       Ending::kClose,
       false,
       200,
       "OK",
       "12345",
       net::kWsaeConnReset},
      {"peer resets mid-body",
       {"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc"},
       Ending::kReset,
       false,
       200,
       "OK",
       std::nullopt,
       net::kWsaeConnReset},
      {"HEAD is complete after the headers",
       {"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n"},
       Ending::kKeepOpen,
       true,
       200,
       "OK",
       "",
       0,
       {},
       "text/html",
       "HEAD"},
      {"204 is complete after the headers",
       {"HTTP/1.0 204 No Content\r\n\r\n"},
       Ending::kKeepOpen,
       true,
       204,
       "No Content",
       "",
       0},
      {"304 is complete after the headers",
       {"HTTP/1.0 304 Not Modified\r\n\r\n"},
       Ending::kKeepOpen,
       true,
       304,
       "Not Modified",
       "",
       0},
  };
  for (const ServerCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackPeer peer(Serve(c));
    THTTPSend client;
    client.Timeout = c.timeout_ms;
    client.Protocol = c.protocol;
    StringBodySource body("x=1");
    EXPECT_EQ(client.PerformRequest(c.method, peer.Url(), body), c.result);
    EXPECT_EQ(client.ResultCode(), c.result_code);
    EXPECT_EQ(client.ResultString(), c.result_string);
    if (c.document) {
      EXPECT_EQ(client.Document(), *c.document);
    }
    EXPECT_EQ(client.Sock().LastError(), c.error) << client.Sock().LastErrorDesc();
    if (!c.headers.empty()) {
      EXPECT_EQ(client.Headers(), c.headers);
    }
    EXPECT_EQ(client.MimeType, c.mime_type);
    client.Sock().CloseSocket();
  }
}

TEST(HttpConnectionTest, ConnectFailuresLeaveStatus500AndAClosedSocket) {
  struct Case {
    const char* name;
    std::string url;
    std::vector<int> errors;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"connection refused",
       "http://127.0.0.1:" + std::to_string(testing_net::UnusedPort()) + "/",
       {net::kWsaeConnRefused},
       "Connection refused"},
      // Without a reachable name server the resolver may only say "try again".
      {"unknown host",
       "http://no-such-host.invalid/",
       {net::kWsaHostNotFound, net::kWsaTryAgain},
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    THTTPSend client;
    StringBodySource body("x");
    EXPECT_FALSE(client.PerformRequest("POST", c.url, body));
    EXPECT_EQ(client.ResultCode(), 500);
    const int error = client.Sock().LastError();
    EXPECT_NE(std::find(c.errors.begin(), c.errors.end(), error), c.errors.end()) << error;
    if (c.text != nullptr) {
      EXPECT_EQ(client.Sock().LastErrorDesc(), c.text);
    }
    EXPECT_FALSE(client.Sock().IsOpen());
  }
}

TEST(HttpConnectionTest, HttpsFailsWith10091AfterConnecting) {
  LoopbackPeer peer([](PeerConnection& connection, int) { connection.WaitForClientClose(); });
  THTTPSend client;
  StringBodySource body("x");
  EXPECT_FALSE(client.PerformRequest(
      "POST", "https://127.0.0.1:" + std::to_string(peer.port()) + "/", body));
  EXPECT_EQ(client.Sock().LastError(), 10091);
  EXPECT_EQ(client.Sock().LastErrorDesc(), "Network subsystem is unusable");
  EXPECT_EQ(client.ResultCode(), 500);
  EXPECT_FALSE(client.Sock().IsOpen());
  peer.Join();
  EXPECT_EQ(peer.accepted(), 1);
  EXPECT_EQ(peer.received(), std::vector<std::string>{""});  // no request went out in clear
}

TEST(HttpConnectionTest, PortInHostAndProxyRequestLine) {
  LoopbackPeer peer(
      [](PeerConnection& connection, int) {
        connection.ReadRequest();
        connection.Send("HTTP/1.0 200 OK\r\n\r\n");
      },
      2);
  THTTPSend direct;
  StringBodySource body("x");
  ASSERT_TRUE(direct.PerformRequest("POST", peer.Url("/a?b"), body));

  THTTPSend proxied;
  proxied.ProxyHost = "127.0.0.1";
  proxied.ProxyPort = std::to_string(peer.port());
  ASSERT_TRUE(proxied.PerformRequest("POST", "http://zq.example.invalid/dok/x", body));
  peer.Join();
  const std::vector<std::string> received = peer.received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_TRUE(received[0].starts_with(
      "POST /a?b HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(peer.port()) + "\r\n"))
      << received[0];
  EXPECT_TRUE(received[1].starts_with(
      "POST http://zq.example.invalid:80/dok/x HTTP/1.0\r\nHost: zq.example.invalid\r\n"))
      << received[1];
}

TEST(HttpConnectionTest, CookiesAreSetSentAndRemoved) {
  LoopbackPeer peer(
      [](PeerConnection& connection, int index) {
        connection.ReadRequest();
        if (index == 0) {
          connection.Send(
              "HTTP/1.0 200 OK\r\nSet-Cookie: sid=abc; path=/\r\n"
              "set-cookie: lang = cs \r\n\r\n");
        } else {
          connection.Send("HTTP/1.0 200 OK\r\nSet-Cookie: sid=\r\nSet-Cookie: lang=en\r\n\r\n");
        }
      },
      2);
  THTTPSend client;
  StringBodySource body("");
  ASSERT_TRUE(client.PerformRequest("POST", peer.Url(), body));
  EXPECT_EQ(client.Cookies(), (std::vector<std::string>{"sid=abc", "lang=cs"}));
  ASSERT_TRUE(client.PerformRequest("POST", peer.Url(), body));
  EXPECT_EQ(client.Cookies(), std::vector<std::string>{"lang=en"});
  peer.Join();
  EXPECT_NE(peer.received()[1].find("\r\nCookie: sid=abc; lang=cs\r\n"), std::string::npos);
}

TEST(HttpConnectionTest, Http11ReusesTheConnectionUntilTheServerSaysClose) {
  LoopbackPeer peer(
      [](PeerConnection& connection, int index) {
        if (index == 0) {
          connection.ReadRequest();
          connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\none");
          connection.ReadRequest();
          connection.Send("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 3\r\n\r\ntwo");
          connection.WaitForClientClose();
        } else {
          connection.ReadRequest();
          connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nthree");
          connection.WaitForClientClose();
        }
      },
      2);
  THTTPSend client;
  client.Protocol = "1.1";
  StringBodySource body("payload");
  ASSERT_TRUE(client.PerformRequest("POST", peer.Url(), body));
  EXPECT_EQ(client.Document(), "one");
  EXPECT_TRUE(client.Sock().IsOpen());
  ASSERT_TRUE(client.PerformRequest("POST", peer.Url(), body));
  EXPECT_EQ(client.Document(), "two");
  EXPECT_FALSE(client.Sock().IsOpen());
  ASSERT_TRUE(client.PerformRequest("POST", peer.Url(), body));
  EXPECT_EQ(client.Document(), "three");
  client.Sock().CloseSocket();
  peer.Join();
  EXPECT_EQ(peer.accepted(), 2);
}

// The server reads a little of a large body, answers with an error page and closes; the
// unread rest makes the client's sending fail.
TEST(HttpConnectionTest, AnAnswerSentBeforeTheBodyWasTakenIsRead) {
  const std::string page = "<html><!-- tovk_depository_in_error Too large --></html>";
  LoopbackPeer peer([&](PeerConnection& connection, int) {
    connection.ReadHead();
    connection.ReadBytes(100000);
    connection.Send("HTTP/1.0 413 Too Large\r\nContent-Length: " + std::to_string(page.size()) +
                    "\r\n\r\n" + page);
    connection.Close();
  });
  THTTPSend client;
  client.Timeout = 3000;
  StringBodySource body(std::string(32 << 20, 'z'));
  EXPECT_TRUE(client.PerformRequest("POST", peer.Url(), body));
  EXPECT_TRUE(client.AnsweredEarly());
  EXPECT_EQ(client.ResultCode(), 413);
  EXPECT_EQ(client.Document(), page);
  EXPECT_FALSE(client.Sock().IsOpen());
}

TEST(HttpConnectionTest, ADropWithoutAnAnswerKeepsTheSendError) {
  LoopbackPeer peer([](PeerConnection& connection, int) {
    connection.ReadHead();
    connection.ReadBytes(100000);
    connection.Reset();
  });
  fakes::FakeToolkit toolkit;
  THTTPSend client;
  client.SetWindow(&toolkit, "ZQ TRIMA");
  client.Timeout = 3000;
  StringBodySource body(std::string(32 << 20, 'z'));
  EXPECT_FALSE(client.PerformRequest("POST", peer.Url(), body));
  EXPECT_EQ(toolkit.Position(platform::ControlId::kProgressBar1), platform::kProgressMaximum);
  EXPECT_EQ(toolkit.Text(platform::ControlId::kLabel8), "");
  EXPECT_FALSE(client.AnsweredEarly());
  EXPECT_EQ(client.ResultCode(), 500);
  EXPECT_EQ(client.Sock().LastError(), net::kWsaeConnReset);
  EXPECT_FALSE(client.Sock().IsOpen());
}

}  // namespace
}  // namespace upload
