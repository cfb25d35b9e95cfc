// The scanner session against a source manager that answers with garbage, and a disk that fills
// while pages are saved: no crash, a run log that can be read, notices in plain words, and only
// whole page files on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "platform/bitmap/Bmp.h"
#include "tests/scan/ScanFixture.h"
#include "tests/upload/faults/FileSizeLimit.h"

namespace scan_test {
namespace {

using namespace text::literals;
using platform::ControlId;

// Control bytes other than the CR LF that end a line.
bool Readable(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    if (c < ' ' || c == 0x7F) return false;
  }
  return true;
}

class ScanFaultsTest : public ScanFixture {
 protected:
  // Creates the window and, when it found a scanner, scans from the feeder. A fatal notice
  // ending the program counts as an end too. False when the program ended.
  bool CreateAndScan(const std::string& script) {
    try {
      Create(script);
      if (!form_.scanner_flags().available) return true;
      const ControlId button =
          Enabled(ControlId::kButton2) ? ControlId::kButton2 : ControlId::kButton1;
      if (toolkit_.Click(button)) toolkit_.RunPostedMessages();
      return true;
    } catch (const fakes::ExitCalled&) {
      return false;
    }
  }

  std::string Log() const { return testing_support::ReadFile(folder_.Sub("log.txt")); }

  // The page files of every scan folder: each a whole BMP file.
  std::vector<std::string> PageFiles() const {
    std::vector<std::string> pages;
    for (const auto& folder : std::filesystem::directory_iterator(folder_.Sub("Prelavka"))) {
      if (!folder.is_directory()) continue;
      for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
        pages.push_back(file.path().string());
      }
    }
    return pages;
  }
};

struct HostileSource {
  const char* name;  // the test's name
  const char* statements;
  bool ends_program;          // start-up cannot go on: the fatal notice ends the program
  std::string notice;         // the one notice shown; empty: none
  std::size_t pages;          // page files saved
  std::string log_line = {};  // a line the run log holds afterwards
};

const std::string kNotAPage =
    std::string("Nemělo by nastat: skener předal místo stránky něco jiného."_cp);

const std::string kNoInches = std::string("Nelze nastavit palce jako jednotku."_cp) +
                              "\r\nKontakt: zq-podpora@trima.example.org";
const std::string kBadResolution = std::string("Zadané rozlišení nelze použít."_cp);
const std::string kNothingScanned = std::string(
    "Nebylo nic naskenováno, opakujte volbu.\r\n(Některé skenery po delší době nečinnosti "
    "ignorují první pokyn ke skenování.)"_cp);

// Every capability but the units answered with garbage, each in its own way.
const char kHostileButTheUnits[] =
    "cap ICAP_PIXELTYPE enum 0,1,2 current=1 bad=null\n"
    "cap ICAP_BITDEPTH enum 8 current=8 bad=short\n"
    "cap ICAP_XRESOLUTION enum 100,200,300 current=300 bad=count:4000000000\n"
    "cap ICAP_YRESOLUTION enum 100,200,300 current=300 bad=itemtype:200\n"
    "cap CAP_UICONTROLLABLE one TRUE bad=contype:9\n"
    "cap CAP_FEEDERENABLED enum FALSE,TRUE bad=itemtype:7\n"
    "cap CAP_AUTOFEED enum FALSE,TRUE bad=null\n"
    "cap CAP_DUPLEX one 1 bad=short\n"
    "cap CAP_DUPLEXENABLED enum FALSE,TRUE bad=count:7\n"
    "cap ICAP_SUPPORTEDSIZES enum 0,1 current=0 bad=contype:0\n";

class HostileSourceTest : public ScanFaultsTest,
                          public ::testing::WithParamInterface<HostileSource> {};

