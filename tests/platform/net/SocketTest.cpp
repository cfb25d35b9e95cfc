#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/net/Base64.h"
#include "platform/net/MemoryTransport.h"
#include "platform/net/SocketErrors.h"
#include "platform/net/TcpBlockSocket.h"
#include "tests/platform/net/LoopbackPeer.h"

namespace platform::net {
namespace {

using testing_net::LoopbackPeer;
using testing_net::PeerConnection;

TEST(SocketErrorsTest, WinsockNumbersReadAsTheirEnglishTexts) {
  EXPECT_EQ(ErrorDescription(0), "");
  EXPECT_EQ(ErrorDescription(10054), "Connection reset by peer");
  EXPECT_EQ(ErrorDescription(10060), "Connection timed out");
  EXPECT_EQ(ErrorDescription(10061), "Connection refused");
  EXPECT_EQ(ErrorDescription(10091), "Network subsystem is unusable");
  EXPECT_EQ(ErrorDescription(11001), "Host not found");
  EXPECT_EQ(ErrorDescription(12345), "Other Winsock error (12345)");
  EXPECT_EQ(TTCPBlockSocket::GetErrorDesc(10060), "Connection timed out");
}

TEST(SocketErrorsTest, PosixCodesMapOnceToWinsockNumbers) {
  EXPECT_EQ(MapErrno(ECONNRESET), kWsaeConnReset);
  EXPECT_EQ(MapErrno(EPIPE), kWsaeConnReset);
  EXPECT_EQ(MapErrno(ETIMEDOUT), kWsaeTimedOut);
  EXPECT_EQ(MapErrno(ECONNREFUSED), kWsaeConnRefused);
  EXPECT_EQ(MapErrno(EHOSTUNREACH), kWsaeHostUnreach);
  // An errno without a Winsock counterpart never lands on a known number.
  EXPECT_EQ(MapErrno(ENOSTR), kOtherErrnoBase + ENOSTR);
  EXPECT_EQ(ErrorDescription(MapErrno(ENOSTR)),
            "Other Winsock error (" + std::to_string(kOtherErrnoBase + ENOSTR) + ")");
  EXPECT_EQ(MapResolverError(EAI_NONAME, 0), kWsaHostNotFound);
  EXPECT_EQ(MapResolverError(EAI_AGAIN, 0), kWsaTryAgain);
  EXPECT_EQ(MapResolverError(EAI_SYSTEM, ECONNREFUSED), kWsaeConnRefused);
}

TEST(Base64Test, EncodesWithPadding) {
  EXPECT_EQ(EncodeBase64(""), "");
  EXPECT_EQ(EncodeBase64("f"), "Zg==");
  EXPECT_EQ(EncodeBase64("fo"), "Zm8=");
  EXPECT_EQ(EncodeBase64("foo"), "Zm9v");
  EXPECT_EQ(EncodeBase64("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  EXPECT_EQ(EncodeBase64("\xff\xfe"), "//4=");
}

// A socket over an in-memory peer that delivers `pieces` one per receive.
struct MemorySocket {
  explicit MemorySocket(std::vector<std::string> pieces, bool close_after = true)
      : peer(std::make_shared<MemoryPeer>()), socket(std::make_unique<MemoryTransport>(peer)) {
    peer->incoming.assign(pieces.begin(), pieces.end());
    peer->close_after_incoming = close_after;
    socket.ConvertLineEnd = true;
    socket.Connect("peer", "80");
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (;;) {
      std::string line = socket.RecvString(100);
      if (socket.LastError() != kNoError) break;
      lines.push_back(line);
    }
    return lines;
  }
  std::shared_ptr<MemoryPeer> peer;
  TTCPBlockSocket socket;
};

TEST(SocketLineTest, LineEndsAreCrLfLfCrCrOrLfAlsoSplitAcrossPackets) {
  struct Case {
    const char* name;
    std::vector<std::string> pieces;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"crlf", {"a\r\nb\r\n"}, {"a", "b"}},
      {"lf cr pair", {"a\n\rb\n\r"}, {"a", "b"}},
      {"lone cr and lf", {"a\rb\nc\r"}, {"a", "b", "c"}},
      {"crlf split", {"a\r", "\nb\r", "\n"}, {"a", "b"}},
      {"lfcr split", {"a\n", "\rb\n"}, {"a", "b"}},
      {"cr cr is two ends", {"a\r", "\rb\r\n"}, {"a", "", "b"}},
      {"empty lines", {"\r\n\r\n"}, {"", ""}},
      {"lf lf", {"a\n\nb\n"}, {"a", "", "b"}},
      {"line in pieces", {"He", "ll", "o\r", "\n"}, {"Hello"}},
      {"unfinished line is no line", {"a\r\nrest"}, {"a"}},
  };
  for (const Case& c : cases) {
    MemorySocket memory(c.pieces);
    EXPECT_EQ(memory.Lines(), c.lines) << c.name;
    EXPECT_EQ(memory.socket.LastError(), kWsaeConnReset) << c.name;
  }
}

TEST(SocketLineTest, WithoutConversionOnlyCrLfEndsALine) {
  MemorySocket memory({"a\rb\nc\r", "\nd\r\n"});
  memory.socket.ConvertLineEnd = false;
  EXPECT_EQ(memory.Lines(), (std::vector<std::string>{"a\rb\nc", "d"}));
}

TEST(SocketLineTest, SplitLineEndIsNotPartOfFollowingData) {
  // A header block ending in CR, the LF of its pair in the next packet, then the body.
  MemorySocket packet({"head\r", "\nbody"});
  EXPECT_EQ(packet.socket.RecvString(100), "head");
  EXPECT_EQ(packet.socket.RecvPacket(100), "body");

  MemorySocket counted({"head\r", "\nbody"});
  EXPECT_EQ(counted.socket.RecvString(100), "head");
  std::string out = "x";
  EXPECT_EQ(counted.socket.RecvBufferStr(out, 4, 100), 4u);
  EXPECT_EQ(out, "xbody");
}

TEST(SocketReadTest, PacketAndCountedReadsTakeLeftoversFirst) {
  MemorySocket memory({"line\r\nleft", "over", "more"});
  EXPECT_EQ(memory.socket.RecvString(100), "line");
  EXPECT_EQ(memory.socket.RecvPacket(100), "left");
  std::string out;
  EXPECT_EQ(memory.socket.RecvBufferStr(out, 6, 100), 6u);
  EXPECT_EQ(out, "overmo");
  EXPECT_EQ(memory.socket.LastError(), kNoError);
  out.clear();
  EXPECT_EQ(memory.socket.RecvBufferStr(out, 5, 100), 2u);
  EXPECT_EQ(out, "re");
  EXPECT_EQ(memory.socket.LastError(), kWsaeConnReset);
  EXPECT_EQ(memory.socket.LastErrorDesc(), "Connection reset by peer");
}

TEST(SocketReadTest, SilencePeerTimesOutAndKeepsThePartialLine) {
  MemorySocket memory({"partial"}, /*close_after=*/false);
  EXPECT_EQ(memory.socket.RecvString(50), "");
  EXPECT_EQ(memory.socket.LastError(), kWsaeTimedOut);
  EXPECT_EQ(memory.socket.RecvPacket(50), "partial");
  EXPECT_EQ(memory.socket.RecvPacket(50), "");
  EXPECT_EQ(memory.socket.LastError(), kWsaeTimedOut);
}

TEST(SocketReadTest, OverlongLineFailsWithNoBuffers) {
  MemorySocket memory({std::string(TTCPBlockSocket::kMaxLineLength + 70000, 'a')});
  EXPECT_EQ(memory.socket.RecvString(100), "");
  EXPECT_EQ(memory.socket.LastError(), kWsaeNoBufs);
}

TEST(SocketReadTest, CloseKeepsTheLastErrorForTheCaller) {
  MemorySocket memory({});
  memory.socket.RecvString(10);
  ASSERT_EQ(memory.socket.LastError(), kWsaeConnReset);
  memory.socket.CloseSocket();
  memory.socket.CloseSocket();
  EXPECT_FALSE(memory.socket.IsOpen());
  EXPECT_EQ(memory.socket.LastError(), kWsaeConnReset);
  EXPECT_EQ(memory.socket.SSLDoConnect(), kWsaSysNotReady);
}

// --- Real TCP on the loopback interface ---

TEST(TcpSocketTest, ConnectFailuresGiveWinsockNumbers) {
  TTCPBlockSocket refused;
  EXPECT_EQ(refused.Connect("127.0.0.1", std::to_string(testing_net::UnusedPort())),
            kWsaeConnRefused);
  EXPECT_EQ(refused.LastErrorDesc(), "Connection refused");
  EXPECT_FALSE(refused.IsOpen());

  TTCPBlockSocket unknown;
  const int error = unknown.Connect("no-such-host.invalid", "80");
  // Without a reachable name server the resolver may only say "try again".
  EXPECT_TRUE(error == kWsaHostNotFound || error == kWsaTryAgain) << error;

  TTCPBlockSocket bad_local;
  bad_local.Bind("not-an-address", "0");
  EXPECT_EQ(bad_local.Connect("127.0.0.1", "1"), kWsaeAddrNotAvail);
}

TEST(TcpSocketTest, ReadsLinesPacketsAndCountsFromARealPeer) {
  LoopbackPeer peer([](PeerConnection& connection, int) {
    EXPECT_EQ(connection.ReadBytes(5), "hello");
    connection.Send("one\r");
    PeerConnection::Pause(50);
    connection.Send("\ntwo\n");
    PeerConnection::Pause(50);
    connection.Send("0123456789");
    connection.Close();
  });
  TTCPBlockSocket socket;
  socket.ConvertLineEnd = true;
  ASSERT_EQ(socket.Connect("127.0.0.1", std::to_string(peer.port())), kNoError);
  EXPECT_TRUE(socket.IsOpen());
  EXPECT_FALSE(socket.CanRead(0));
  socket.SendString("hello");
  EXPECT_EQ(socket.LastError(), kNoError);
  EXPECT_EQ(socket.RecvString(2000), "one");
  EXPECT_EQ(socket.RecvString(2000), "two");
  std::string out;
  EXPECT_EQ(socket.RecvBufferStr(out, 10, 2000), 10u);
  EXPECT_EQ(out, "0123456789");
  EXPECT_EQ(socket.RecvPacket(2000), "");
  EXPECT_EQ(socket.LastError(), kWsaeConnReset);
  EXPECT_TRUE(socket.CanRead(0));  // a closed peer shows as readable
}

TEST(TcpSocketTest, WaitsEndWithTimedOut) {
  LoopbackPeer peer([](PeerConnection& connection, int) { connection.WaitForClientClose(); });
  TTCPBlockSocket socket;
  ASSERT_EQ(socket.Connect("localhost", std::to_string(peer.port())), kNoError);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(socket.RecvString(200), "");
  EXPECT_EQ(socket.LastError(), kWsaeTimedOut);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  EXPECT_EQ(socket.RecvPacket(50), "");
  EXPECT_EQ(socket.LastError(), kWsaeTimedOut);
  socket.CloseSocket();
}

TEST(TcpSocketTest, SendToAPeerThatStopsReadingTimesOut) {
  LoopbackPeer peer(
      [](PeerConnection& connection, int) {
        connection.WaitForClientClose(0);  // reads nothing
        PeerConnection::Pause(800);
      },
      1, 4096);
  TTCPBlockSocket socket;
  socket.SizeSendBuffer = 4096;
  socket.SendTimeout = 200;
  ASSERT_EQ(socket.Connect("127.0.0.1", std::to_string(peer.port())), kNoError);
  const std::string block(1 << 20, 'x');
  for (int i = 0; i < 64 && socket.LastError() == kNoError; ++i) socket.SendString(block);
  EXPECT_EQ(socket.LastError(), kWsaeTimedOut);
}

TEST(TcpSocketTest, SendToAResetPeerFailsWithReset) {
  LoopbackPeer peer([](PeerConnection& connection, int) { connection.Reset(); });
  TTCPBlockSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", std::to_string(peer.port())), kNoError);
  peer.Join();
  const std::string block(65536, 'x');
  for (int i = 0; i < 100 && socket.LastError() == kNoError; ++i) socket.SendString(block);
  EXPECT_EQ(socket.LastError(), kWsaeConnReset);
}

TEST(TcpSocketTest, TunnelThroughAProxy) {
  LoopbackPeer proxy(
      [](PeerConnection& connection, int index) {
        const std::string head = connection.ReadHead();
        if (index == 0) {
          EXPECT_EQ(head,
                    "CONNECT example.invalid:443 HTTP/1.0\r\nHost: example.invalid:443\r\n"
                    "Proxy-Authorization: Basic dTpw\r\n\r\n");
          connection.Send("HTTP/1.0 200 Connection established\r\nVia: x\r\n\r\nsecret");
        } else {
          connection.Send("HTTP/1.0 403 Forbidden\r\n\r\n");
        }
        connection.WaitForClientClose();
      },
      2);
  TTCPBlockSocket socket;
  socket.HTTPTunnelIP = "127.0.0.1";
  socket.HTTPTunnelPort = std::to_string(proxy.port());
  socket.HTTPTunnelUser = "u";
  socket.HTTPTunnelPass = "p";
  ASSERT_EQ(socket.Connect("example.invalid", "443"), kNoError);
  EXPECT_EQ(socket.RecvPacket(2000), "secret");
  socket.HTTPTunnelUser.clear();
  EXPECT_EQ(socket.Connect("example.invalid", "443"), kWsaeConnRefused);
  EXPECT_FALSE(socket.IsOpen());
}

}  // namespace
}  // namespace platform::net
