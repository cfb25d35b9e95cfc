#include "upload/ScanArchive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "tests/upload/archive/ArchiveTestSupport.h"
#include "upload/TarHeader.h"

namespace upload {
namespace {

using namespace text::literals;
using upload_test::ReadFile;
using upload_test::RunCommand;
using upload_test::WriteFile;

// The tar stream of a scan archive: the raw deflate data after the 10-byte header and the
// 12-byte name field, which must leave exactly the 8-byte trailer.
std::string TarStreamOf(const std::string& archive) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(archive.data() + 22));
  stream.avail_in = static_cast<uInt>(archive.size() - 22);
  std::string tar(1 << 20, '\0');
  stream.next_out = reinterpret_cast<Bytef*>(tar.data());
  stream.avail_out = static_cast<uInt>(tar.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(stream.avail_in, 8u);
  tar.resize(stream.total_out);
  inflateEnd(&stream);
  return tar;
}

class ScanArchiveTest : public ::testing::Test {
 protected:
  // Writes a page of `size` bytes into the temporary folder and gives its path.
  std::string Page(const std::string& name, std::size_t size) {
    const std::string path = folder_.Path(name);
    WriteFile(path, upload_test::PageBytes(size, static_cast<std::uint32_t>(size)));
    return path;
  }

  // Writes the archive of `pages` into the file archive.tar.gz and gives the result.
  ArchiveResult WriteArchive(const std::vector<std::string>& pages) {
    platform::File file;
    EXPECT_TRUE(file.Open(ArchivePath(), platform::File::Mode::kCreate));
    FileOutputStream out(file, ArchivePath());
    const ArchiveResult result = WriteScanArchive(pages, out, toolkit_);
    EXPECT_TRUE(file.Close());
    return result;
  }

  std::string ArchivePath() const { return folder_.Path("archive.tar.gz"); }

  // Python's gzip and tarfile, then GNU tar, read the archive; both must find exactly the pages.
  void ExpectReadersAccept(const std::vector<std::string>& pages) {
    ExpectMembers(pages);
    if (!upload_test::kRealReaders) return;
    std::vector<std::string> arguments = {"/usr/bin/python3", upload_test::ArchiveChecker(),
                                          ArchivePath()};
    for (const std::string& page : pages) arguments.push_back(TarMemberName(page) + "=" + page);
    const upload_test::CommandResult python = RunCommand(arguments);
    EXPECT_EQ(python.exit_code, 0) << python.output;

    const std::string extracted = folder_.Path("extracted");
    std::filesystem::create_directory(extracted);
    const upload_test::CommandResult tar =
        RunCommand({"tar", "-x", "-z", "-v", "-f", ArchivePath(), "-C", extracted});
    EXPECT_EQ(tar.exit_code, 0) << tar.output;
    for (const std::string& page : pages) {
      EXPECT_EQ(ReadFile(extracted + "/" + TarMemberName(page)), ReadFile(page)) << page;
    }
    std::filesystem::remove_all(extracted);
    const upload_test::CommandResult gzip = RunCommand({"gzip", "-t", ArchivePath()});
    EXPECT_EQ(gzip.exit_code, 0) << gzip.output;
  }

  // Walks the tar stream itself: each header as BuildTarHeader makes it, the page's bytes, zero
  // padding, and one end block.
  void ExpectMembers(const std::vector<std::string>& pages) {
    const std::string tar = TarStreamOf(ReadFile(ArchivePath()));
    std::size_t at = 0;
    for (const std::string& page : pages) {
      const std::string bytes = ReadFile(page);
      const TarBlock header =
          BuildTarHeader(TarMemberName(page), static_cast<std::uint32_t>(bytes.size()));
      ASSERT_LE(at + 512, tar.size());
      EXPECT_EQ(tar.substr(at, 512), std::string(header.begin(), header.end())) << page;
      const std::size_t padded = (bytes.size() + 511) / 512 * 512;
      EXPECT_EQ(tar.substr(at + 512, padded), bytes + std::string(padded - bytes.size(), '\0'));
      at += 512 + padded;
    }
    EXPECT_EQ(tar.substr(at), std::string(512, '\0'));
  }

  upload_test::TempFolder folder_;
  upload_test::RecordingToolkit toolkit_;
};

TEST_F(ScanArchiveTest, EmptyListGivesOneZeroBlock) {
  ASSERT_TRUE(WriteArchive({}).ok());
  const std::string bytes = ReadFile(ArchivePath());
  const std::string zeros(512, '\0');
  const std::string tar = TarStreamOf(bytes);
  EXPECT_EQ(tar, zeros);
  const std::uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), 512);
  const std::string trailer = bytes.substr(bytes.size() - 8);
  EXPECT_EQ(trailer, std::string({static_cast<char>(crc), static_cast<char>(crc >> 8),
                                  static_cast<char>(crc >> 16), static_cast<char>(crc >> 24), '\0',
                                  '\2', '\0', '\0'}));
  EXPECT_EQ(toolkit_.calls(), (std::vector<std::string>{"progress 0", "progress 100"}));
  ExpectReadersAccept({});
}

