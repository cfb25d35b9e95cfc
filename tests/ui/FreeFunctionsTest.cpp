// The pure pieces of the scan folder: integer reader, path shortening, page order, colour codes,
// numbered names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "ui/ColourModeCode.h"
#include "ui/CompareScanFiles.h"
#include "ui/FileNameCounter.h"
#include "ui/IntegerReader.h"
#include "ui/ShortenFolderPath.h"

namespace {

using namespace text::literals;

// Writes a path with backslashes and gives it with the platform's separator.
std::string P(std::string path) {
  std::replace(path.begin(), path.end(), '\\', platform::kPathSeparator);
  return path;
}

TEST(ReadInteger, AcceptsSignedDecimalAndHexadecimalWithLeadingSpacesOnly) {
  const struct {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"0", 0},
      {"1001", 1001},
      {"01001", 1001},
      {"   42", 42},
      {"+7", 7},
      {"-7", -7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"00000000000000000000123", 123},
      {"$10", 16},
      {"x1f", 31},
      {"X1F", 31},
      {"0x7FFFFFFF", 2147483647},
      {"0XFFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"-$10", -16},
      {"-0xFFFFFFFF", 1},
      {" +$0000000000000000FF", 255},
      // Not integers.
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$100000000", std::nullopt},
      {"0x1FFFFFFFF", std::nullopt},
      {"12 ", std::nullopt},
      {"\t12", std::nullopt},
      {"1 2", std::nullopt},
      {"12a", std::nullopt},
      {"0xG", std::nullopt},
      {"--1", std::nullopt},
      {"+-1", std::nullopt},
      {"- 1", std::nullopt},
      {"1e3", std::nullopt},
      {"1.0", std::nullopt},
      {"1001-1002", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::ReadInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(ShortenFolderPath, KeepsTheLastThreeLevelsAndMarksWhatWasCutOff) {
  const struct {
    const char* path;
    const char* shown;
  } cases[] = {
      {"C:\\a\\b\\", "C:\\a\\b"},
      {"C:\\a\\b\\c\\", "...\\a\\b\\c"},
      {"C:\\a\\b\\c\\d\\sken_tmp1\\", "...\\c\\d\\sken_tmp1"},
      {"C:\\", "C:"},
      {"C:\\scans", "C:\\scans"},
      {"C:\\scans\\\\", "C:\\scans\\"},  // a doubled separator: one level is empty
      {"sken_tmp1\\", "sken_tmp1"},
      // Rooted paths: nothing stands in front of the root separator.
      {"\\a\\b\\", "\\a\\b"},
      {"\\home\\u\\Prelavka\\sken_tmp1\\", "...\\u\\Prelavka\\sken_tmp1"},
      {"\\a\\b\\c\\", "\\a\\b\\c"},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::ShortenFolderPath(P(c.path)), P(c.shown)) << c.path;
}

TEST(CompareScanFiles, UnnumberedEntriesFirstInStringOrderThenByNumber) {
  std::vector<std::string> list = {
      P("C:\\s\\1003.BMP"), P("C:\\s\\scan.bmp"), P("C:\\s\\1001.bmp"),  P("C:\\s\\abc.bmp"),
      P("C:\\s\\999.bmp"),  P("C:\\s\\-5.bmp"),   P("C:\\s\\$10.bmp"),   P("C:\\s\\Abd.bmp"),
      P("C:\\s\\.bmp"),     P("C:\\s\\1002.bmp"), P("C:\\s\\x.y.z.bmp"),
  };
  std::sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
    return ui::CompareScanPaths(a, b) < 0;
  });
  const std::vector<std::string> expected = {
      P("C:\\s\\.bmp"),      P("C:\\s\\abc.bmp"),  P("C:\\s\\Abd.bmp"),  P("C:\\s\\scan.bmp"),
      P("C:\\s\\x.y.z.bmp"), P("C:\\s\\-5.bmp"),   P("C:\\s\\$10.bmp"),  P("C:\\s\\999.bmp"),
      P("C:\\s\\1001.bmp"),  P("C:\\s\\1002.bmp"), P("C:\\s\\1003.BMP"),
  };
  EXPECT_EQ(list, expected);
}

TEST(CompareScanFiles, SideBySidePicturesAreNumberedByTheirFrontPage) {
  const std::vector<std::string> list = {
      P("C:\\s\\1003-1004.dib"), P("C:\\s\\1001-1002.dib"), P("C:\\s\\1001.bmp"),
      P("C:\\s\\01001.bmp"),     P("C:\\my-scans\\x.dib"),  P("C:\\s\\1001-1002.DIB"),
  };
  EXPECT_LT(ui::CompareScanFiles(list, 1, 0), 0);
  EXPECT_GT(ui::CompareScanFiles(list, 0, 1), 0);
  EXPECT_EQ(ui::CompareScanFiles(list, 2, 3), 0);  // equal numbers: either order
  EXPECT_EQ(ui::CompareScanFiles(list, 0, 0), 0);
  // The "-" of the folder name is no number end: x.dib has no number and comes first.
  EXPECT_LT(ui::CompareScanFiles(list, 4, 1), 0);
  // Only a lower-case ".dib" ends at the "-"; "1001-1002" up to the "." is no integer.
  EXPECT_LT(ui::CompareScanFiles(list, 5, 1), 0);
}

TEST(CompareLocaleText, LettersFirstWithoutRegardToCaseThenLowerCaseFirst) {
  EXPECT_LT(ui::CompareLocaleText("abc", "Abd"), 0);
  EXPECT_LT(ui::CompareLocaleText("abc", "Abc"), 0);
  EXPECT_GT(ui::CompareLocaleText("Abc", "abc"), 0);
  EXPECT_LT(ui::CompareLocaleText("ab", "abc"), 0);
  EXPECT_EQ(ui::CompareLocaleText("same", "same"), 0);
  EXPECT_LT(ui::CompareLocaleText("šipka"_cp, "ŠIPKA"_cp), 0);
  EXPECT_LT(ui::CompareLocaleText("ŠA"_cp, "šb"_cp), 0);
}

TEST(ColourModeCode, TheTwoNamesExactlyAndEverythingElseAllBits) {
  EXPECT_EQ(ui::ColourModeCode("Stupně šedi"_cp), 1);
  EXPECT_EQ(ui::ColourModeCode("Barevně"_cp), 2);
  for (const std::string_view other :
       {std::string_view("stupně šedi"_cp), std::string_view("Barevně "_cp),
        std::string_view("Barevne"), std::string_view(""), std::string_view("1")}) {
    EXPECT_EQ(ui::ColourModeCode(other), 65535) << other;
  }
}

TEST(FileNameCounter, NamesCountUpFromTheStartAndWrapLikeA32BitCounter) {
  ui::FileNameCounter pages(P("C:\\s\\"), 1000, ".bmp");
  EXPECT_EQ(pages.CurrentName(), P("C:\\s\\1000.bmp"));
  EXPECT_EQ(pages.NextName(), P("C:\\s\\1001.bmp"));
  EXPECT_EQ(pages.NextName(), P("C:\\s\\1002.bmp"));
  EXPECT_EQ(pages.CurrentName(), P("C:\\s\\1002.bmp"));

  ui::FileNameCounter folders("sken_tmp", 0, "/");
  EXPECT_EQ(folders.NextName(), "sken_tmp1/");

  ui::FileNameCounter last("", 2147483647, "");
  EXPECT_EQ(last.NextName(), "-2147483648");
}

}  // namespace
