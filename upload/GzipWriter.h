// One gzip member (RFC 1952) in the making: raw deflate of everything written, framed by the
// fixed 10-byte header and the CRC-32 / length trailer.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "upload/OutputStream.h"

namespace upload {

class GzipWriter {
 public:
  // Compressed bytes collect here until it is full or the member is finished.
  static constexpr std::size_t kBufferSize = 16384;

  // Sets up raw deflate (level 6, 32 KiB window, memory level 8, default strategy) and writes
  // the gzip header 1F 8B 08 08 00 00 00 00 00 00 (FLG: file name follows; MTIME 0; OS 0).
  // The caller writes the file name field itself before the first Write.
  // Gives nothing when memory is short, zlib refuses the parameters or the header cannot be
  // written; the stream may then hold part of the header.
  static std::unique_ptr<GzipWriter> Open(OutputStream& out);

  // zlib's memory functions (zlib's defaults when null), so tests can make allocations fail.
  struct Allocator {
    alloc_func alloc = nullptr;
    free_func free = nullptr;
    void* opaque = nullptr;
  };
  static std::unique_ptr<GzipWriter> Open(OutputStream& out, const Allocator& allocator);

  GzipWriter(const GzipWriter&) = delete;
  GzipWriter& operator=(const GzipWriter&) = delete;
  ~GzipWriter();

  // Compresses `size` bytes. Gives the number of bytes consumed: `size`, or fewer when deflate
  // or a write to the output stream failed (status() then tells which). After a failure every
  // further Write consumes nothing.
  std::size_t Write(const void* data, std::size_t size);

  // Finishes the deflate data, writes the trailer (CRC-32 and length mod 2^32, little-endian)
  // and releases zlib. Gives Z_OK when the whole member reached the stream, Z_ERRNO when a write
  // to the stream failed, another zlib status when compression failed (the member then has no
  // trailer). A second Close gives Z_STREAM_ERROR.
  int Close();

  // Z_OK while all is well; Z_ERRNO after a failed write to the stream; the zlib status that
  // stopped compression otherwise.
  int status() const { return status_; }

 private:
  explicit GzipWriter(OutputStream& out);
  // Writes the compressed bytes held in the buffer and empties it. False when the write failed.
  bool FlushBuffer();

  OutputStream& out_;
  z_stream stream_{};
  bool stream_live_ = false;
  std::unique_ptr<unsigned char[]> buffer_;
  std::uint32_t crc_ = 0;
  int status_ = Z_OK;
};

}  // namespace upload
