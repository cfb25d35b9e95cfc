#include "upload/myhttpsend.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include "platform/Cp1250.h"
#include "platform/net/Base64.h"
#include "platform/net/SocketErrors.h"

namespace upload {
namespace {

using namespace text::literals;
using platform::ControlId;
namespace net = platform::net;

// A hostile server gets no further than these: empty lines skipped before a status line or a
// chunk size, and bytes of header lines.
constexpr int kMaxSkippedEmptyLines = 1000;
constexpr std::size_t kMaxHeaderBytes = 1 << 20;

std::string ToUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string ToLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Trims spaces and control characters at both ends.
std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The text after the first `separator`; the whole text when there is none.
std::string_view After(std::string_view text, char separator) {
  const std::size_t at = text.find(separator);
  return at == std::string_view::npos ? text : text.substr(at + 1);
}

// The text before the first `separator`; the whole text when there is none.
std::string_view Before(std::string_view text, char separator) {
  return text.substr(0, text.find(separator));
}

// A decimal number with an optional sign, or nothing.
std::optional<std::int64_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// Hexadecimal digits (either case) as a number; 0 when the text is not one or too large.
std::int64_t ParseHexOrZero(std::string_view text) {
  if (text.empty() || text.size() > 15) return 0;
  std::int64_t value = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return 0;
    }
    value = value * 16 + digit;
  }
  return value;
}

std::string Bracketed(const std::string& host) {
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(value, INT32_MAX));
}

}  // namespace

bool StringBodySource::Seek(std::uint64_t position) {
  if (position > bytes_.size()) return false;
  position_ = position;
  return true;
}

std::int64_t StringBodySource::Read(void* buffer, std::size_t size) {
  const std::size_t count =
      std::min<std::uint64_t>(size, bytes_.size() - static_cast<std::size_t>(position_));
  std::memcpy(buffer, bytes_.data() + position_, count);
  position_ += count;
  return static_cast<std::int64_t>(count);
}

bool FileBodySource::Open(std::string_view path) {
  const auto size = platform::FileSize(path);
  if (!size || !file_.Open(path, platform::File::Mode::kRead)) return false;
  size_ = *size;
  position_ = 0;
  return true;
}

bool FileBodySource::Seek(std::uint64_t position) {
  if (!file_.Seek(position)) return false;
  position_ = position;
  return true;
}

std::int64_t FileBodySource::Read(void* buffer, std::size_t size) {
  const std::int64_t count = file_.Read(buffer, size);
  if (count > 0) position_ += static_cast<std::uint64_t>(count);
  return count;
}

UrlParts SplitUrl(std::string_view url) {
  UrlParts parts;
  std::string_view rest = url;
  const std::size_t scheme_end = rest.find("://");
  if (scheme_end == std::string_view::npos) {
    parts.protocol = "http";
  } else {
    parts.protocol = rest.substr(0, scheme_end);
    rest.remove_prefix(scheme_end + 3);
  }
  std::size_t slash = rest.find('/');
  const std::size_t at = rest.substr(0, slash).rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view user_info = rest.substr(0, at);
    parts.user = Before(user_info, ':');
    if (user_info.find(':') != std::string_view::npos) parts.password = After(user_info, ':');
    rest.remove_prefix(at + 1);
    slash = rest.find('/');
  }
  const std::string_view host_port = rest.substr(0, slash);
  const std::string_view path =
      slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
  if (StartsWith(host_port, "[")) {
    const std::size_t close = host_port.find(']');
    parts.host = host_port.substr(1, close == std::string_view::npos ? close : close - 1);
    if (close != std::string_view::npos && StartsWith(host_port.substr(close + 1), ":")) {
      parts.port = host_port.substr(close + 2);
    }
  } else {
    parts.host = Before(host_port, ':');
    if (host_port.find(':') != std::string_view::npos) parts.port = After(host_port, ':');
  }
  if (parts.host.empty()) parts.host = "localhost";
  if (parts.port.empty()) {
    const std::string protocol = ToUpper(parts.protocol);
    parts.port = protocol == "HTTPS" ? "443" : protocol == "FTP" ? "21" : "80";
  }
  parts.uri = "/" + std::string(path);
  return parts;
}

