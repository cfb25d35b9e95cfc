// The local depository server (tools/depository/depository.py) as a child process of a test.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace upload_test {

class Depository {
 public:
  // Starts the server on a free port, keeping uploads in `folder`. Waits at most 20 s for it.
  Depository(const std::string& folder, const std::string& mode = "ok",
             const std::vector<std::string>& extra = {}) {
    int out[2];
    if (::pipe(out) != 0) return;
    std::vector<std::string> args = {"/usr/bin/python3", PRELAVKA_DEPOSITORY_SCRIPT,
                                     "--port",           "0",
                                     "--folder",         folder,
                                     "--mode",           mode};
    args.insert(args.end(), extra.begin(), extra.end());
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      ::close(out[1]);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      char buffer[256];
      const ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    const std::size_t colon = line.rfind(':');
    if (line.find("listening on") != std::string::npos && colon != std::string::npos) {
      port_ = std::stoi(line.substr(colon + 1));
    }
  }
  ~Depository() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Depository(const Depository&) = delete;
  Depository& operator=(const Depository&) = delete;

  int port() const { return port_; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// The uploads the server kept, in order (upload-0001, ...).
inline std::vector<std::filesystem::path> Uploads(const std::string& folder) {
  std::vector<std::filesystem::path> uploads;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().filename().string().rfind("upload-", 0) == 0) uploads.push_back(entry.path());
  }
  std::sort(uploads.begin(), uploads.end());
  return uploads;
}

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace upload_test
