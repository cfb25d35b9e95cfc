// An in-memory peer for the socket: scripted incoming pieces, recorded outgoing bytes. Used by
// tests and fuzz targets to run the HTTP client without a network. Waits never block: with
// nothing left to deliver a wait runs out at once (10060), or, after the peer's close,
// reports the close (10054).
#pragma once

#include <cstddef>
#include <deque>
#include <limits>
#include <memory>
#include <string>

#include "platform/net/Transport.h"

namespace platform::net {

struct MemoryPeer {
  // What the peer sends, piece by piece; each Receive delivers at most one piece.
  std::deque<std::string> incoming;
  // True: after the last piece the peer closes the connection; false: it stays silent.
  bool close_after_incoming = true;
  // The result of Connect (0, 10061, 11001, ...).
  int connect_error = 0;
  // Sending fails with `send_error` once `send_limit` bytes in all have been taken.
  std::size_t send_limit = std::numeric_limits<std::size_t>::max();
  int send_error = 10054;

  // Recorded by the transport.
  std::string sent;
  int connects = 0;
  std::string host;
  std::string port;
  bool open = false;
};

class MemoryTransport final : public Transport {
 public:
  explicit MemoryTransport(std::shared_ptr<MemoryPeer> peer) : peer_(std::move(peer)) {}

  int Connect(const std::string& host, const std::string& port,
              const ConnectOptions& options) override;
  void Close() override { peer_->open = false; }
  bool IsOpen() const override { return peer_->open; }
  int WaitReadable(int timeout_ms) override;
  int Receive(char* buffer, std::size_t size, std::size_t& received) override;
  int Send(const char* data, std::size_t size, int timeout_ms) override;

 private:
  std::shared_ptr<MemoryPeer> peer_;
};

}  // namespace platform::net