THTTPSend::THTTPSend() : THTTPSend(net::CreateTcpTransport()) {}

THTTPSend::THTTPSend(std::unique_ptr<net::Transport> transport)
    : sock_(std::make_unique<net::TTCPBlockSocket>(std::move(transport))) {
  Timeout = 90000;
  TargetPort = "80";
  sock_->ConvertLineEnd = true;
  sock_->SizeRecvBuffer = static_cast<int>(kBlockSize);
  sock_->SizeSendBuffer = static_cast<int>(kBlockSize);
  ClearMessage();
}

THTTPSend::~THTTPSend() = default;

void THTTPSend::SetWindow(platform::Toolkit* toolkit, std::string system_name) {
  toolkit_ = toolkit;
  system_name_ = std::move(system_name);
}

void THTTPSend::ClearMessage() {
  RangeStart = 0;
  RangeEnd = 0;
  document_.clear();
  headers_.clear();
  MimeType = "text/html";
}

std::string THTTPSend::BuildHeaderBlock() const {
  if (Protocol == "0.9") return headers_.empty() ? "\r\n" : headers_.front() + "\r\n";
  std::string block;
  for (const std::string& line : headers_) block += line + "\r\n";
  return block;
}

// "HTTP/1.1 200 OK" gives 200 and "OK"; "HTTP/1.0 404" gives 404 and the empty text.
void THTTPSend::ParseStatusLine(std::string_view line) {
  const std::string_view rest = Trim(After(line, ' '));
  result_code_ = 0;
  if (const auto code = ParseDecimal(Trim(Before(rest, ' ')));
      code && *code >= INT32_MIN && *code <= INT32_MAX) {
    result_code_ = static_cast<std::int32_t>(*code);
  }
  result_string_ = rest.find(' ') == std::string_view::npos ? "" : Trim(After(rest, ' '));
}

void THTTPSend::ForgetConnection() {
  connected_host_.clear();
  connected_port_.clear();
}

bool THTTPSend::OpenConnection(bool use_tls) {
  sock_->CloseSocket();
  if (sock_->Bind(IPInterface, "0") != net::kNoError) return false;
  if (sock_->Connect(TargetHost, TargetPort) != net::kNoError) return false;
  if (use_tls && sock_->SSLDoConnect() != net::kNoError) return false;
  connected_host_ = TargetHost;
  connected_port_ = TargetPort;
  return true;
}

// Reuses the open connection to the same host and port unless the peer has sent something
// or closed it meanwhile.
bool THTTPSend::EnsureConnection(bool use_tls) {
  if (sock_->IsOpen() && connected_host_ == TargetHost && connected_port_ == TargetPort &&
      !sock_->CanRead(0)) {
    return true;
  }
  return OpenConnection(use_tls);
}

THTTPSend::SendOutcome THTTPSend::SendBody(BodySource& body, bool show_progress) {
  const std::uint64_t size = body.Size();
  bool ended_early = !body.Seek(0);
  if (!ended_early && size > 0 && sock_->LastError() == net::kNoError) {
    const auto buffer = std::make_unique<char[]>(kBlockSize);
    while (body.Position() < size) {
      const std::size_t wanted =
          static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, size - body.Position()));
      const std::int64_t read = body.Read(buffer.get(), wanted);
      if (read > 0) sock_->SendBuffer(buffer.get(), static_cast<std::size_t>(read));
      if (show_progress && toolkit_ != nullptr) {
        toolkit_->SetPosition(
            ControlId::kProgressBar1,
            static_cast<int>(platform::kProgressMaximum * static_cast<double>(body.Position()) /
                             static_cast<double>(size)));
        toolkit_->ProcessMessages();
      }
      if (read < 0 || static_cast<std::size_t>(read) < wanted) {
        ended_early = true;
        break;
      }
      // A connection that failed takes no further block.
      if (sock_->LastError() != net::kNoError) break;
    }
  }
  if (show_progress && toolkit_ != nullptr) {
    toolkit_->SetPosition(ControlId::kProgressBar1, platform::kProgressMaximum);
  }
  if (ended_early) return SendOutcome::kBodyEndedEarly;
  if (sock_->LastError() != net::kNoError) return SendOutcome::kSocketFailed;
  if (show_progress && toolkit_ != nullptr) {
    toolkit_->SetText(ControlId::kLabel8,
                      std::string("Čekání na odpověď serveru "_cp) + system_name_ + " ...");
    toolkit_->Repaint();
  }
  return SendOutcome::kSent;
}

