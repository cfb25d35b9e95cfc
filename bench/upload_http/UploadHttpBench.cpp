// Uploads one body file to a sink on 127.0.0.1 with THTTPSend (through the fake window, so
// progress and message processing run as in the program) and with curl, and reports the
// throughput of both and their ratio. The sink reads and discards the body, then answers.
//
// The ratio is taken from the sink's side (first byte accepted to last byte read), which leaves
// process start-up out for both; wall-clock times are printed as well.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "tests/fakes/FakeToolkit.h"
#include "upload/myhttpsend.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Accepts one connection at a time; reads the head, discards Content-Length bytes of body
// (answering "Expect: 100-continue" first), answers 200 and closes.
class Sink {
 public:
  Sink() {
    listen_fd_ = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listen_fd_, 4) != 0) {
      std::perror("sink");
      std::exit(1);
    }
    socklen_t length = sizeof(address);
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Sink() { close(listen_fd_); }
  int port() const { return port_; }

  // Serves one upload on a thread; Finish() waits for it and gives the body bytes and time.
  void ServeOne() {
    thread_ = std::thread([this] { Serve(); });
  }
  void Finish(std::uint64_t& bytes, double& seconds) {
    thread_.join();
    bytes = body_bytes_;
    seconds = seconds_;
  }

 private:
  void Serve() {
    body_bytes_ = 0;
    seconds_ = 0;
    pollfd entry{listen_fd_, POLLIN, 0};
    if (poll(&entry, 1, 30000) <= 0) return;
    const int fd = accept(listen_fd_, nullptr, nullptr);
    if (fd < 0) return;
    const auto start = Clock::now();
    std::vector<char> buffer(256 * 1024);
    std::string head;
    std::size_t head_end = std::string::npos;
    while (head_end == std::string::npos) {
      const ssize_t count = recv(fd, buffer.data(), buffer.size(), 0);
      if (count <= 0) break;
      head.append(buffer.data(), static_cast<std::size_t>(count));
      head_end = head.find("\r\n\r\n");
    }
    if (head_end != std::string::npos) {
      std::uint64_t length = 0;
      std::string lower = head.substr(0, head_end);
      std::transform(lower.begin(), lower.end(), lower.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      const std::size_t at = lower.find("content-length:");
      if (at != std::string::npos) length = std::stoull(lower.substr(at + 15));
      if (lower.find("expect: 100-continue") != std::string::npos) {
        const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
        send(fd, kContinue, sizeof(kContinue) - 1, MSG_NOSIGNAL);
      }
      std::uint64_t received = head.size() - head_end - 4;
      while (received < length) {
        const ssize_t count = recv(fd, buffer.data(), buffer.size(), 0);
        if (count <= 0) break;
        received += static_cast<std::uint64_t>(count);
      }
      seconds_ = Seconds(Clock::now() - start);
      body_bytes_ = received;
      const char kAnswer[] =
          "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 30\r\n\r\n"
          "<!-- tovk_depository_in_ok -->";
      send(fd, kAnswer, sizeof(kAnswer) - 1, MSG_NOSIGNAL);
    }
    shutdown(fd, SHUT_WR);
    while (recv(fd, buffer.data(), buffer.size(), 0) > 0) {
    }
    close(fd);
  }

  int listen_fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::uint64_t body_bytes_ = 0;
  double seconds_ = 0;
};

bool WriteBodyFile(const std::string& path, std::uint64_t size) {
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kCreate)) return false;
  std::vector<char> block(1 << 20);
  std::uint32_t state = 12345;
  for (char& c : block) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  for (std::uint64_t written = 0; written < size;) {
    const std::size_t piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - written));
    if (!file.Write(block.data(), piece)) return false;
    written += piece;
  }
  return file.Close();
}