TEST_P(HostileSourceTest, CrashesNothingAndLeavesAReadableTrace) {
  const std::string script =
      std::string(kFullScanner) + "feeder 2\n" + GetParam().statements + "\n";
  const bool running = CreateAndScan(script);
  EXPECT_EQ(running, !GetParam().ends_program);
  const std::vector<std::string> expected_notices =
      GetParam().notice.empty() ? std::vector<std::string>{}
                                : std::vector<std::string>{GetParam().notice};
  EXPECT_EQ(toolkit_.MessageTexts(), expected_notices);
  EXPECT_EQ(PageFiles().size(), GetParam().pages);
  if (!GetParam().log_line.empty()) {
    EXPECT_NE(Log().find("\r\n" + GetParam().log_line + "\r\n"), std::string::npos) << Log();
  }
  EXPECT_EQ(scanner_.Record().find("script error"), std::string::npos) << scanner_.Record();

  const std::string log = Log();
  EXPECT_TRUE(log.ends_with("\r\n"));
  EXPECT_TRUE(Readable(log)) << log;
  EXPECT_FALSE(TraceLines().empty());
  for (const std::string& notice : toolkit_.MessageTexts()) {
    EXPECT_FALSE(notice.empty());
    EXPECT_TRUE(Readable(notice)) << notice;
  }
  for (const std::string& page : PageFiles()) {
    platform::Bitmap image;
    EXPECT_EQ(platform::LoadBmp(page, &image), platform::BmpStatus::kOk) << page;
  }
  if (running && form_.scanner_flags().available) {
    EXPECT_FALSE(toolkit_.minimized()) << "the window came back";
    EXPECT_TRUE(Enabled(ControlId::kButton3));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostileSourceTest,
    ::testing::Values(
        HostileSource{"WrongItemTypes", "hostile caps itemtype:7", true, kNoInches, 0},
        HostileSource{"ItemTypesBeyondEveryKnownOne", "hostile caps itemtype:200", true, kNoInches,
                      0},
        HostileSource{"CountsBeyondTheBlock", "hostile caps count:4000000000", false, "", 2},
        HostileSource{"NullContainersAfterSuccess", "hostile caps null", true, kNoInches, 0},
        HostileSource{"ContainerTypesThatDoNotExist", "hostile caps contype:9", true, kNoInches, 0},
        HostileSource{"BlocksOfTwoBytes", "hostile caps short", true, kNoInches, 0},
        HostileSource{"EveryCapabilityButTheUnits", kHostileButTheUnits, false, kBadResolution, 0},
        HostileSource{"TextsWithoutNul", "cap CAP_AUTHOR one \"Jan Novak\"\nhostile caps nonul",
                      false, "", 2},
        HostileSource{"IdentityTextsWithoutNul", "hostile identity-nonul", false, "", 2},
        HostileSource{"NativeHandleThatIsNoDib", "hostile native-notdib", false, kNothingScanned, 0,
                      kNotAPage},
        HostileSource{"NullNativeHandle", "hostile native-null", false, kNothingScanned, 0,
                      kNotAPage}),
    [](const ::testing::TestParamInfo<HostileSource>& param_info) {
      return param_info.param.name;
    });

// The disk fills while the pages of a two-sided sheet are saved: the composite of the pair does
// not fit. The scan stops with a notice, the pages saved before stay whole, and no part of the
// composite is left to be sent later.
TEST_F(ScanFaultsTest, ADiskThatFillsWhilePagesAreSavedStopsTheScan) {
  // Pages of 57,078 bytes, composites of 113,078 bytes; the run log stays below the limit.
  Create(std::string(kFullScanner) + "feeder 2\nimage gray 200x280\n");
  ASSERT_TRUE(toolkit_.Click(ControlId::kLabel11));
  ASSERT_TRUE(Checked(ControlId::kCheckBox2));
  {
    const testing_faults::FileSizeLimit limit(80000);
    ASSERT_TRUE(toolkit_.Click(ControlId::kButton2));
    toolkit_.RunPostedMessages();
  }
  const std::string folder = folder_.Sub("Prelavka") + kSep + "sken_tmp1" + kSep;
  const std::string kScanStopped = std::string(
      "\r\nSkenování bylo přerušeno. Dříve naskenované stránky zůstaly uloženy, zbývající listy "
      "naskenujte znovu."_cp);
  EXPECT_EQ(
      toolkit_.MessageTexts(),
      std::vector<std::string>{std::string("Naskenovanou stránku nelze uložit do souboru "_cp) +
                               folder + "1001-1002.dib." + kScanStopped});
  EXPECT_FALSE(std::filesystem::exists(folder + "1001-1002.dib"));
  for (const std::string page : {"1001.bmp", "1002.bmp"}) {
    platform::Bitmap image;
    EXPECT_EQ(platform::LoadBmp(folder + page, &image), platform::BmpStatus::kOk) << page;
    EXPECT_EQ(image.Width(), 200);
    EXPECT_EQ(image.Height(), 280);
  }
  EXPECT_EQ(form_.scan_folder().duplex_pages.size(), 0u);
  const std::string log = Log();
  EXPECT_TRUE(Readable(log)) << log;
  EXPECT_TRUE(log.ends_with("\r\n"));
  EXPECT_FALSE(toolkit_.minimized());
  EXPECT_TRUE(Enabled(ControlId::kButton2));
  EXPECT_TRUE(Enabled(ControlId::kButton3));
}

// Found by the names fuzz target: in a folder scanned earlier whose highest page is 2147483647,
// the next page number wraps to -2147483648; a page of that name that is there stays as it was.
TEST_F(ScanFaultsTest, ANewPageNeverReplacesAPageThatIsThere) {
  const std::string folder = folder_.Sub("earlier");
  std::filesystem::create_directory(folder);
  for (const std::string name : {"2147483647.bmp", "-2147483648.bmp"}) {
    platform::File file;
    ASSERT_TRUE(file.Open(folder + kSep + name, platform::File::Mode::kCreate));
    ASSERT_TRUE(file.Write("BM " + name));
  }
  Create(std::string(kFullScanner) + "feeder 1\nimage gray 30x40\n");
  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton3));
  toolkit_.Type(ControlId::kEdit3, folder);
  ASSERT_TRUE(toolkit_.Click(ControlId::kButton2));
  toolkit_.RunPostedMessages();
  const std::string kept = folder + kSep + "-2147483648.bmp";
  EXPECT_EQ(testing_support::ReadFile(kept), "BM -2147483648.bmp");
  EXPECT_EQ(testing_support::ReadFile(folder + kSep + "2147483647.bmp"), "BM 2147483647.bmp");
  ASSERT_EQ(toolkit_.MessageTexts().size(), 1u);
  EXPECT_TRUE(toolkit_.MessageTexts()[0].starts_with(
      std::string("Naskenovanou stránku nelze uložit do souboru "_cp) + kept + "."))
      << toolkit_.MessageTexts()[0];
  EXPECT_NE(Log().find("Image not saved to " + kept + ": the file exists\r\n"), std::string::npos);
}

}  // namespace
}  // namespace scan_test
