// TTCPBlockSocket: the blocking TCP socket the HTTP client runs on.
//
// Buffered line, packet and counted reads with wait limits over a Transport (the platform's TCP
// socket, or an in-memory peer). After every operation LastError() holds 0 or the Winsock
// number of the failure, and LastErrorDesc() its English text (platform/net/SocketErrors.h).
// Settings are public fields named after the socket's properties.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/net/Transport.h"

namespace platform::net {

class TTCPBlockSocket {
 public:
  // A socket on the platform's TCP transport, not yet connected.
  TTCPBlockSocket();
  explicit TTCPBlockSocket(std::unique_ptr<Transport> transport);
  TTCPBlockSocket(const TTCPBlockSocket&) = delete;
  TTCPBlockSocket& operator=(const TTCPBlockSocket&) = delete;
  // Closes any open connection.
  ~TTCPBlockSocket();

  // A received line ends at its first CR or LF together with a directly following LF or CR of
  // the other kind (CR LF, LF CR, CR, LF), also when the pair is split across two packets.
  // Off: a line ends only at CR LF.
  bool ConvertLineEnd = false;
  // Socket buffer sizes applied at the next connect; 0 keeps the system's.
  int SizeRecvBuffer = 0;
  int SizeSendBuffer = 0;
  // A send gives up with 10060 when the peer takes no data for this long; 0: no limit.
  int SendTimeout = 0;
  // An HTTP proxy through which Connect opens a tunnel (CONNECT) when HTTPTunnelIP is set.
  std::string HTTPTunnelIP;
  std::string HTTPTunnelPort;
  std::string HTTPTunnelUser;
  std::string HTTPTunnelPass;
  // Wait limit for the proxy's answer to the tunnel request.
  int HTTPTunnelTimeout = 60000;

  // Closes the connection and forgets unread data; harmless when none is open.
  void CloseSocket();
  // Chooses the local address and port of the next connect. Any address is "0.0.0.0" (or
  // "::"); only port "0" (any) is supported. 10049 for an address that is not numeric.
  int Bind(const std::string& ip, const std::string& port);
  // Resolves `host` and connects to it, through the tunnel when HTTPTunnelIP is set. The tunnel
  // refused by the proxy gives 10061. No wait limit of its own.
  int Connect(const std::string& host, const std::string& port);
  // Starts TLS on the connection. This system has no TLS layer: always 10091.
  int SSLDoConnect();
  bool IsOpen() const;
  // True when data, or the peer's close, can be received within `timeout_ms` (0: just polls).
  bool CanRead(int timeout_ms);

  void SendString(std::string_view data);
  void SendBuffer(const void* data, std::size_t size);

  // One line without its line end. On a time-out (10060), the peer's close (10054) or a line
  // longer than kMaxLineLength (10055): the empty text; received bytes stay buffered.
  std::string RecvString(int timeout_ms);
  // What has arrived: first anything buffered, otherwise waits up to `timeout_ms` for some.
  // Empty with 10060 when nothing came, 10054 when the peer has closed.
  std::string RecvPacket(int timeout_ms);
  // Appends exactly `size` bytes to `out`, waiting up to `timeout_ms` for each piece; stops at
  // the first failure. Returns the number of bytes appended.
  std::size_t RecvBufferStr(std::string& out, std::size_t size, int timeout_ms);

  int LastError() const { return last_error_; }
  std::string LastErrorDesc() const;
  static std::string GetErrorDesc(int error);
  // Lets a caller put back an earlier failure it wants reported (0 clears it).
  void SetLastError(int error) { last_error_ = error; }

  // The longest line RecvString accepts.
  static constexpr std::size_t kMaxLineLength = 1 << 20;

 private:
  // Waits up to `timeout_ms` for data and appends what arrives to the buffer. 0 or an error.
  int FillBuffer(int timeout_ms);
  std::size_t Buffered() const { return buffer_.size() - buffer_pos_; }
  std::string_view BufferedView() const;
  void Consume(std::size_t count);
  int OpenTunnel(const std::string& host, const std::string& port);

  std::unique_ptr<Transport> transport_;
  std::string local_address_ = "0.0.0.0";
  std::string buffer_;
  std::size_t buffer_pos_ = 0;
  // The second character of a CR LF or LF CR pair that the next received byte may complete.
  char pending_line_end_ = 0;
  int last_error_ = 0;
};

}  // namespace platform::net