THTTPSend::SendOutcome THTTPSend::SendRequest(BodySource& body, bool expect_continue,
                                              std::string& kept_status_line) {
  sock_->SendTimeout = Timeout;
  sock_->SendString(BuildHeaderBlock());
  if (!expect_continue) return SendBody(body, true);
  if (sock_->LastError() != net::kNoError) return SendOutcome::kSocketFailed;
  std::string line;
  for (int skipped = 0; skipped < kMaxSkippedEmptyLines && line.empty(); ++skipped) {
    line = sock_->RecvString(Timeout);
    if (sock_->LastError() != net::kNoError) return SendOutcome::kSocketFailed;
  }
  ParseStatusLine(line);
  if (result_code_ < 100 || result_code_ > 199) {
    // A final answer instead of 100 Continue: the body is not sent, and the answer's status
    // line and headers are read as the response.
    kept_status_line = line;
    return SendOutcome::kSent;
  }
  while (!sock_->RecvString(Timeout).empty()) {
  }
  if (sock_->LastError() != net::kNoError) return SendOutcome::kSocketFailed;
  upload_size_ = ClampToInt32(static_cast<std::int64_t>(body.Size()));
  return SendBody(body, false);
}

std::size_t THTTPSend::DocumentRoom() const {
  return kMaxDocumentSize - std::min(document_.size(), kMaxDocumentSize);
}

bool THTTPSend::AppendToDocument(std::string_view data) {
  const std::size_t room = DocumentRoom();
  if (data.size() > room) {
    document_.append(data.substr(0, room));
    document_cut_off_ = true;
    return false;
  }
  document_.append(data);
  return true;
}

bool THTTPSend::ReadBodyUntilClose() {
  for (;;) {
    const std::string data = sock_->RecvPacket(Timeout);
    if (sock_->LastError() != net::kNoError) break;
    if (!AppendToDocument(data)) return true;
  }
  return sock_->LastError() == net::kWsaeConnReset;
}

bool THTTPSend::ReadBodyByLength(std::int64_t size) {
  if (size < 1) return true;
  download_size_ = ClampToInt32(size);
  const std::size_t room = DocumentRoom();
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size), room));
  sock_->RecvBufferStr(document_, wanted, Timeout);
  if (sock_->LastError() != net::kNoError) return false;
  if (wanted < static_cast<std::uint64_t>(size)) document_cut_off_ = true;
  return true;
}

bool THTTPSend::ReadBodyChunked() {
  for (;;) {
    std::string line;
    for (int skipped = 0; skipped < kMaxSkippedEmptyLines && line.empty(); ++skipped) {
      line = sock_->RecvString(Timeout);
      if (sock_->LastError() != net::kNoError) return false;
    }
    const std::int64_t size = ParseHexOrZero(Trim(Before(Trim(Before(line, ' ')), ';')));
    if (size == 0) return true;
    if (!ReadBodyByLength(size)) return false;
    if (document_cut_off_) return true;
  }
}

