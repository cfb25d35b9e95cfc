#include "platform/net/TcpBlockSocket.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/net/Base64.h"
#include "platform/net/SocketErrors.h"

namespace platform::net {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kDefaultReceivePiece = 65536;
// Counted reads go straight into the caller's string in pieces of at most this size.
constexpr std::size_t kCountedPiece = 256 * 1024;

Clock::time_point DeadlineAfter(int timeout_ms) {
  return Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

TTCPBlockSocket::TTCPBlockSocket() : TTCPBlockSocket(CreateTcpTransport()) {}

TTCPBlockSocket::TTCPBlockSocket(std::unique_ptr<Transport> transport)
    : transport_(std::move(transport)) {}

TTCPBlockSocket::~TTCPBlockSocket() { CloseSocket(); }

void TTCPBlockSocket::CloseSocket() {
  // The last error stays: a caller closes after a failure and then reports it.
  transport_->Close();
  buffer_.clear();
  buffer_pos_ = 0;
  pending_line_end_ = 0;
}

int TTCPBlockSocket::Bind(const std::string& ip, const std::string& port) {
  local_address_ = ip;
  last_error_ = (port.empty() || port == "0") ? kNoError : kWsaeInval;
  return last_error_;
}

int TTCPBlockSocket::Connect(const std::string& host, const std::string& port) {
  CloseSocket();
  ConnectOptions options;
  options.local_address = local_address_;
  options.send_buffer = SizeSendBuffer;
  options.receive_buffer = SizeRecvBuffer;
  if (HTTPTunnelIP.empty()) {
    last_error_ = transport_->Connect(host, port, options);
    return last_error_;
  }
  last_error_ = transport_->Connect(HTTPTunnelIP, HTTPTunnelPort, options);
  if (last_error_ == kNoError) last_error_ = OpenTunnel(host, port);
  if (last_error_ != kNoError) CloseSocket();
  return last_error_;
}

// Asks the proxy for a tunnel to host:port (HTTP CONNECT) and reads its answer up to the empty
// line. Any status other than 200 counts as a refused connection.
int TTCPBlockSocket::OpenTunnel(const std::string& host, const std::string& port) {
  const bool bracket = host.find(':') != std::string::npos;
  const std::string target = (bracket ? "[" + host + "]" : host) + ":" + port;
  std::string request = "CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n";
  if (!HTTPTunnelUser.empty()) {
    request += "Proxy-Authorization: Basic " + EncodeBase64(HTTPTunnelUser + ":" + HTTPTunnelPass) +
               "\r\n";
  }
  request += "\r\n";
  SendString(request);
  if (last_error_ != kNoError) return last_error_;
  const std::string status = RecvString(HTTPTunnelTimeout);
  if (last_error_ != kNoError) return last_error_;
  const std::size_t space = status.find(' ');
  const std::string code = space == std::string::npos ? std::string() : status.substr(space + 1, 3);
  for (;;) {
    const std::string line = RecvString(HTTPTunnelTimeout);
    if (last_error_ != kNoError) return last_error_;
    if (line.empty()) break;
  }
  return code == "200" ? kNoError : kWsaeConnRefused;
}

int TTCPBlockSocket::SSLDoConnect() {
  last_error_ = kWsaSysNotReady;
  return last_error_;
}

bool TTCPBlockSocket::IsOpen() const { return transport_->IsOpen(); }

bool TTCPBlockSocket::CanRead(int timeout_ms) {
  last_error_ = kNoError;
  if (Buffered() > 0) return true;
  if (!transport_->IsOpen()) return false;
  const int waited = transport_->WaitReadable(timeout_ms);
  if (waited == kWsaeTimedOut) return false;
  last_error_ = waited;
  return true;
}

void TTCPBlockSocket::SendString(std::string_view data) { SendBuffer(data.data(), data.size()); }

void TTCPBlockSocket::SendBuffer(const void* data, std::size_t size) {
  last_error_ = transport_->Send(static_cast<const char*>(data), size, SendTimeout);
}

std::string_view TTCPBlockSocket::BufferedView() const {
  return std::string_view(buffer_).substr(buffer_pos_);
}

void TTCPBlockSocket::Consume(std::size_t count) {
  buffer_pos_ += count;
  if (buffer_pos_ == buffer_.size()) {
    buffer_.clear();
    buffer_pos_ = 0;
  }
}

int TTCPBlockSocket::FillBuffer(int timeout_ms) {
  const int waited = transport_->WaitReadable(timeout_ms);
  if (waited != kNoError) return waited;
  if (buffer_pos_ > 0 && buffer_pos_ >= buffer_.size() / 2) {
    buffer_.erase(0, buffer_pos_);
    buffer_pos_ = 0;
  }
  const std::size_t piece =
      SizeRecvBuffer > 0 ? static_cast<std::size_t>(SizeRecvBuffer) : kDefaultReceivePiece;
  const std::size_t old_size = buffer_.size();
  buffer_.resize(old_size + piece);
  std::size_t received = 0;
  const int error = transport_->Receive(buffer_.data() + old_size, piece, received);
  buffer_.resize(old_size + received);
  if (error != kNoError) return error;
  if (pending_line_end_ != 0 && Buffered() > 0 && buffer_[buffer_pos_] == pending_line_end_) {
    Consume(1);
  }
  pending_line_end_ = 0;
  return kNoError;
}

std::string TTCPBlockSocket::RecvString(int timeout_ms) {
  const auto deadline = DeadlineAfter(timeout_ms);
  std::size_t scanned = 0;
  for (;;) {
    const std::string_view view = BufferedView();
    if (ConvertLineEnd) {
      const std::size_t end = view.find_first_of("\r\n", scanned);
      if (end != std::string_view::npos) {
        std::string line(view.substr(0, end));
        const char other = view[end] == '\r' ? '\n' : '\r';
        Consume(end + 1);
        if (Buffered() == 0) {
          pending_line_end_ = other;
        } else if (buffer_[buffer_pos_] == other) {
          Consume(1);
        }
        last_error_ = kNoError;
        return line;
      }
      scanned = view.size();
    } else {
      const std::size_t end = view.find("\r\n", scanned);
      if (end != std::string_view::npos) {
        std::string line(view.substr(0, end));
        Consume(end + 2);
        last_error_ = kNoError;
        return line;
      }
      scanned = view.empty() ? 0 : view.size() - 1;
    }
    if (view.size() > kMaxLineLength) {
      last_error_ = kWsaeNoBufs;
      return {};
    }
    last_error_ = FillBuffer(MillisecondsLeft(deadline));
    if (last_error_ != kNoError) return {};
  }
}

std::string TTCPBlockSocket::RecvPacket(int timeout_ms) {
  const auto deadline = DeadlineAfter(timeout_ms);
  while (Buffered() == 0) {
    last_error_ = FillBuffer(MillisecondsLeft(deadline));
    if (last_error_ != kNoError) return {};
  }
  std::string data(BufferedView());
  Consume(data.size());
  last_error_ = kNoError;
  return data;
}

std::size_t TTCPBlockSocket::RecvBufferStr(std::string& out, std::size_t size, int timeout_ms) {
  last_error_ = kNoError;
  const std::size_t from_buffer = std::min(size, Buffered());
  out.append(BufferedView().substr(0, from_buffer));
  Consume(from_buffer);
  std::size_t done = from_buffer;
  while (done < size) {
    last_error_ = transport_->WaitReadable(timeout_ms);
    if (last_error_ != kNoError) break;
    const std::size_t piece = std::min(size - done, kCountedPiece);
    const std::size_t old_size = out.size();
    out.resize(old_size + piece);
    std::size_t received = 0;
    last_error_ = transport_->Receive(out.data() + old_size, piece, received);
    if (received > 0 && pending_line_end_ != 0 && out[old_size] == pending_line_end_) {
      out.erase(old_size, 1);
      --received;
    }
    if (received > 0 || last_error_ != kNoError) pending_line_end_ = 0;
    out.resize(old_size + received);
    done += received;
    if (last_error_ != kNoError) break;
  }
  return done;
}

std::string TTCPBlockSocket::LastErrorDesc() const { return ErrorDescription(last_error_); }

std::string TTCPBlockSocket::GetErrorDesc(int error) { return ErrorDescription(error); }

}  // namespace platform::net
