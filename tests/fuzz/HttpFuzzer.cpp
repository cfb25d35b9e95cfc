// The response side of THTTPSend: status line, headers, the three body framings and cookies, as
// a server sends them, over an in-memory peer.
//
// Input: one byte of settings, then the server's bytes, cut into the pieces it sends by the
// separator "\xff\xff" (each receive hands over at most one piece).
//   bit 0  HTTP/1.1 (else 1.0)          bit 1  Expect: 100-continue (1.1 only)
//   bit 2  the server stays silent after its last piece (else it closes)
//   bit 3  HEAD (else POST)             bit 4  the server takes only 100 bytes of the request
//   bit 5  a second request on the same client (connection reuse, cookies sent back)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/MemoryTransport.h"
#include "platform/net/SocketErrors.h"
#include "upload/myhttpsend.h"

namespace {

namespace net = platform::net;

constexpr std::string_view kSeparator = "\xff\xff";

std::vector<std::string> Pieces(std::string_view bytes) {
  std::vector<std::string> pieces;
  for (;;) {
    const std::size_t at = bytes.find(kSeparator);
    pieces.emplace_back(bytes.substr(0, at));
    if (at == std::string_view::npos) return pieces;
    bytes.remove_prefix(at + kSeparator.size());
  }
}

// What any response leaves: the limits hold, a failure carries its socket error, and the cookie
// jar holds name=value entries with distinct, non-empty names.
void CheckClient(upload::THTTPSend& client, bool result) {
  if (client.Document().size() > upload::THTTPSend::kMaxDocumentSize) std::abort();
  std::size_t header_bytes = 0;
  for (const std::string& line : client.Headers()) header_bytes += line.size() + 2;
  if (header_bytes > 3 * net::TTCPBlockSocket::kMaxLineLength) std::abort();
  if (!result && client.Sock().LastError() == net::kNoError) std::abort();
  std::vector<std::string> names;
  for (const std::string& cookie : client.Cookies()) {
    const std::size_t equals = cookie.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == cookie.size()) std::abort();
    names.push_back(cookie.substr(0, equals));
  }
  std::sort(names.begin(), names.end());
  if (std::adjacent_find(names.begin(), names.end()) != names.end()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  auto peer = std::make_shared<net::MemoryPeer>();
  for (std::string& piece : Pieces(bytes)) peer->incoming.push_back(std::move(piece));
  peer->close_after_incoming = (flags & 4) == 0;
  if (flags & 16) peer->send_limit = 100;

  upload::THTTPSend client(std::make_unique<net::MemoryTransport>(peer));
  client.Timeout = 1000;
  client.Protocol = (flags & 1) ? "1.1" : "1.0";
  client.Status100 = (flags & 2) != 0;
  const char* method = (flags & 8) ? "HEAD" : "POST";

  upload::StringBodySource body("ucopis=123456&file=" + std::string(150, 'x'));
  const bool first = client.PerformRequest(method, "http://127.0.0.1/dok/depository_in.pl", body);
  CheckClient(client, first);
  if (!peer->sent.starts_with(std::string(method) + " /dok/depository_in.pl")) std::abort();
  if ((flags & 32) == 0) return 0;

  // The cookies the first response left go back with the second request.
  std::string jar;
  for (const std::string& cookie : client.Cookies()) jar += (jar.empty() ? "" : "; ") + cookie;
  const std::size_t sent_before = peer->sent.size();
  peer->send_limit = std::numeric_limits<std::size_t>::max();
  client.ClearMessage();
  upload::StringBodySource again("x=1");
  const bool second = client.PerformRequest("POST", "http://127.0.0.1/dok/again", again);
  CheckClient(client, second);
  const std::string_view request = std::string_view(peer->sent).substr(sent_before);
  if (!request.empty() && !jar.empty() &&
      request.find("\r\nCookie: " + jar + "\r\n") == std::string_view::npos) {
    std::abort();
  }
  return 0;
}
