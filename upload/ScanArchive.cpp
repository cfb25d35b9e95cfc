#include "upload/ScanArchive.h"

#include <zlib.h>

#include <cstring>
#include <memory>
#include <utility>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "upload/GzipWriter.h"
#include "upload/TarHeader.h"

namespace upload {
namespace {

using namespace text::literals;
using Fault = ArchiveResult::Fault;

constexpr std::size_t kReadBufferSize = 65536;

ArchiveResult Failure(Fault fault, std::string file, std::string reason) {
  return ArchiveResult{fault, std::move(file), std::move(reason)};
}

ArchiveResult WriterFailure(const GzipWriter& writer, const OutputStream& out) {
  if (writer.status() == Z_ERRNO) return Failure(Fault::kOutput, out.Name(), out.ErrorText());
  return Failure(Fault::kCompression, {}, zError(writer.status()));
}

// Opens a page for reading and measures it; a failure names the page.
ArchiveResult OpenPage(const std::string& path, platform::File& file, std::uint64_t& size) {
  if (!file.Open(path, platform::File::Mode::kRead)) {
    return Failure(Fault::kPageOpen, path, platform::ErrorText(file.LastError()));
  }
  const std::optional<std::uint64_t> measured = platform::FileSize(path);
  if (!measured) return Failure(Fault::kPageOpen, path, {});
  size = *measured;
  if (size >= kPageSizeLimit) return Failure(Fault::kPageTooLarge, path, {});
  return {};
}

// Reads exactly `size` bytes of the page into `buffer`.
ArchiveResult ReadPage(platform::File& file, const std::string& path, unsigned char* buffer,
                       std::size_t size) {
  const std::int64_t count = file.Read(buffer, size);
  if (count < 0) return Failure(Fault::kPageRead, path, platform::ErrorText(file.LastError()));
  if (static_cast<std::size_t>(count) != size) return Failure(Fault::kPageChanged, path, {});
  return {};
}

class ArchiveWriter {
 public:
  ArchiveWriter(OutputStream& out, platform::Toolkit& toolkit)
      : out_(out), toolkit_(toolkit), buffer_(new unsigned char[kReadBufferSize]) {}

  ArchiveResult Write(const std::vector<std::string>& pages) {
    toolkit_.SetPosition(platform::ControlId::kProgressBar1, 0);
    for (const std::string& page : pages) {
      platform::File probe;
      std::uint64_t size = 0;
      if (ArchiveResult result = OpenPage(page, probe, size); !result.ok()) return result;
    }
    writer_ = GzipWriter::Open(out_);
    if (!writer_) {
      if (!out_.ErrorText().empty()) return Failure(Fault::kOutput, out_.Name(), out_.ErrorText());
      return Failure(Fault::kCompression, {}, "deflateInit2");
    }
    // The gzip member's file name field: written here, before any compressed byte.
    if (!out_.Write(kArchiveName.data(), kArchiveName.size() + 1)) {
      return Failure(Fault::kOutput, out_.Name(), out_.ErrorText());
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
      if (ArchiveResult result = WritePage(pages[i], i, pages.size()); !result.ok()) return result;
    }
    const TarBlock end_block{};
    if (!Pass(end_block.data(), end_block.size())) return WriterFailure(*writer_, out_);
    toolkit_.SetPosition(platform::ControlId::kProgressBar1, platform::kProgressMaximum);
    if (writer_->Close() != Z_OK) return WriterFailure(*writer_, out_);
    return {};
  }

 private:
  bool Pass(const unsigned char* data, std::size_t size) {
    return writer_->Write(data, size) == size;
  }

  ArchiveResult WritePage(const std::string& path, std::size_t index, std::size_t count) {
    platform::File file;
    std::uint64_t size = 0;
    if (ArchiveResult result = OpenPage(path, file, size); !result.ok()) return result;
    toolkit_.SetText(platform::ControlId::kLabel8,
                     std::string("Komprese "_cp) + PageFileName(path));
    toolkit_.Repaint();
    const TarBlock header = BuildTarHeader(TarMemberName(path), static_cast<std::uint32_t>(size));
    if (!Pass(header.data(), header.size())) return WriterFailure(*writer_, out_);

    std::uint64_t done = 0;
    while (size - done >= kReadBufferSize) {
      if (ArchiveResult result = ReadPage(file, path, buffer_.get(), kReadBufferSize);
          !result.ok()) {
        return result;
      }
      if (!Pass(buffer_.get(), kReadBufferSize)) return WriterFailure(*writer_, out_);
      done += kReadBufferSize;
      const double fraction = static_cast<double>(done) / static_cast<double>(size);
      toolkit_.SetPosition(
          platform::ControlId::kProgressBar1,
          static_cast<int>((fraction + static_cast<double>(index)) * platform::kProgressMaximum /
                           static_cast<double>(count)));
      toolkit_.ProcessMessages();
    }
    // The rest, zero-padded to the next multiple of 512 (no padding when it is one already).
    const auto rest = static_cast<std::size_t>(size - done);
    if (rest > 0) {
      if (ArchiveResult result = ReadPage(file, path, buffer_.get(), rest); !result.ok()) {
        return result;
      }
      const std::size_t padded = (rest + kTarBlockSize - 1) / kTarBlockSize * kTarBlockSize;
      std::memset(buffer_.get() + rest, 0, padded - rest);
      if (!Pass(buffer_.get(), padded)) return WriterFailure(*writer_, out_);
    }
    return {};
  }

  OutputStream& out_;
  platform::Toolkit& toolkit_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::unique_ptr<GzipWriter> writer_;
};

}  // namespace

std::string ArchiveResult::Message() const {
  const std::string name = "\"" + file + "\"";
  switch (fault) {
    case Fault::kNone:
      return {};
    case Fault::kPageTooLarge:
      return std::string("Soubor "_cp) + name +
             std::string(" má 2 GB nebo více, takto velký soubor nelze odeslat."_cp);
    case Fault::kPageOpen:
      return std::string("Soubor "_cp) + name + std::string(" nelze otevřít"_cp) +
             (reason.empty() ? "." : ": " + reason + ".");
    case Fault::kPageRead:
      return std::string("Soubor "_cp) + name + std::string(" nelze přečíst"_cp) +
             (reason.empty() ? "." : ": " + reason + ".");
    case Fault::kPageChanged:
      return std::string("Soubor "_cp) + name + std::string(" se během komprese změnil."_cp);
    case Fault::kCompression:
      return std::string("Kompresi dat nelze provést (zlib: "_cp) + reason + ").";
    case Fault::kOutput:
      return std::string("Do souboru "_cp) + name + std::string(" nelze zapisovat"_cp) +
             (reason.empty() ? "." : ": " + reason + ".");
  }
  return {};
}

ArchiveResult WriteScanArchive(std::vector<std::string> pages, OutputStream& out,
                               platform::Toolkit& toolkit) {
  ArchiveWriter writer(out, toolkit);
  return writer.Write(pages);
}

}  // namespace upload
