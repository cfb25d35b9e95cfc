// The raw byte connection under TTCPBlockSocket: the platform's TCP socket (POSIX or Winsock),
// or an in-memory peer for tests and fuzzing. Every result is a Winsock error number
// (platform/net/SocketErrors.h), 0 for success.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace platform::net {

struct ConnectOptions {
  // Local address to bind before connecting; "0.0.0.0" (or empty) binds to any address.
  std::string local_address = "0.0.0.0";
  // Socket buffer sizes in bytes; 0 keeps the system's default.
  int send_buffer = 0;
  int receive_buffer = 0;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Resolves `host` and makes a blocking TCP connection to `port` (tried address by address).
  // Closes any previous connection first. 11001 when the name is unknown, 10061 when refused.
  virtual int Connect(const std::string& host, const std::string& port,
                      const ConnectOptions& options) = 0;
  // Closes the connection; harmless when none is open.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Waits up to `timeout_ms` (0: just polls) until data or the peer's close can be received.
  // 0 when readable, 10060 when the wait ran out, another error when the connection failed.
  virtual int WaitReadable(int timeout_ms) = 0;
  // Receives what has arrived (at most `size` bytes) into `buffer`; call after WaitReadable.
  // Sets `received` (> 0 on success). 10054 when the peer has closed the connection.
  virtual int Receive(char* buffer, std::size_t size, std::size_t& received) = 0;
  // Sends every byte. Gives up with 10060 when the peer takes no data for `timeout_ms`
  // (0: no limit); 10054 when the peer has closed or reset the connection.
  virtual int Send(const char* data, std::size_t size, int timeout_ms) = 0;
};

// The platform's TCP transport.
std::unique_ptr<Transport> CreateTcpTransport();

}  // namespace platform::net