void THTTPSend::StoreResponseCookies() {
  for (const std::string& line : headers_) {
    if (!StartsWith(ToLower(line), "set-cookie:")) continue;
    const std::string_view cookie = Trim(Before(After(line, ':'), ';'));
    const std::string name(Trim(Before(cookie, '=')));
    const std::string value(cookie.find('=') == std::string_view::npos ? std::string_view()
                                                                       : Trim(After(cookie, '=')));
    if (name.empty()) continue;
    const auto existing = std::find_if(cookies_.begin(), cookies_.end(), [&](const auto& entry) {
      return StartsWith(entry, name + "=");
    });
    if (value.empty()) {
      if (existing != cookies_.end()) cookies_.erase(existing);
    } else if (existing != cookies_.end()) {
      *existing = name + "=" + value;
    } else {
      cookies_.push_back(name + "=" + value);
    }
  }
}

bool THTTPSend::ReadResponse(std::string_view method, const std::string& kept_status_line) {
  ClearMessage();
  body_framing_ = BodyFraming::kUntilClose;
  std::int64_t expected_length = -1;

  if (!kept_status_line.empty()) {
    headers_.push_back(kept_status_line);
  } else {
    std::string line;
    for (int skipped = 0; skipped < kMaxSkippedEmptyLines && line.empty(); ++skipped) {
      line = sock_->RecvString(Timeout);
      if (sock_->LastError() != net::kNoError) break;
    }
    if (StartsWith(ToUpper(line), "HTTP/")) {
      headers_.push_back(line);
      ParseStatusLine(line);
    } else {
      // No status line: the reply is all body, its first line included.
      AppendToDocument(line + "\r\n");
      result_code_ = 0;
    }
  }

  close_after_ = Protocol != "1.1";
  if (!headers_.empty()) {
    std::size_t header_bytes = 0;
    for (;;) {
      std::string line = sock_->RecvString(Timeout);
      if (sock_->LastError() != net::kNoError) break;
      header_bytes += line.size() + 2;
      if (header_bytes > kMaxHeaderBytes) {
        sock_->SetLastError(net::kWsaeNoBufs);
        break;
      }
      if (line.empty()) {
        headers_.push_back(std::move(line));
        break;
      }
      const std::string upper = ToUpper(line);
      if (StartsWith(upper, "CONTENT-LENGTH:")) {
        expected_length = ParseDecimal(Trim(After(line, ' '))).value_or(-1);
        if (expected_length != -1) body_framing_ = BodyFraming::kByLength;
      }
      if (StartsWith(upper, "CONTENT-TYPE:")) MimeType = Trim(After(line, ' '));
      if (StartsWith(upper, "TRANSFER-ENCODING:") &&
          ToUpper(Trim(After(line, ' '))).find("CHUNKED") != std::string::npos) {
        body_framing_ = BodyFraming::kChunked;
      }
      if (StartsWith(upper, "CONNECTION: CLOSE")) close_after_ = true;
      headers_.push_back(std::move(line));
    }
  }
  // Headers cut off: the connection is left as it is.
  if (sock_->LastError() != net::kNoError) return false;

  bool result = true;
  const std::string upper_method = ToUpper(method);
  if (upper_method != "HEAD" && result_code_ != 204 && result_code_ != 304) {
    switch (body_framing_) {
      case BodyFraming::kUntilClose:
        result = ReadBodyUntilClose();
        break;
      case BodyFraming::kByLength:
        result = ReadBodyByLength(expected_length);
        break;
      case BodyFraming::kChunked:
        result = ReadBodyChunked();
        break;
    }
  }
  // The unread rest of a body that was cut off makes the connection unusable.
  if (close_after_ || document_cut_off_) {
    sock_->CloseSocket();
    ForgetConnection();
  }
  StoreResponseCookies();
  return result;
}