TEST_F(ScanArchiveTest, ReadersAcceptEveryPageSize) {
  const std::vector<std::vector<std::string>> batches = {
      {Page("1001.bmp", 0)},
      {Page("1002.bmp", 1), Page("1003.bmp", 511), Page("1004.bmp", 512), Page("1005.bmp", 513)},
      {Page("1006.bmp", 65535), Page("1007.bmp", 65536), Page("1008.bmp", 65537),
       Page("1009.bmp", 65536 + 512), Page("1010.bmp", 3 * 65536 + 32768 + 16384 + 600)},
      {Page("1001-1002.DIB", 3000), Page("1003-1004.dib", 1024)},
      {Page(std::string(120, 'p') + ".bmp", 700), Page("1011.bmp", 5)},
  };
  for (const std::vector<std::string>& pages : batches) {
    SCOPED_TRACE(pages.front());
    ASSERT_TRUE(WriteArchive(pages).ok());
    ExpectReadersAccept(pages);
  }
}

TEST_F(ScanArchiveTest, EmptyPageHasHeaderWithoutDataBlock) {
  ASSERT_TRUE(WriteArchive({Page("1001.bmp", 0)}).ok());
  const std::string tar = TarStreamOf(ReadFile(ArchivePath()));
  ASSERT_EQ(tar.size(), 1024u);  // the header and the end block
  const TarBlock header = BuildTarHeader("1001.bmp", 0);
  EXPECT_EQ(tar.substr(0, 512), std::string(header.begin(), header.end()));
  EXPECT_EQ(tar.substr(124, 11), "00000000000");
}

TEST_F(ScanArchiveTest, ProgressAfterEveryFullReadAndStatusLinePerPage) {
  const std::vector<std::string> pages = {Page("1001.bmp", 70000), Page("1001-1002.DIB", 1000),
                                          Page("1003.bmp", 3 * 65536 + 10)};
  ASSERT_TRUE(WriteArchive(pages).ok());
  // 70000 bytes: one step after 65536 bytes, trunc((65536/70000 + 0) * 100 / 3) = 31; the small
  // page none; the last page one step after each full 64 KiB.
  EXPECT_EQ(toolkit_.calls(),
            (std::vector<std::string>{
                "progress 0", "label Komprese 1001.bmp", "progress 31", "process",
                "label Komprese 1001-1002.DIB", "label Komprese 1003.bmp", "progress 77", "process",
                "progress 88", "process", "progress 99", "process", "progress 100"}));
  EXPECT_EQ(toolkit_.Text(platform::ControlId::kLabel8), "Komprese 1003.bmp");
  EXPECT_EQ(toolkit_.Position(platform::ControlId::kProgressBar1), platform::kProgressMaximum);
}

TEST_F(ScanArchiveTest, PackedListIsASnapshot) {
  // A folder-box commit processed while packing empties the window's page list.
  std::vector<std::string> page_list = {Page("1001.bmp", 200000), Page("1002.bmp", 100)};
  const std::vector<std::string> expected = page_list;
  toolkit_.SetOnProcessMessages([&page_list] {
    page_list.clear();
    page_list.shrink_to_fit();
  });
  ASSERT_TRUE(WriteArchive(page_list).ok());
  EXPECT_TRUE(page_list.empty());
  ExpectReadersAccept(expected);
}

TEST_F(ScanArchiveTest, CzechFolderAndPageNames) {
  // Paths are cp1250; the member name keeps the page name's cp1250 bytes.
  const std::string folder = folder_.Path("Skenování"_cp);
  ASSERT_TRUE(platform::CreateFolder(folder));
  const std::string page = folder + platform::kPathSeparator + std::string("1001 příloha.bmp"_cp);
  const std::string bytes = upload_test::PageBytes(1500, 9);
  platform::File file;
  ASSERT_TRUE(file.Open(page, platform::File::Mode::kCreate));
  ASSERT_TRUE(file.Write(bytes));
  ASSERT_TRUE(file.Close());

  StringOutputStream out;
  ASSERT_TRUE(WriteScanArchive({page}, out, toolkit_).ok());
  const std::string tar = TarStreamOf(out.bytes());
  EXPECT_EQ(tar.substr(0, 17), std::string("1001 příloha.bmp"_cp) + '\0');
  EXPECT_EQ(tar.substr(512, bytes.size()), bytes);
  EXPECT_EQ(toolkit_.Text(platform::ControlId::kLabel8),
            std::string("Komprese 1001 příloha.bmp"_cp));
}

