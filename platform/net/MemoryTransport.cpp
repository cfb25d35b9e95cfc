#include "platform/net/MemoryTransport.h"

#include <algorithm>
#include <cstring>

#include "platform/net/SocketErrors.h"

namespace platform::net {

int MemoryTransport::Connect(const std::string& host, const std::string& port,
                             const ConnectOptions&) {
  ++peer_->connects;
  peer_->host = host;
  peer_->port = port;
  peer_->open = peer_->connect_error == kNoError;
  return peer_->connect_error;
}

int MemoryTransport::WaitReadable(int) {
  if (!peer_->open) return kWsaeNotSock;
  if (!peer_->incoming.empty() || peer_->close_after_incoming) return kNoError;
  return kWsaeTimedOut;
}

int MemoryTransport::Receive(char* buffer, std::size_t size, std::size_t& received) {
  received = 0;
  if (!peer_->open) return kWsaeNotSock;
  while (!peer_->incoming.empty() && peer_->incoming.front().empty()) peer_->incoming.pop_front();
  if (peer_->incoming.empty()) return peer_->close_after_incoming ? kWsaeConnReset : kWsaeTimedOut;
  std::string& piece = peer_->incoming.front();
  received = std::min(size, piece.size());
  std::memcpy(buffer, piece.data(), received);
  piece.erase(0, received);
  if (piece.empty()) peer_->incoming.pop_front();
  return kNoError;
}

int MemoryTransport::Send(const char* data, std::size_t size, int) {
  if (!peer_->open) return kWsaeNotSock;
  const std::size_t room = peer_->send_limit - std::min(peer_->send_limit, peer_->sent.size());
  peer_->sent.append(data, std::min(size, room));
  return size <= room ? kNoError : peer_->send_error;
}

}  // namespace platform::net