bool THTTPSend::PerformRequest(std::string_view method, std::string_view url, BodySource& body) {
  result_code_ = 500;
  result_string_.clear();
  download_size_ = 0;
  upload_size_ = 0;
  document_cut_off_ = false;
  answered_early_ = false;

  // 1 ms for each 250 bytes of body, at least the time-out set.
  const std::uint64_t body_time = body.Size() / 250;
  if (Timeout < 0 || static_cast<std::uint64_t>(Timeout) < body_time) {
    Timeout =
        ClampToInt32(static_cast<std::int64_t>(std::min<std::uint64_t>(body_time, INT32_MAX)));
  }

  const UrlParts parts = SplitUrl(url);
  const std::string& user = parts.user.empty() ? UserName : parts.user;
  const std::string& password = parts.user.empty() ? Password : parts.password;
  const bool use_tls = ToUpper(parts.protocol) == "HTTPS";
  const bool tunnel = use_tls && !ProxyHost.empty();
  sock_->HTTPTunnelIP = tunnel ? ProxyHost : "";
  sock_->HTTPTunnelPort = tunnel ? ProxyPort : "";
  sock_->HTTPTunnelUser = tunnel ? ProxyUser : "";
  sock_->HTTPTunnelPass = tunnel ? ProxyPass : "";
  const bool plain_proxy = !ProxyHost.empty() && !tunnel;
  const bool expect_continue = Status100 && Protocol == "1.1";

  // Each line goes on top of the ones before: the request line ends up first.
  auto insert = [this](std::string line) { headers_.insert(headers_.begin(), std::move(line)); };
  if (expect_continue) insert("Expect: 100-continue");
  insert("Content-Length: " + std::to_string(body.Size()));
  if (!MimeType.empty()) insert("Content-Type: " + MimeType);
  if (!UserAgent.empty()) insert("User-Agent: " + UserAgent);
  if (RangeStart > 0) {
    insert("Range: bytes=" + std::to_string(RangeStart) + "-" +
           (RangeEnd >= RangeStart ? std::to_string(RangeEnd) : ""));
  }
  if (!cookies_.empty()) {
    std::string joined;
    for (const std::string& cookie : cookies_) joined += (joined.empty() ? "" : "; ") + cookie;
    insert("Cookie: " + joined);
  }
  if (!KeepAlive) insert("Connection: close");
  if (!user.empty()) insert("Authorization: Basic " + net::EncodeBase64(user + ":" + password));
  if (plain_proxy && !ProxyUser.empty()) {
    insert("Proxy-Authorization: Basic " + net::EncodeBase64(ProxyUser + ":" + ProxyPass));
  }
  const std::string host = Bracketed(parts.host);
  insert("Host: " + host + (parts.port != "80" ? ":" + parts.port : ""));
  std::string uri = parts.uri;
  if (plain_proxy) uri = parts.protocol + "://" + host + ":" + parts.port + uri;
  if (uri == "/*") uri = "*";
  insert(ToUpper(method) + " " + uri + (Protocol == "0.9" ? "" : " HTTP/" + Protocol));

  TargetHost = plain_proxy ? ProxyHost : parts.host;
  TargetPort = plain_proxy ? ProxyPort : parts.port;
  if (!headers_.back().empty()) headers_.emplace_back();

  if (!EnsureConnection(use_tls)) {
    sock_->CloseSocket();
    ForgetConnection();
    return false;
  }

  std::string kept_status_line;
  const SendOutcome sent = SendRequest(body, expect_continue, kept_status_line);
  if (sent == SendOutcome::kBodyEndedEarly) return false;
  if (sent == SendOutcome::kSocketFailed) return ReadEarlyAnswer(method);
  return ReadResponse(method, kept_status_line);
}

// The request could not be sent whole. A server that answered before it dropped the
// connection (an error page for a body it would not take) is heard: when a complete answer
// with a status line can be read, the request counts as answered. Otherwise the send's error
// stays the result. The connection is closed either way.
bool THTTPSend::ReadEarlyAnswer(std::string_view method) {
  const int send_error = sock_->LastError();
  bool answered = false;
  if (sock_->IsOpen() && sock_->CanRead(std::min<std::int32_t>(Timeout, 1000))) {
    answered = ReadResponse(method, "") && !headers_.empty();
  }
  sock_->CloseSocket();
  ForgetConnection();
  if (answered) {
    answered_early_ = true;
    return true;
  }
  result_code_ = 500;
  sock_->SetLastError(send_error);
  return false;
}

}  // namespace upload
