// The TCP transport on POSIX sockets.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/net/SocketErrors.h"
#include "platform/net/Transport.h"

namespace platform::net {
namespace {

using Clock = std::chrono::steady_clock;

bool IsAnyAddress(const std::string& address) {
  return address.empty() || address == "0.0.0.0" || address == "::";
}

// Binds `fd` to the local address in the address family of the connection.
int BindLocal(int fd, int family, const std::string& address) {
  if (IsAnyAddress(address)) return kNoError;
  sockaddr_storage local{};
  socklen_t length = 0;
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
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), length) != 0) return MapErrno(errno);
  return kNoError;
}

class PosixTcpTransport final : public Transport {
 public:
  ~PosixTcpTransport() override { Close(); }

  int Connect(const std::string& host, const std::string& port,
              const ConnectOptions& options) override {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    errno = 0;
    const int resolved = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (resolved != 0) return MapResolverError(resolved, errno);
    int error = kWsaHostNotFound;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
      const int fd =
          socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
      if (fd < 0) {
        error = MapErrno(errno);
        continue;
      }
      SetBufferSizes(fd, options);
      error = BindLocal(fd, entry->ai_family, options.local_address);
      if (error == kNoError) {
        int result;
        do {
          result = connect(fd, entry->ai_addr, entry->ai_addrlen);
        } while (result != 0 && errno == EINTR);
        if (result == 0) {
          fd_ = fd;
          break;
        }
        error = MapErrno(errno);
      }
      close(fd);
    }
    freeaddrinfo(found);
    if (fd_ < 0) return error;
    const int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    return kNoError;
  }

  void Close() override {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  bool IsOpen() const override { return fd_ >= 0; }

  int WaitReadable(int timeout_ms) override { return Wait(POLLIN, timeout_ms); }

  int Receive(char* buffer, std::size_t size, std::size_t& received) override {
    received = 0;
    if (fd_ < 0) return kWsaeNotSock;
    ssize_t count;
    do {
      count = recv(fd_, buffer, size, 0);
    } while (count < 0 && errno == EINTR);
    if (count < 0) return MapErrno(errno);
    if (count == 0) return kWsaeConnReset;  // the peer has closed the connection
    received = static_cast<std::size_t>(count);
    return kNoError;
  }

  int Send(const char* data, std::size_t size, int timeout_ms) override {
    if (fd_ < 0) return kWsaeNotSock;
    while (size > 0) {
      const int ready = Wait(POLLOUT, timeout_ms > 0 ? timeout_ms : -1);
      if (ready != kNoError) return ready;
      const ssize_t count = send(fd_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (count < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        return MapErrno(errno);
      }
      data += count;
      size -= static_cast<std::size_t>(count);
    }
    return kNoError;
  }

 private:
  static void SetBufferSizes(int fd, const ConnectOptions& options) {
    if (options.send_buffer > 0) {
      setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &options.send_buffer, sizeof(options.send_buffer));
    }
    if (options.receive_buffer > 0) {
      setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &options.receive_buffer,
                 sizeof(options.receive_buffer));
    }
  }

  // Waits for `events`; a negative timeout waits without a limit. An error or hang-up counts as
  // ready so that the following call reports it.
  int Wait(short events, int timeout_ms) {
    if (fd_ < 0) return kWsaeNotSock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      int wait_ms = -1;
      if (timeout_ms >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        wait_ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
      }
      pollfd entry{fd_, events, 0};
      const int result = poll(&entry, 1, wait_ms);
      if (result > 0) return kNoError;
      if (result == 0) return kWsaeTimedOut;
      if (errno != EINTR) return MapErrno(errno);
    }
  }

  int fd_ = -1;
};

}  // namespace

std::unique_ptr<Transport> CreateTcpTransport() { return std::make_unique<PosixTcpTransport>(); }

}  // namespace platform::net