struct Run {
  double wall = 0;
  double sink = 0;
  bool ok = false;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

const char kBoundary[] = "multipart/form-data; boundary=---------------------------7d41b838504d8";

Run RunOurs(Sink& sink, const std::string& path, std::uint64_t size) {
  Run run;
  sink.ServeOne();
  const auto start = Clock::now();
  {
    fakes::FakeToolkit toolkit;
    upload::THTTPSend client;
    client.SetWindow(&toolkit, "ZQ TRIMA");
    client.MimeType = kBoundary;
    upload::FileBodySource body;
    if (body.Open(path)) {
      run.ok =
          client.PerformRequest(
              "POST", "http://127.0.0.1:" + std::to_string(sink.port()) + "/dok/depository_in.pl",
              body) &&
          client.Document() == "<!-- tovk_depository_in_ok -->";
    }
  }
  run.wall = Seconds(Clock::now() - start);
  std::uint64_t bytes = 0;
  sink.Finish(bytes, run.sink);
  run.ok = run.ok && bytes == size;
  return run;
}

Run RunCurl(Sink& sink, const std::string& path, std::uint64_t size) {
  Run run;
  sink.ServeOne();
  const std::string command =
      "curl -s -S -o /dev/null --http1.0 -X POST -H 'Expect:' -H 'Content-Type: " +
      std::string(kBoundary) + "' -T '" + path +
      "' http://127.0.0.1:" + std::to_string(sink.port()) + "/dok/depository_in.pl";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  run.wall = Seconds(Clock::now() - start);
  std::uint64_t bytes = 0;
  sink.Finish(bytes, run.sink);
  run.ok = status == 0 && bytes == size;
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t size_mb = 200;
  int runs = 5;
  std::string dir = std::filesystem::temp_directory_path().string();
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      dir = argv[++i];
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.size() > 0) size_mb = std::stoull(positional[0]);
  if (positional.size() > 1) runs = std::max(1, std::stoi(positional[1]));
  if (std::system("curl --version > /dev/null 2>&1") != 0) {
    std::fprintf(stderr, "upload_http_bench: curl is missing (scripts/install-deps.sh)\n");
    return 1;
  }

  const std::uint64_t size = size_mb * 1000 * 1000;
  const std::string path = dir + "/upload_http_bench_" + std::to_string(getpid()) + ".tmp";
  if (!WriteBodyFile(path, size)) {
    std::fprintf(stderr, "upload_http_bench: cannot write %s\n", path.c_str());
    return 1;
  }
  Sink sink;
  std::vector<double> ours_sink, ours_wall, curl_sink, curl_wall;
  bool ok = true;
  // One warm-up each, then alternating runs.
  RunOurs(sink, path, size);
  RunCurl(sink, path, size);
  for (int i = 0; i < runs; ++i) {
    const Run ours = RunOurs(sink, path, size);
    const Run curl = RunCurl(sink, path, size);
    ok = ok && ours.ok && curl.ok;
    ours_sink.push_back(ours.sink);
    ours_wall.push_back(ours.wall);
    curl_sink.push_back(curl.sink);
    curl_wall.push_back(curl.wall);
  }
  platform::RemoveFile(path);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);

  const double mb = static_cast<double>(size) / 1e6;
  std::printf("upload of a %.0f MB body file to a sink on 127.0.0.1, median of %d runs\n", mb,
              runs);
  std::printf("  THTTPSend: %8.1f MB/s  (sink %.3f s, wall %.3f s)\n", mb / Median(ours_sink),
              Median(ours_sink), Median(ours_wall));
  std::printf("  curl -T:   %8.1f MB/s  (sink %.3f s, wall %.3f s)\n", mb / Median(curl_sink),
              Median(curl_sink), Median(curl_wall));
  std::printf("  throughput ratio THTTPSend / curl: %.2fx (target at least 0.90x)\n",
              Median(curl_sink) / Median(ours_sink));
  std::printf("  peak resident memory of the client process: %.1f MB\n",
              static_cast<double>(usage.ru_maxrss) / 1024.0);
  if (!ok) {
    std::fprintf(stderr, "upload_http_bench: an upload did not arrive whole\n");
    return 1;
  }
  return 0;
}
