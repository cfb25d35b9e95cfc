// The TCP transport on Winsock 2. Winsock's error numbers are the layer's own, so they pass
// through unchanged.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <climits>

#include "platform/net/SocketErrors.h"
#include "platform/net/Transport.h"

namespace platform::net {
namespace {

using Clock = std::chrono::steady_clock;

// Winsock is started once for the process and cleaned up at its end.
class WinsockLibrary {
 public:
  WinsockLibrary() {
    WSADATA data{};
    start_error_ = WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockLibrary() {
    if (start_error_ == 0) WSACleanup();
  }
  int start_error() const { return start_error_; }

 private:
  int start_error_ = 0;
};

int StartWinsock() {
  static WinsockLibrary library;
  return library.start_error() == 0 ? kNoError : kWsaSysNotReady;
}

bool IsAnyAddress(const std::string& address) {
  return address.empty() || address == "0.0.0.0" || address == "::";
}

int BindLocal(SOCKET handle, int family, const std::string& address) {
  if (IsAnyAddress(address)) return kNoError;
  sockaddr_storage local{};
  int length = 0;
  if (family == AF_INET) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&local);
    v4->sin_family = AF_INET;
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) != 1) return kWsaeAddrNotAvail;
    length = sizeof(sockaddr_in);
  } else {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&local);
    v6->sin6_family = AF_INET6;
    if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) != 1) return kWsaeAddrNotAvail;
    length = sizeof(sockaddr_in6);
  }
  if (bind(handle, reinterpret_cast<sockaddr*>(&local), length) != 0) return WSAGetLastError();
  return kNoError;
}

class WinsockTcpTransport final : public Transport {
 public:
  ~WinsockTcpTransport() override { Close(); }

  int Connect(const std::string& host, const std::string& port,
              const ConnectOptions& options) override {
    Close();
    const int started = StartWinsock();
    if (started != kNoError) return started;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int resolved = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (resolved != 0) return resolved;  // WSAHOST_NOT_FOUND and its kind
    int error = kWsaHostNotFound;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
      const SOCKET candidate = socket(entry->ai_family, entry->ai_socktype, entry->ai_protocol);
      if (candidate == INVALID_SOCKET) {
        error = WSAGetLastError();
        continue;
      }
      SetBufferSizes(candidate, options);
      error = BindLocal(candidate, entry->ai_family, options.local_address);
      if (error == kNoError) {
        if (connect(candidate, entry->ai_addr, static_cast<int>(entry->ai_addrlen)) == 0) {
          handle_ = candidate;
          break;
        }
        error = WSAGetLastError();
      }
      closesocket(candidate);
    }
    freeaddrinfo(found);
    if (handle_ == INVALID_SOCKET) return error;
    // Sends and receives wait in select; the socket itself never blocks after the connect.
    u_long non_blocking = 1;
    ioctlsocket(handle_, FIONBIO, &non_blocking);
    const BOOL one = TRUE;
    setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
    return kNoError;
  }

  void Close() override {
    if (handle_ != INVALID_SOCKET) closesocket(handle_);
    handle_ = INVALID_SOCKET;
  }

  bool IsOpen() const override { return handle_ != INVALID_SOCKET; }

  int WaitReadable(int timeout_ms) override { return Wait(false, timeout_ms); }

  int Receive(char* buffer, std::size_t size, std::size_t& received) override {
    received = 0;
    if (handle_ == INVALID_SOCKET) return WSAENOTSOCK;
    const int wanted = size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    for (;;) {
      const int count = recv(handle_, buffer, wanted, 0);
      if (count > 0) {
        received = static_cast<std::size_t>(count);
        return kNoError;
      }
      if (count == 0) return kWsaeConnReset;  // the peer has closed the connection
      const int error = WSAGetLastError();
      if (error != WSAEWOULDBLOCK) return error;
      const int ready = Wait(false, -1);
      if (ready != kNoError) return ready;
    }
  }

  int Send(const char* data, std::size_t size, int timeout_ms) override {
    if (handle_ == INVALID_SOCKET) return WSAENOTSOCK;
    while (size > 0) {
      const int ready = Wait(true, timeout_ms > 0 ? timeout_ms : -1);
      if (ready != kNoError) return ready;
      const int piece = size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
      const int count = send(handle_, data, piece, 0);
      if (count == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK || error == WSAEINTR) continue;
        return error;
      }
      data += count;
      size -= static_cast<std::size_t>(count);
    }
    return kNoError;
  }

 private:
  static void SetBufferSizes(SOCKET handle, const ConnectOptions& options) {
    if (options.send_buffer > 0) {
      setsockopt(handle, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&options.send_buffer),
                 sizeof(options.send_buffer));
    }
    if (options.receive_buffer > 0) {
      setsockopt(handle, SOL_SOCKET, SO_RCVBUF,
                 reinterpret_cast<const char*>(&options.receive_buffer),
                 sizeof(options.receive_buffer));
    }
  }

  // Waits until the socket can be written (`for_write`) or read; a negative timeout waits without
  // a limit. A failed or closed connection counts as ready so that the next call reports it.
  int Wait(bool for_write, int timeout_ms) {
    if (handle_ == INVALID_SOCKET) return WSAENOTSOCK;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      fd_set ready;
      fd_set failed;
      FD_ZERO(&ready);
      FD_ZERO(&failed);
      FD_SET(handle_, &ready);
      FD_SET(handle_, &failed);
      timeval limit{};
      timeval* limit_pointer = nullptr;
      if (timeout_ms >= 0) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left < 0) left = 0;
        limit.tv_sec = static_cast<long>(left / 1000);
        limit.tv_usec = static_cast<long>((left % 1000) * 1000);
        limit_pointer = &limit;
      }
      const int result = select(0, for_write ? nullptr : &ready, for_write ? &ready : nullptr,
                                &failed, limit_pointer);
      if (result > 0) return kNoError;
      if (result == 0) return kWsaeTimedOut;
      const int error = WSAGetLastError();
      if (error != WSAEINTR) return error;
    }
  }

  SOCKET handle_ = INVALID_SOCKET;
};

}  // namespace

std::unique_ptr<Transport> CreateTcpTransport() { return std::make_unique<WinsockTcpTransport>(); }

}  // namespace platform::net
