#include "upload/GzipWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/upload/archive/ArchiveTestSupport.h"

namespace upload {
namespace {

std::uint32_t LittleEndian32(std::string_view bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

// Inflates the raw deflate data at `offset`; stores where it ended.
std::string InflateRaw(std::string_view bytes, std::size_t offset, std::size_t& end) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + offset));
  stream.avail_in = static_cast<uInt>(bytes.size() - offset);
  std::string out;
  int status = Z_OK;
  while (status == Z_OK) {
    char buffer[4096];
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    status = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
  }
  EXPECT_EQ(status, Z_STREAM_END);
  end = bytes.size() - stream.avail_in;
  inflateEnd(&stream);
  return out;
}

// Writes a member the way WriteScanArchive does: header, name field, data in pieces, close.
int WriteMember(OutputStream& out, const std::string& data, std::size_t piece) {
  std::unique_ptr<GzipWriter> writer = GzipWriter::Open(out);
  if (!writer) return Z_MEM_ERROR;
  if (!out.Write("zq_scan.tar", 12)) return Z_ERRNO;
  for (std::size_t at = 0; at < data.size(); at += piece) {
    const std::size_t size = std::min(piece, data.size() - at);
    if (writer->Write(data.data() + at, size) != size) return writer->Close();
  }
  return writer->Close();
}

TEST(GzipWriterTest, MemberFrameAroundRawDeflate) {
  // Enough data to fill the 16 KiB output buffer several times, passed in uneven pieces.
  const std::string data = upload_test::PageBytes(300000, 7) + std::string(100000, '\0');
  for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{65536}, std::size_t{777}}) {
    SCOPED_TRACE(piece);
    StringOutputStream out;
    ASSERT_EQ(WriteMember(out, data, piece), Z_OK);
    const std::string& bytes = out.bytes();
    ASSERT_GT(bytes.size(), 3 * GzipWriter::kBufferSize);
    EXPECT_EQ(bytes.substr(0, 10), std::string("\x1f\x8b\x08\x08\0\0\0\0\0\0", 10));
    EXPECT_EQ(bytes.substr(10, 12), std::string("zq_scan.tar\0", 12));
    std::size_t end = 0;
    EXPECT_EQ(InflateRaw(bytes, 22, end), data);
    ASSERT_EQ(end + 8, bytes.size());
    EXPECT_EQ(LittleEndian32(bytes, end), crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                                static_cast<uInt>(data.size())));
    EXPECT_EQ(LittleEndian32(bytes, end + 4), data.size());
  }
}

TEST(GzipWriterTest, EmptyMember) {
  StringOutputStream out;
  ASSERT_EQ(WriteMember(out, "", 1), Z_OK);
  std::size_t end = 0;
  EXPECT_EQ(InflateRaw(out.bytes(), 22, end), "");
  EXPECT_EQ(out.bytes().substr(end), std::string(8, '\0'));  // CRC-32 of nothing is 0, length 0
}

TEST(GzipWriterTest, SecondCloseAndWriteAfterCloseFail) {
  StringOutputStream out;
  std::unique_ptr<GzipWriter> writer = GzipWriter::Open(out);
  ASSERT_TRUE(writer);
  EXPECT_EQ(writer->Close(), Z_OK);
  EXPECT_EQ(writer->Close(), Z_STREAM_ERROR);
  EXPECT_EQ(writer->Write("x", 1), 0u);
}

// zlib's allocations fail from the n-th on.
struct FailingAllocations {
  int left = 0;
  int live = 0;
  static voidpf Alloc(voidpf opaque, uInt items, uInt size) {
    auto* self = static_cast<FailingAllocations*>(opaque);
    if (self->left-- <= 0) return Z_NULL;
    ++self->live;
    return std::calloc(items, size);
  }
  static void Free(voidpf opaque, voidpf address) {
    --static_cast<FailingAllocations*>(opaque)->live;
    std::free(address);
  }
};

TEST(GzipWriterTest, FailedAllocationGivesNoWriterAndNothingWritten) {
  int needed = 0;
  for (int allowed = 0;; ++allowed) {
    SCOPED_TRACE(allowed);
    FailingAllocations allocations{allowed, 0};
    StringOutputStream out;
    std::unique_ptr<GzipWriter> writer = GzipWriter::Open(
        out, {&FailingAllocations::Alloc, &FailingAllocations::Free, &allocations});
    if (writer) {
      needed = allowed;
      EXPECT_EQ(writer->Write("page", 4), 4u);
      EXPECT_EQ(writer->Close(), Z_OK);
      EXPECT_EQ(allocations.live, 0);
      break;
    }
    EXPECT_EQ(out.bytes(), "");
    EXPECT_EQ(allocations.live, 0);  // what zlib got is given back
    ASSERT_LT(allowed, 20);
  }
  EXPECT_GT(needed, 0);
}

// Every write to the stream that fails, wherever it happens (header, a full buffer, the last
// buffer, the trailer), ends in a failure: never a short member reported as complete.
TEST(GzipWriterTest, EveryFailedStreamWriteIsReported) {
  const std::string data = upload_test::PageBytes(200000, 3);
  StringOutputStream complete;
  ASSERT_EQ(WriteMember(complete, data, 65536), Z_OK);
  const std::size_t total = complete.bytes().size();

  std::vector<std::size_t> limits;
  for (std::size_t limit = 0; limit <= 23; ++limit) limits.push_back(limit);
  for (std::size_t at = 22 + GzipWriter::kBufferSize; at < total; at += GzipWriter::kBufferSize) {
    limits.insert(limits.end(), {at - 1, at, at + 1});
  }
  for (std::size_t limit = total - 9; limit < total; ++limit) limits.push_back(limit);

  for (const std::size_t limit : limits) {
    SCOPED_TRACE(limit);
    StringOutputStream out(limit);
    const int status = WriteMember(out, data, 65536);
    EXPECT_NE(status, Z_OK);
    if (limit >= 10) {
      EXPECT_EQ(status, Z_ERRNO);
    } else {
      EXPECT_EQ(status, Z_MEM_ERROR);  // Open gave nothing: the header could not be written
    }
    EXPECT_EQ(out.bytes(), complete.bytes().substr(0, limit));
  }
  StringOutputStream exact(total);
  EXPECT_EQ(WriteMember(exact, data, 65536), Z_OK);
}

}  // namespace
}  // namespace upload
