// Where the scan archive and the upload body are written: the upload body file, or memory in
// tests and benchmarks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "platform/FileSystem.h"

namespace upload {

class OutputStream {
 public:
  virtual ~OutputStream() = default;

  // Appends the bytes. False when not every byte was written; ErrorText() then tells why.
  bool Write(const void* data, std::size_t size) { return size == 0 || DoWrite(data, size); }
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // The destination, for messages (a path, cp1250).
  virtual std::string Name() const = 0;
  // The reason of the last failed Write, cp1250; empty when nothing failed.
  virtual std::string ErrorText() const = 0;

 protected:
  virtual bool DoWrite(const void* data, std::size_t size) = 0;
};

// Writes into a platform::File that the caller has opened and keeps open.
class FileOutputStream final : public OutputStream {
 public:
  FileOutputStream(platform::File& file, std::string path) : file_(file), path_(std::move(path)) {}
  std::string Name() const override { return path_; }
  std::string ErrorText() const override;

 private:
  bool DoWrite(const void* data, std::size_t size) override;
  platform::File& file_;
  std::string path_;
  bool failed_ = false;
};

// Collects the bytes in memory. A write limit lets tests make writes fail.
class StringOutputStream final : public OutputStream {
 public:
  StringOutputStream() = default;
  explicit StringOutputStream(std::size_t write_limit) : write_limit_(write_limit) {}
  const std::string& bytes() const { return bytes_; }
  std::string Name() const override { return "<memory>"; }
  std::string ErrorText() const override { return failed_ ? "write limit reached" : ""; }

 private:
  bool DoWrite(const void* data, std::size_t size) override;
  std::string bytes_;
  std::size_t write_limit_ = static_cast<std::size_t>(-1);
  bool failed_ = false;
};

}  // namespace upload
