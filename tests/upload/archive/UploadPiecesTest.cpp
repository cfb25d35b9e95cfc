// The pure pieces of the upload request: boundary, request body, response text, verdict.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "tests/upload/archive/ArchiveTestSupport.h"
#include "upload/Boundary.h"
#include "upload/MultipartBody.h"
#include "upload/ResponseText.h"
#include "upload/Verdict.h"

namespace upload {
namespace {

using namespace text::literals;

TEST(BoundaryTest, FirstTwoSendsOfARun) {
  BoundaryGenerator generator;
  EXPECT_EQ(generator.NextBoundary(), "00000000040442026E36D60E19EE2C4D22EF1586_ZQ_Scan_boundary");
  EXPECT_EQ(generator.NextBoundary(), "55F8C5A028CAE02514B5B6BB2FA581AC367C7A5E_ZQ_Scan_boundary");
  EXPECT_EQ(generator.NextBoundary().size(), 57u);
  // A new generator (a new run) starts over.
  EXPECT_EQ(BoundaryGenerator().NextBoundary().substr(0, 16), "0000000004044202");
}

TEST(BoundaryTest, DrawsStayBelow2147483647) {
  BoundaryGenerator generator;
  for (int i = 0; i < 100000; ++i) ASSERT_LE(generator.Draw(), 2147483646u);
}

constexpr std::string_view kBoundary = "00000000040442026E36D60E19EE2C4D22EF1586_ZQ_Scan_boundary";

TEST(MultipartBodyTest, HeadAndTailByteForByte) {
  const std::string expected = std::string("--") + std::string(kBoundary) + "\r\n" +
                               "content-disposition: form-data; name=\"quco\"\r\n\r\n 0123\r\n"
                               "--" +
                               std::string(kBoundary) + "\r\n" +
                               "content-disposition: form-data; name=\"vlsozav\"\r\n\r\n" +
                               "Zav\xe9st\r\n"
                               "--" +
                               std::string(kBoundary) + "\r\n" +
                               "content-disposition: form-data; name=\"ver\"\r\n\r\n1\r\n"
                               "--" +
                               std::string(kBoundary) + "\r\n" +
                               "content-disposition: form-data; name=\"jazyk\"\r\n\r\nen\r\n"
                               "--" +
                               std::string(kBoundary) + "\r\n" +
                               "content-disposition: form-data; name=\"scan\"\r\n\r\n1\r\n"
                               "--" +
                               std::string(kBoundary) + "\r\n" +
                               "content-disposition: form-data; name=\"FILE_1\";\r\n"
                               " filename=\"zq_scan.tar.gz\"\r\n"
                               "Content-Type: Application/octet-string\r\n"
                               "\r\n";
  EXPECT_EQ(MultipartHead(kBoundary, {" 0123", "en"}), expected);
  EXPECT_EQ(MultipartTail(kBoundary), "\r\n--" + std::string(kBoundary) + "--\r\n");
}

TEST(MultipartBodyTest, WholeBodyCarriesTheArchiveOfThePages) {
  upload_test::TempFolder folder;
  const std::string page = folder.Path("1001.bmp");
  upload_test::WriteFile(page, upload_test::PageBytes(5000, 1));
  upload_test::RecordingToolkit toolkit;
  const UploadFields fields{"pl", "cs"};

  StringOutputStream body;
  ASSERT_TRUE(WriteMultipartBody(body, kBoundary, fields, {page}, toolkit).ok());
  StringOutputStream archive;
  ASSERT_TRUE(WriteScanArchive({page}, archive, toolkit).ok());
  EXPECT_EQ(body.bytes(),
            MultipartHead(kBoundary, fields) + archive.bytes() + MultipartTail(kBoundary));
}

TEST(MultipartBodyTest, FailureNamesThePageOrTheBodyFile) {
  upload_test::TempFolder folder;
  upload_test::RecordingToolkit toolkit;
  const std::string missing = folder.Path("1001.bmp");
  StringOutputStream body;
  const ArchiveResult result = WriteMultipartBody(body, kBoundary, {"1", "cs"}, {missing}, toolkit);
  EXPECT_EQ(result.fault, ArchiveResult::Fault::kPageOpen);
  EXPECT_EQ(result.file, missing);

  const std::size_t head = MultipartHead(kBoundary, {"1", "cs"}).size();
  for (const std::size_t limit : {std::size_t{0}, head + 40}) {
    StringOutputStream short_body(limit);
    EXPECT_EQ(WriteMultipartBody(short_body, kBoundary, {"1", "cs"}, {}, toolkit).fault,
              ArchiveResult::Fault::kOutput);
  }
  // Everything but the last byte of the closing boundary.
  StringOutputStream complete;
  ASSERT_TRUE(WriteMultipartBody(complete, kBoundary, {"1", "cs"}, {}, toolkit).ok());
  StringOutputStream almost(complete.bytes().size() - 1);
  EXPECT_EQ(WriteMultipartBody(almost, kBoundary, {"1", "cs"}, {}, toolkit).fault,
            ArchiveResult::Fault::kOutput);
}

TEST(ResponseTextTest, LinesJoinedWithCrLf) {
  struct Case {
    std::string raw;
    std::string expected;
  };
  const Case cases[] = {
      {"", ""},
      {"a", "a\r\n"},
      {"a\r\n", "a\r\n"},
      {"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd\r\n"},
      {"a\n\rb", "a\r\n\r\nb\r\n"},  // LF then CR: two line ends
      {"\r\n\r\n", "\r\n\r\n"},
      {std::string("ok\0 -->ignored", 14), "ok\r\n"},  // NUL ends the text
      {std::string("\0abc", 4), ""},
      {"Connection timed out", "Connection timed out\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeResponseText(c.raw), c.expected) << c.raw;
}

TEST(ResponseTextTest, Utf8DecodedToCp1250) {
  struct Case {
    std::string raw;
    std::string expected;
  };
  const Case cases[] = {
      {"Chyba: \xc5\xbd\xc3\xa1k neexistuje", std::string("Chyba: Žák neexistuje\r\n"_cp)},
      {"\xe2\x82\xac \xe2\x80\x9e\xe2\x80\x9c", "\x80 \x84\x93\r\n"},  // € „“: three-byte forms
      {"\xe4\xb8\xad", "?\r\n"},                                       // CJK: not in cp1250
      {"x\xf0\x9f\x98\x80y", "x?y\r\n"},                               // emoji, four bytes
      {"\xf4\x8f\xbf\xbf", "?\r\n"},                                   // U+10FFFF
      // Not well-formed: the whole text is lost.
      {"ok \xe1", ""},                   // cp1250 byte on its own
      {"\xc0\xaf", ""},                  // overlong "/"
      {"\xe0\x80\xaf", ""},              // overlong, three bytes
      {"\xf0\x80\x80\xaf", ""},          // overlong, four bytes
      {"\xed\xa0\x80", ""},              // surrogate U+D800
      {"\xed\xbf\xbf", ""},              // surrogate U+DFFF
      {"\xf4\x90\x80\x80", ""},          // above U+10FFFF
      {"abc\xf0\x9f\x98", ""},           // four-byte form cut off
      {"abc\xe2\x82", ""},               // three-byte form cut off
      {"\xf8\x88\x80\x80\x80", ""},      // five-byte form
      {"\xfc\x84\x80\x80\x80\x80", ""},  // six-byte form
      {"\x80", ""},                      // continuation byte alone
      {"\xf0\x9f\x98\r\n\x80", ""},      // cut off by a line end
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeResponseText(c.raw), c.expected) << c.raw;
}

TEST(VerdictTest, FourCases) {
  struct Case {
    bool request_ok;
    std::string text;
    VerdictKind kind;
    std::string error_text;
  };
  const Case cases[] = {
      {true, "<html><!-- tovk_depository_in_ok --></html>\r\n", VerdictKind::kAccepted, ""},
      {true, "<!-- tovk_depository_in_error: x --><!-- tovk_depository_in_ok -->\r\n",
       VerdictKind::kAccepted, ""},
      {true, std::string("<!-- tovk_depository_in_error: UČO neexistuje -->\r\n"_cp),
       VerdictKind::kServerError, std::string("UČO neexistuje"_cp)},
      {true, "<!-- tovk_depository_in_error: a\r\nb --> c -->\r\n", VerdictKind::kServerError,
       "a\r\nb"},
      {true, "<!-- tovk_depository_in_error: no end\r\n", VerdictKind::kServerError, ""},
      {true, "<!-- tovk_depository_in_error:  -->", VerdictKind::kServerError, ""},
      {true, "<!-- tovk_depository_in_error:x -->", VerdictKind::kNoMarker, ""},
      {true, "<!-- TOVK_DEPOSITORY_IN_OK -->", VerdictKind::kNoMarker, ""},
      {true, "<!--tovk_depository_in_ok-->", VerdictKind::kNoMarker, ""},
      {true, "", VerdictKind::kNoMarker, ""},
      {false, "<!-- tovk_depository_in_ok -->", VerdictKind::kRequestFailed, ""},
      {false, "Connection timed out\r\n", VerdictKind::kRequestFailed, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Verdict verdict = ReadVerdict(c.request_ok, c.text);
    EXPECT_EQ(verdict.kind, c.kind);
    EXPECT_EQ(verdict.error_text, c.error_text);
  }
}

// A success page that also holds a four-byte character keeps its success; a malformed one
// loses its markers.
TEST(VerdictTest, ServerPagesThroughTheDecoder) {
  const std::string ok =
      "<html><body>P\xc5\x99ijato \xf0\x9f\x98\x80\n<!-- tovk_depository_in_ok -->";
  EXPECT_EQ(ReadVerdict(true, DecodeResponseText(ok)).kind, VerdictKind::kAccepted);
  const std::string error =
      "<!-- tovk_depository_in_error: Soubor \xf0\x9f\x93\x84 je po\xc5\xa1kozen -->";
  const Verdict error_verdict = ReadVerdict(true, DecodeResponseText(error));
  EXPECT_EQ(error_verdict.kind, VerdictKind::kServerError);
  EXPECT_EQ(error_verdict.error_text, std::string("Soubor ? je poškozen"_cp));
  for (const std::string_view bad :
       {"\xc0\xaf", "\xed\xa0\x80", "\xf0\x9f\x98", "\xf8\x88\x80\x80\x80", "\xe1"}) {
    EXPECT_EQ(ReadVerdict(true, DecodeResponseText(ok + std::string(bad))).kind,
              VerdictKind::kNoMarker);
  }
}

}  // namespace
}  // namespace upload
