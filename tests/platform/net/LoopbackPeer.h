// A scripted TCP peer on 127.0.0.1 for socket and HTTP client tests. It listens on a free port,
// accepts connections on its own thread and runs the test's script on each. Every wait is
// bounded: accept and each read give up after a few seconds, so no test can hang.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace testing_net {

inline constexpr int kPeerWaitMs = 5000;

// One accepted connection, seen from the peer's side.
class PeerConnection {
 public:
  explicit PeerConnection(int fd) : fd_(fd) {}
  PeerConnection(const PeerConnection&) = delete;
  PeerConnection& operator=(const PeerConnection&) = delete;
  ~PeerConnection() { Close(); }

  // Reads whatever arrives within `wait_ms`; empty when nothing came or the client closed.
  std::string ReadSome(int wait_ms = kPeerWaitMs) {
    if (fd_ < 0) return {};
    pollfd entry{fd_, POLLIN, 0};
    if (poll(&entry, 1, wait_ms) <= 0) return {};
    char buffer[65536];
    const ssize_t count = recv(fd_, buffer, sizeof(buffer), 0);
    if (count <= 0) return {};
    received_.append(buffer, static_cast<std::size_t>(count));
    return std::string(buffer, static_cast<std::size_t>(count));
  }
  // Reads up to and including the empty line that ends the request head; the head, or what
  // arrived when it did not come whole.
  std::string ReadHead() {
    for (;;) {
      const std::size_t end = received_.find("\r\n\r\n", consumed_);
      if (end != std::string::npos) {
        std::string head = received_.substr(consumed_, end + 4 - consumed_);
        consumed_ = end + 4;
        return head;
      }
      if (ReadSome().empty()) return received_.substr(consumed_);
    }
  }
  // Reads `count` more bytes after what ReadHead took (fewer when the client stops sending).
  std::string ReadBytes(std::size_t count) {
    while (received_.size() - consumed_ < count) {
      if (ReadSome().empty()) break;
    }
    const std::size_t take = std::min(count, received_.size() - consumed_);
    std::string bytes = received_.substr(consumed_, take);
    consumed_ += take;
    return bytes;
  }
  // Reads a whole request: the head and the body its Content-Length announces.
  std::string ReadRequest() {
    std::string request = ReadHead();
    const std::size_t at = request.find("Content-Length: ");
    if (at != std::string::npos) {
      request += ReadBytes(std::stoull(request.substr(at + 16)));
    }
    return request;
  }
  void Send(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
      const ssize_t count = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (count <= 0) return;
      bytes.remove_prefix(static_cast<std::size_t>(count));
    }
  }
  static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  // Waits (bounded) until the client has closed its side, reading and dropping what comes.
  void WaitForClientClose(int wait_ms = kPeerWaitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (fd_ >= 0 && std::chrono::steady_clock::now() < deadline) {
      pollfd entry{fd_, POLLIN, 0};
      if (poll(&entry, 1, 50) <= 0) continue;
      char buffer[65536];
      if (recv(fd_, buffer, sizeof(buffer), 0) <= 0) return;
    }
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  // Closes with a reset (RST) instead of an orderly close.
  void Reset() {
    if (fd_ < 0) return;
    linger hard{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    Close();
  }
  void SetReceiveBuffer(int size) { setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size)); }
  const std::string& received() const { return received_; }

 private:
  int fd_;
  std::string received_;
  std::size_t consumed_ = 0;
};

// Listens on 127.0.0.1 at a free port and runs `script` on each of up to `connections`
// accepted connections, one after the other. The destructor waits for the script to end.
class LoopbackPeer {
 public:
  using Script = std::function<void(PeerConnection&, int index)>;

  explicit LoopbackPeer(Script script, int connections = 1, int receive_buffer = 0)
      : script_(std::move(script)) {
    listen_fd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (receive_buffer > 0) {
      setsockopt(listen_fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof(receive_buffer));
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listen_fd_, 4);
    socklen_t length = sizeof(address);
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, connections] {
      for (int i = 0; i < connections; ++i) {
        pollfd entry{listen_fd_, POLLIN, 0};
        if (poll(&entry, 1, kPeerWaitMs) <= 0) break;
        const int fd = accept(listen_fd_, nullptr, nullptr);
        if (fd < 0) break;
        PeerConnection connection(fd);
        script_(connection, i);
        std::lock_guard<std::mutex> lock(mutex_);
        received_.push_back(connection.received());
        ++accepted_;
      }
    });
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;
  ~LoopbackPeer() {
    Join();
    close(listen_fd_);
  }

  int port() const { return port_; }
  std::string Url(std::string_view path = "/dok/depository_in.pl") const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }
  // Waits for the script to end; then received() holds what each connection got.
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::vector<std::string> received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  int accepted() {
    std::lock_guard<std::mutex> lock(mutex_);
    return accepted_;
  }

 private:
  Script script_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> received_;
  int accepted_ = 0;
};

// A port on 127.0.0.1 where nothing listens (bound, then released).
inline int UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  socklen_t length = sizeof(address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace testing_net
