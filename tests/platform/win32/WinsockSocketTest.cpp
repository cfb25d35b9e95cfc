// The blocking TCP socket on Winsock, against a Winsock peer on the loopback address inside the
// same process: lines and counted reads, the peer's close, a refused connection and a read that
// times out, each with its Winsock number and English text.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "platform/net/TcpBlockSocket.h"

namespace {

using platform::net::TTCPBlockSocket;

// A listening socket on 127.0.0.1 with a port of the system's choice; Serve runs one connection
// on a thread of its own.
class LoopbackPeer {
 public:
  LoopbackPeer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 1);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackPeer() {
    if (thread_.joinable()) thread_.join();
    closesocket(listener_);
    WSACleanup();
  }
  std::string port() const { return std::to_string(port_); }
  void Serve(std::function<void(SOCKET)> session) {
    thread_ = std::thread([this, session = std::move(session)] {
      const SOCKET connection = accept(listener_, nullptr, nullptr);
      if (connection == INVALID_SOCKET) return;
      session(connection);
      closesocket(connection);
    });
  }
  static void Send(SOCKET connection, const std::string& bytes) {
    send(connection, bytes.data(), static_cast<int>(bytes.size()), 0);
  }
  static std::string Receive(SOCKET connection, std::size_t size) {
    std::string bytes;
    char buffer[256];
    while (bytes.size() < size) {
      const int got = recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
  }

 private:
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  std::thread thread_;
};

TEST(WinsockSocketTest, LinesCountedReadsAndThePeersClose) {
  LoopbackPeer peer;
  std::string request;
  peer.Serve([&](SOCKET connection) {
    request = LoopbackPeer::Receive(connection, 18);
    LoopbackPeer::Send(connection, "HTTP/1.0 200 OK\r\nX-A: b\r\n\r\nbody");
  });
  TTCPBlockSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", peer.port()), 0) << socket.LastErrorDesc();
  socket.SendString("POST / HTTP/1.0\r\n\r");
  EXPECT_EQ(socket.RecvString(5000), "HTTP/1.0 200 OK");
  EXPECT_EQ(socket.RecvString(5000), "X-A: b");
  EXPECT_EQ(socket.RecvString(5000), "");
  EXPECT_EQ(socket.LastError(), 0);
  std::string body;
  EXPECT_EQ(socket.RecvBufferStr(body, 4, 5000), 4u);
  EXPECT_EQ(body, "body");
  EXPECT_EQ(socket.RecvPacket(5000), "");
  EXPECT_EQ(socket.LastError(), 10054);
  EXPECT_EQ(socket.LastErrorDesc(), "Connection reset by peer");
  EXPECT_EQ(request, "POST / HTTP/1.0\r\n\r");
}

TEST(WinsockSocketTest, ARefusedConnectionIs10061) {
  std::string closed_port;
  {
    LoopbackPeer peer;  // the port is free again once the peer is gone
    closed_port = peer.port();
  }
  TTCPBlockSocket socket;
  EXPECT_EQ(socket.Connect("127.0.0.1", closed_port), 10061);
  EXPECT_EQ(socket.LastErrorDesc(), "Connection refused");
}

TEST(WinsockSocketTest, ASilentPeerTimesOutWith10060) {
  LoopbackPeer peer;
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  peer.Serve([&](SOCKET) { WaitForSingleObject(done, 10000); });
  TTCPBlockSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", peer.port()), 0);
  const DWORD start = GetTickCount();
  EXPECT_EQ(socket.RecvString(300), "");
  EXPECT_EQ(socket.LastError(), 10060);
  EXPECT_EQ(socket.LastErrorDesc(), "Connection timed out");
  EXPECT_LT(GetTickCount() - start, 5000u);
  SetEvent(done);
  socket.CloseSocket();
  CloseHandle(done);
}

}  // namespace
