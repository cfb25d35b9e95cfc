#include "upload/GzipWriter.h"

#include <algorithm>
#include <array>
#include <climits>
#include <new>

namespace upload {
namespace {

constexpr std::array<unsigned char, 10> kGzipHeader = {0x1F, 0x8B, 0x08, 0x08, 0x00,
                                                       0x00, 0x00, 0x00, 0x00, 0x00};
// zlib counts in uInt; larger runs are passed on in pieces of this size.
constexpr std::size_t kMaxPiece = 1u << 30;

void PutLittleEndian32(std::uint32_t value, unsigned char* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

GzipWriter::GzipWriter(OutputStream& out) : out_(out) {}

GzipWriter::~GzipWriter() {
  if (stream_live_) deflateEnd(&stream_);
}

std::unique_ptr<GzipWriter> GzipWriter::Open(OutputStream& out) { return Open(out, Allocator{}); }

std::unique_ptr<GzipWriter> GzipWriter::Open(OutputStream& out, const Allocator& allocator) {
  std::unique_ptr<GzipWriter> writer(new (std::nothrow) GzipWriter(out));
  if (!writer) return nullptr;
  writer->stream_.zalloc = allocator.alloc;
  writer->stream_.zfree = allocator.free;
  writer->stream_.opaque = allocator.opaque;
  writer->crc_ = static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0));
  const int init = deflateInit2(&writer->stream_, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  writer->stream_live_ = init == Z_OK;
  writer->buffer_.reset(new (std::nothrow) unsigned char[kBufferSize]);
  if (!writer->stream_live_ || !writer->buffer_) return nullptr;
  writer->stream_.next_out = writer->buffer_.get();
  writer->stream_.avail_out = kBufferSize;
  if (!out.Write(kGzipHeader.data(), kGzipHeader.size())) return nullptr;
  return writer;
}

bool GzipWriter::FlushBuffer() {
  const std::size_t held = kBufferSize - stream_.avail_out;
  stream_.next_out = buffer_.get();
  stream_.avail_out = kBufferSize;
  if (held == 0 || out_.Write(buffer_.get(), held)) return true;
  status_ = Z_ERRNO;
  return false;
}

std::size_t GzipWriter::Write(const void* data, std::size_t size) {
  if (!stream_live_ || status_ != Z_OK) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::size_t consumed = 0;
  while (consumed < size && status_ == Z_OK) {
    const std::size_t piece = std::min(size - consumed, kMaxPiece);
    stream_.next_in = const_cast<unsigned char*>(bytes + consumed);
    stream_.avail_in = static_cast<uInt>(piece);
    while (stream_.avail_in > 0) {
      if (stream_.avail_out == 0 && !FlushBuffer()) break;
      const int result = deflate(&stream_, Z_NO_FLUSH);
      if (result != Z_OK) {
        status_ = result;
        break;
      }
    }
    const std::size_t taken = piece - stream_.avail_in;
    crc_ = static_cast<std::uint32_t>(crc32(crc_, bytes + consumed, static_cast<uInt>(taken)));
    consumed += taken;
  }
  stream_.next_in = Z_NULL;
  stream_.avail_in = 0;
  return consumed;
}

int GzipWriter::Close() {
  if (!stream_live_) return Z_STREAM_ERROR;
  // Finish in passes: empty the buffer, then let deflate fill it again until it reports the end.
  bool done = status_ != Z_OK;
  int result = status_;
  while (!done) {
    if (!FlushBuffer()) break;
    result = deflate(&stream_, Z_FINISH);
    if (result == Z_STREAM_END) break;
    if (result == Z_OK && stream_.avail_out == 0) continue;  // the buffer filled: another pass
    // Z_OK with room left means deflate could not go on (Z_BUF_ERROR): never loop on it.
    status_ = result == Z_OK ? Z_BUF_ERROR : result;
    done = true;
  }
  if (status_ == Z_OK && result == Z_STREAM_END && FlushBuffer()) {
    // RFC 1952 trailer: CRC32 and ISIZE (input length modulo 2^32), least significant byte first.
    std::array<unsigned char, 8> trailer{};
    PutLittleEndian32(crc_, trailer.data());
    PutLittleEndian32(static_cast<std::uint32_t>(stream_.total_in), trailer.data() + 4);
    if (!out_.Write(trailer.data(), trailer.size())) status_ = Z_ERRNO;
  }
  const int end = deflateEnd(&stream_);
  stream_live_ = false;
  buffer_.reset();
  if (status_ == Z_OK && end != Z_OK) status_ = end;
  return status_;
}

}  // namespace upload