TEST_F(ScanArchiveTest, PageThatCannotBeOpenedStopsBeforeAnythingIsWritten) {
  const std::vector<std::string> pages = {Page("1001.bmp", 1000), folder_.Path("1002.bmp")};
  const ArchiveResult result = WriteArchive(pages);
  EXPECT_EQ(result.fault, ArchiveResult::Fault::kPageOpen);
  EXPECT_EQ(result.file, pages[1]);
  EXPECT_EQ(result.Message(), "Soubor \"" + pages[1] + std::string("\" nelze otevřít: "_cp) +
                                  platform::ErrorText(ENOENT) + ".");
  EXPECT_EQ(ReadFile(ArchivePath()), "");
  EXPECT_TRUE(platform::FileExists(pages[0]));
}

TEST_F(ScanArchiveTest, PageOf2GiBIsRefusedBeforeAnythingIsWritten) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a sparse 2 GiB file";
#endif
  const std::string big = folder_.Path("1002.bmp");
  WriteFile(big, "");
  std::filesystem::resize_file(big, kPageSizeLimit);  // sparse: takes no disk space
  const std::string below = folder_.Path("1003.bmp");
  WriteFile(below, "");
  std::filesystem::resize_file(below, kPageSizeLimit - 1);

  const ArchiveResult result = WriteArchive({Page("1001.bmp", 10), below, big});
  EXPECT_EQ(result.fault, ArchiveResult::Fault::kPageTooLarge);
  EXPECT_EQ(result.file, big);
  EXPECT_NE(result.Message().find(big), std::string::npos);
  EXPECT_EQ(ReadFile(ArchivePath()), "");
  EXPECT_TRUE(platform::FileExists(big));
}

TEST_F(ScanArchiveTest, PageThatShrinksWhilePackedIsReported) {
#ifdef _WIN32
  GTEST_SKIP() << "a file open for reading cannot be cut on Windows";
#endif
  const std::string page = Page("1001.bmp", 200000);
  toolkit_.SetOnProcessMessages([&page] { std::filesystem::resize_file(page, 70000); });
  const ArchiveResult result = WriteArchive({page});
  EXPECT_EQ(result.fault, ArchiveResult::Fault::kPageChanged);
  EXPECT_EQ(result.file, page);
  EXPECT_EQ(result.Message(), "Soubor \"" + page + std::string("\" se během komprese změnil."_cp));
}

TEST_F(ScanArchiveTest, PageRemovedAfterTheCheckIsReported) {
  const std::vector<std::string> pages = {Page("1001.bmp", 70000), Page("1002.bmp", 10)};
  toolkit_.SetOnProcessMessages([&pages] { std::filesystem::remove(pages[1]); });
  const ArchiveResult result = WriteArchive(pages);
  EXPECT_EQ(result.fault, ArchiveResult::Fault::kPageOpen);
  EXPECT_EQ(result.file, pages[1]);
}

TEST_F(ScanArchiveTest, FailedOutputWriteIsReportedWherever) {
  const std::vector<std::string> pages = {Page("1001.bmp", 150000), Page("1002.bmp", 900)};
  StringOutputStream complete;
  ASSERT_TRUE(WriteScanArchive(pages, complete, toolkit_).ok());
  const std::size_t total = complete.bytes().size();
  for (const std::size_t limit :
       {std::size_t{0}, std::size_t{5}, std::size_t{10}, std::size_t{15}, std::size_t{22},
        std::size_t{16384 + 22}, total / 2, total - 8, total - 1}) {
    SCOPED_TRACE(limit);
    StringOutputStream out(limit);
    const ArchiveResult result = WriteScanArchive(pages, out, toolkit_);
    EXPECT_EQ(result.fault, ArchiveResult::Fault::kOutput);
    EXPECT_EQ(result.file, "<memory>");
    EXPECT_EQ(result.reason, "write limit reached");
  }
  StringOutputStream exact(total);
  EXPECT_TRUE(WriteScanArchive(pages, exact, toolkit_).ok());
  for (const std::string& page : pages) EXPECT_TRUE(platform::FileExists(page));
}

TEST_F(ScanArchiveTest, FullDiskIsReportedWithTheFileAndReason) {
#ifdef _WIN32
  GTEST_SKIP() << "no /dev/full";
#endif
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  platform::File file;
  ASSERT_TRUE(file.Open("/dev/full", platform::File::Mode::kCreate));
  FileOutputStream out(file, "/dev/full");
  const ArchiveResult result = WriteScanArchive({Page("1001.bmp", 300000)}, out, toolkit_);
  EXPECT_EQ(result.fault, ArchiveResult::Fault::kOutput);
  EXPECT_EQ(result.file, "/dev/full");
  EXPECT_EQ(result.reason, platform::ErrorText(ENOSPC));
}

}  // namespace
}  // namespace upload
