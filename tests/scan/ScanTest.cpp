// Scanning through the window: the scan buttons, the settings put into the virtual scanner, the
// page files and composites the pages become, and the end of each scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "platform/bitmap/Bmp.h"
#include "scan/DecimalReader.h"
#include "tests/scan/ScanFixture.h"
#include "tools/virtual_scanner/TestPattern.h"

namespace scan_test {
namespace {

using namespace text::literals;
using platform::ControlId;

const std::string kGrey = std::string("Stupně šedi"_cp);
const std::string kNothingScanned = std::string(
    "Nebylo nic naskenováno, opakujte volbu.\r\n(Některé skenery po delší době nečinnosti "
    "ignorují první pokyn ke skenování.)"_cp);
const std::string kUnreadableResolution = std::string("Zadané rozlišení nelze převést na číslo"_cp);
const std::string kScanStopped = std::string(
    "\r\nSkenování bylo přerušeno. Dříve naskenované stránky zůstaly uloženy, zbývající listy "
    "naskenujte znovu."_cp);

// The page the virtual scanner delivers, as a bitmap.
platform::Bitmap DeliveredPage(virtual_scanner::PixelFormat format, int width, int height,
                               int page) {
  const std::vector<std::uint8_t> dib =
      virtual_scanner::TestPatternDib(format, width, height, page);
  platform::Bitmap bitmap;
  EXPECT_EQ(platform::LoadDib(dib.data(), dib.size(), &bitmap), platform::BmpStatus::kOk);
  return bitmap;
}

platform::Bitmap LoadPage(const std::string& path) {
  platform::Bitmap bitmap;
  EXPECT_EQ(platform::LoadBmp(path, &bitmap), platform::BmpStatus::kOk) << path;
  return bitmap;
}

// Whether the bitmap's rectangle holds the other bitmap's pixels (same pixel format).
bool HoldsAt(const platform::Bitmap& outer, int left, const platform::Bitmap& inner) {
  if (outer.Format() != inner.Format() || outer.Height() < inner.Height()) return false;
  const std::size_t bytes = static_cast<std::size_t>(outer.BytesPerPixel());
  for (int y = 0; y < inner.Height(); ++y) {
    if (!std::equal(inner.Row(y), inner.Row(y) + inner.RowBytes(),
                    outer.Row(y) + static_cast<std::size_t>(left) * bytes)) {
      return false;
    }
  }
  return true;
}

bool AllWhite(const platform::Bitmap& image, int left, int right, int top, int bottom) {
  const std::size_t bytes = static_cast<std::size_t>(image.BytesPerPixel());
  for (int y = top; y < bottom; ++y) {
    const std::uint8_t* row = image.Row(y);
    for (std::size_t i = static_cast<std::size_t>(left) * bytes;
         i < static_cast<std::size_t>(right) * bytes; ++i) {
      if (row[i] != 255) return false;
    }
  }
  return true;
}

class ScanTest : public ScanFixture {
 protected:
  // The window over the full scanner with these statements added to its source.
  void CreateScanner(const std::string& statements) { CreateFrom(kFullScanner + statements); }
  void CreateFrom(const std::string& script) {
    Create(script);
    ASSERT_TRUE(form_.scanner_flags().available);
    MarkLog();
    scanner_.ClearRecord();
  }
  // Clicks the scan button and lets the scanner deliver its pages: posted to the window by a
  // source manager that calls back, or seen in window messages by one that passes messages (the
  // scripts ask for callbacks, which Windows builds do not announce).
  void Scan(ControlId button) {
    ASSERT_TRUE(toolkit_.Click(button)) << platform::ControlName(button) << " is disabled";
    toolkit_.RunPostedMessages();
    int message = 0;
    for (int i = 0; i < 10 && platform::TwainMessageFilter(&message); ++i) {
    }
  }
  std::string ScanFolder() const { return AppFolder() + "sken_tmp1" + kSep; }
  std::string AppFolder() const { return shell_.identity().application_folder; }
  std::vector<std::string> Names(const std::vector<std::string>& paths) const {
    std::vector<std::string> names;
    for (const std::string& path : paths) names.push_back(path.substr(path.rfind(kSep) + 1));
    return names;
  }
  std::vector<std::string> FilesIn(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  int Recorded(const std::string& line) const {
    const auto lines = scanner_.RecordLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }
  // The window after a scan: restored, buttons back, the source closed.
  void ExpectScanEnded(ControlId focus) {
    EXPECT_FALSE(toolkit_.minimized());
    EXPECT_EQ(Enabled(ControlId::kButton1),
              !Checked(ControlId::kCheckBox2) && form_.scanner_flags().flatbed);
    EXPECT_TRUE(Enabled(ControlId::kButton2));
    EXPECT_TRUE(Enabled(ControlId::kButton3));
    EXPECT_EQ(toolkit_.focus(), focus);
    EXPECT_FALSE(Session().current_source()->loaded());
    EXPECT_FALSE(Session().progress().in_handler);
    const std::vector<std::string> lines = LogLinesStarting("WindowState ");
    EXPECT_EQ(lines, (std::vector<std::string>{"WindowState before: 1", "WindowState after: 0",
                                               "WindowState repainted: 0"}));
  }
};

TEST_F(ScanTest, AGreyPageKeepsTheBlueByteOfEachPixel) {
  CreateScanner("pages 1\nimage rgb 64x48\n");
  Scan(ControlId::kButton1);
  EXPECT_TRUE(toolkit_.MessageTexts().empty());
  ASSERT_EQ(Names(form_.scan_folder().pages), std::vector<std::string>{"1001.bmp"});
  const std::string path = ScanFolder() + "1001.bmp";
  const std::string file = testing_support::ReadFile(path);
  ASSERT_GT(file.size(), 54u + 1024u);
  EXPECT_EQ(file[28], 8) << "bits per pixel";
  for (int i = 0; i < 256; ++i) {
    const auto entry = static_cast<char>(i);
    ASSERT_EQ(file.substr(54 + 4 * static_cast<std::size_t>(i), 4),
              std::string({entry, entry, entry, '\0'}))
        << "colour table entry " << i;
  }
  const platform::Bitmap delivered = DeliveredPage(virtual_scanner::PixelFormat::kRgb24, 64, 48, 1);
  const platform::Bitmap page = LoadPage(path);
  ASSERT_EQ(page.Width(), 64);
  ASSERT_EQ(page.Height(), 48);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      ASSERT_EQ(page.Row(y)[x], delivered.Row(y)[3 * x]) << x << "," << y;
    }
  }
  EXPECT_EQ(LogLinesStarting("Image saved to "),
            std::vector<std::string>{"Image saved to " + path});
  ExpectScanEnded(ControlId::kButton1);
}

TEST_F(ScanTest, AColourPageIsSavedIn24BitsAsDelivered) {
  CreateScanner("pages 1\nimage rgb 64x48\n");
  toolkit_.SetText(ControlId::kComboBox1, "Barevně"_cp);
  Scan(ControlId::kButton1);
  const platform::Bitmap page = LoadPage(ScanFolder() + "1001.bmp");
  EXPECT_EQ(testing_support::ReadFile(ScanFolder() + "1001.bmp")[28], 24);
  EXPECT_TRUE(HoldsAt(page, 0, DeliveredPage(virtual_scanner::PixelFormat::kRgb24, 64, 48, 1)));
  // The source delivers colour already: the program checks the pixel type and leaves it.
  const std::vector<std::string> traces = TraceLines();
  EXPECT_NE(traces.end(), std::find(traces.begin(), traces.end(),
                                    ">src 1/CAPABILITY/GETCURRENT PIXELTYPE => SUCCESS RGB"))
      << ::testing::PrintToString(traces);
}

TEST_F(ScanTest, ThreePagesFromTheFeederWithoutDuplex) {
  CreateScanner("feeder 3\nimage gray 30x40\n");
  Scan(ControlId::kButton2);
  EXPECT_TRUE(toolkit_.MessageTexts().empty());
  EXPECT_EQ(Names(form_.scan_folder().pages),
            (std::vector<std::string>{"1001.bmp", "1002.bmp", "1003.bmp"}));
  EXPECT_TRUE(form_.scan_folder().duplex_pages.empty());
  EXPECT_EQ(FilesIn(ScanFolder()), (std::vector<std::string>{"1001.bmp", "1002.bmp", "1003.bmp"}));
  EXPECT_EQ(LogLinesStarting("Image saved to ").size(), 3u);
  EXPECT_EQ(Text(ControlId::kLabel6).rfind("K odeslání připraveny 3 strany"_cp, 0), 0u);
  // The settings as they were logged, the folder and the feeder switched on.
  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> settings(lines.begin(), lines.begin() + 7);
  EXPECT_EQ(
      settings,
      (std::vector<std::string>{
          std::string("Stisknuto tlačítko \"Skenovat z podavače\" s nastavením:"_cp),
          std::string("   Chci naskenovat stránky do souborů a odeslat je."_cp),
          std::string("   Barevnost: Stupně šedi"_cp), std::string("   Rozlišení: 200 dpi"_cp),
          std::string("   Oboustranně: Ne"_cp), "Bude se skenovat do: " + ScanFolder(),
          "#[0]>nil 1/IDENTITY/OPENDS => SUCCESS {Id:1, Version:{MajorNum:2, "
          "MinorNum:7, Language:ENGLISH, Country:USA, Info:\"driver 2.7\"}, "
          "ProtocolMajor:1, ProtocolMinor:9, SupportedGroups:3, "
          "Manufacturer:\"Prelavka test\", ProductFamily:\"Test family\", "
          "ProductName:\"Virtual\"}"}));
  const std::vector<std::string> traces = TraceLines();
  for (const char* expected : {">src 1/CAPABILITY/SET XRESOLUTION 200 => SUCCESS",
                               ">src 1/CAPABILITY/SET YRESOLUTION 200 => SUCCESS",
                               ">src 1/CAPABILITY/GETCURRENT FEEDERENABLED => SUCCESS TRUE",
                               ">src 1/CAPABILITY/GETCURRENT DUPLEXENABLED => SUCCESS FALSE",
                               ">src 1/CAPABILITY/SET ROTATION 0 => FAILURE:CAPUNSUPPORTED"}) {
    EXPECT_NE(std::find(traces.begin(), traces.end(), expected), traces.end()) << expected;
  }
  // The mode choice stays locked for the batch.
  EXPECT_FALSE(Enabled(ControlId::kRadioButton2));
  EXPECT_FALSE(Enabled(ControlId::kRadioButton3));
  EXPECT_FALSE(Enabled(ControlId::kCheckBox2));
  ExpectScanEnded(ControlId::kButton2);
}

TEST_F(ScanTest, FourPagesWithDuplexGiveTwoComposites) {
  CreateScanner("feeder 2\nimage gray 30x40\n");
  ASSERT_TRUE(toolkit_.Click(ControlId::kLabel11));
  ASSERT_TRUE(Checked(ControlId::kCheckBox2));
  EXPECT_FALSE(Enabled(ControlId::kButton1));
  Scan(ControlId::kButton2);
  EXPECT_TRUE(toolkit_.MessageTexts().empty());
  EXPECT_EQ(Names(form_.scan_folder().pages),
            (std::vector<std::string>{"1001.bmp", "1002.bmp", "1003.bmp", "1004.bmp"}));
  EXPECT_EQ(Names(form_.scan_folder().duplex_pages),
            (std::vector<std::string>{"1001-1002.dib", "1003-1004.dib"}));
  EXPECT_EQ(LogLinesStarting("Duplex image saved to "),
            (std::vector<std::string>{"Duplex image saved to " + ScanFolder() + "1001-1002.dib",
                                      "Duplex image saved to " + ScanFolder() + "1003-1004.dib"}));
  for (int pair = 0; pair < 2; ++pair) {
    const std::string front = std::to_string(1001 + 2 * pair);
    const std::string back = std::to_string(1002 + 2 * pair);
    const platform::Bitmap composite = LoadPage(ScanFolder() + front + "-" + back + ".dib");
    EXPECT_EQ(composite.Width(), 60);
    EXPECT_EQ(composite.Height(), 40);
    EXPECT_EQ(composite.Format(), platform::PixelFormat::k8Bit);
    EXPECT_TRUE(HoldsAt(composite, 0, LoadPage(ScanFolder() + front + ".bmp")));
    EXPECT_TRUE(HoldsAt(composite, 30, LoadPage(ScanFolder() + back + ".bmp")));
  }
  EXPECT_EQ(Recorded(testing_twain::Triplet("src1", 1, 0x0001, 0x0006, 0x1013)), 1)
      << "CAP_DUPLEXENABLED set";
  // Both sides go through the feeder only: Button1 stays disabled, Button2 gets the focus.
  ExpectScanEnded(ControlId::kButton2);
  EXPECT_FALSE(Enabled(ControlId::kButton1));
}

TEST_F(ScanTest, ThreePagesWithDuplexLeaveTheLastOneSingle) {
  // A driver that scans one side whatever it is asked.
  CreateFrom(Scanner("cap CAP_DUPLEXENABLED", "cap CAP_DUPLEXENABLED enum FALSE,TRUE set=ignore") +
             "feeder 3\nimage gray 20x10\n");
  ASSERT_TRUE(toolkit_.Click(ControlId::kCheckBox2));
  Scan(ControlId::kButton2);
  EXPECT_EQ(form_.scan_folder().pages.size(), 3u);
  EXPECT_EQ(Names(form_.scan_folder().duplex_pages), std::vector<std::string>{"1001-1002.dib"});
  EXPECT_EQ(FilesIn(ScanFolder()),
            (std::vector<std::string>{"1001-1002.dib", "1001.bmp", "1002.bmp", "1003.bmp"}));
}

TEST_F(ScanTest, AddingToAFolderPairsWithThePagesAlreadyThere) {
  // A folder scanned earlier with three grey pages of another size; one sheet is added.
  const std::string folder = folder_.Sub("earlier");
  std::filesystem::create_directory(folder);
  for (int page = 1; page <= 3; ++page) {
    ASSERT_TRUE(platform::SaveBmp(DeliveredPage(virtual_scanner::PixelFormat::kGray8, 20, 50, page),
                                  folder + kSep + std::to_string(1000 + page) + ".bmp"));
  }
  CreateFrom(Scanner("cap CAP_DUPLEXENABLED", "cap CAP_DUPLEXENABLED enum FALSE,TRUE set=ignore") +
             "feeder 1\nimage gray 30x40\n");
  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton3));
  toolkit_.Type(ControlId::kEdit3, folder);
  ASSERT_TRUE(toolkit_.Click(ControlId::kCheckBox2));
  Scan(ControlId::kButton2);
  EXPECT_TRUE(toolkit_.MessageTexts().empty());
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(lines[1], std::string("   Chci přidat k již naskenovaným další a odeslat."_cp));
  EXPECT_EQ(lines[4], std::string("   Oboustranně: Ano"_cp));
  EXPECT_EQ(lines[5], std::string("   Adresář: "_cp) + folder);
  EXPECT_EQ(lines[6], "Bude se skenovat do: " + folder + kSep);
  EXPECT_EQ(Names(form_.scan_folder().pages),
            (std::vector<std::string>{"1001.bmp", "1002.bmp", "1003.bmp", "1004.bmp"}));
  EXPECT_EQ(Names(form_.scan_folder().duplex_pages), std::vector<std::string>{"1003-1004.dib"});
  // The front page is 20 x 50, the back page 30 x 40: 60 x 50, white around both.
  const platform::Bitmap composite = LoadPage(folder + kSep + "1003-1004.dib");
  ASSERT_EQ(composite.Width(), 60);
  ASSERT_EQ(composite.Height(), 50);
  EXPECT_TRUE(HoldsAt(composite, 0, LoadPage(folder + kSep + "1003.bmp")));
  EXPECT_TRUE(HoldsAt(composite, 30, LoadPage(folder + kSep + "1004.bmp")));
  EXPECT_TRUE(AllWhite(composite, 20, 30, 0, 50));
  EXPECT_TRUE(AllWhite(composite, 30, 60, 40, 50));
  EXPECT_FALSE(Enabled(ControlId::kRadioButton1));
  EXPECT_FALSE(Enabled(ControlId::kEdit3));
}

TEST_F(ScanTest, AFrontPageDeletedBeforeTheBackArrivesLeavesTheLeftHalfWhite) {
  CreateScanner("feeder 1\nimage gray 30x40\n");
  auto forward = Session().Twain().OnTwainAcquire;
  int delivered = 0;
  Session().Twain().OnTwainAcquire = [&](platform::TwainComponent& sender, int index,
                                         std::span<const std::uint8_t> dib, bool& cancel) {
    if (++delivered == 2) std::filesystem::remove(ScanFolder() + "1001.bmp");
    forward(sender, index, dib, cancel);
  };
  ASSERT_TRUE(toolkit_.Click(ControlId::kCheckBox2));
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton2);
  EXPECT_EQ(
      toolkit_.MessageTexts(),
      std::vector<std::string>{std::string("Nemělo by nastat: soubor "_cp) + ScanFolder() +
                               std::string("1001.bmp nelze načíst, stránka bude prázdná."_cp)});
  ASSERT_EQ(form_.scan_folder().duplex_pages.size(), 1u);
  const platform::Bitmap composite = LoadPage(ScanFolder() + "1001-1002.dib");
  ASSERT_EQ(composite.Width(), 60);
  EXPECT_TRUE(AllWhite(composite, 0, 30, 0, 40));
  EXPECT_TRUE(HoldsAt(composite, 30, LoadPage(ScanFolder() + "1002.bmp")));
}

TEST_F(ScanTest, NoPageDeliveredIsToldAndTheWindowComesBack) {
  CreateScanner("pages 0\n");
  toolkit_.ExpectMessageBox();
  // The notice's nested loop may run the handler again: it returns at once.
  toolkit_.SetDuringDialog([this](const fakes::FakeToolkit::Dialog&) {
    EXPECT_TRUE(Session().progress().in_handler);
    form_.TwainSourceDisable(0);
  });
  Scan(ControlId::kButton1);
  EXPECT_EQ(toolkit_.MessageTexts(), std::vector<std::string>{kNothingScanned});
  EXPECT_TRUE(form_.scan_folder().pages.empty());
  EXPECT_EQ(Recorded(testing_twain::Triplet("dsm", 1, 0x0003, 0x0402)), 1) << "one MSG_CLOSEDS";
  ExpectScanEnded(ControlId::kButton1);
  // The folder stays for the batch: the next scan goes into it.
  toolkit_.SetDuringDialog(nullptr);
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton1);
  EXPECT_EQ(LogLinesStarting("Bude se skenovat do: "),
            (std::vector<std::string>{"Bude se skenovat do: " + ScanFolder(),
                                      "Bude se skenovat do: " + ScanFolder()}));
}

TEST_F(ScanTest, ResolutionTextsAreReadAsDecimalNumbers) {
  struct Case {
    const char* text;
    const char* trace;  // the X resolution set, or nullptr when the text is refused
  };
  const Case cases[] = {{" 200", "SET XRESOLUTION 200"},
                        {"1e2", "SET XRESOLUTION 100"},
                        {"150.5", "SET XRESOLUTION 150.5"},
                        {"200 ", nullptr},
                        {"200dpi", nullptr},
                        {"2,5", nullptr},
                        {"", nullptr}};
  CreateFrom(Scanner("cap ICAP_XRESOLUTION", "cap ICAP_XRESOLUTION range 50..600/0.5 current=300") +
             "cap ICAP_YRESOLUTION range 50..600/0.5 current=300\npages 1\n");
  ASSERT_TRUE(toolkit_.Visible(ControlId::kEdit1));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    MarkLog();
    const std::size_t boxes = toolkit_.MessageTexts().size();
    toolkit_.Type(ControlId::kEdit1, c.text);
    if (c.trace == nullptr) toolkit_.ExpectMessageBox();
    Scan(ControlId::kButton1);
    const std::vector<std::string> traces = TraceLines();
    const bool set = std::any_of(traces.begin(), traces.end(), [](const std::string& line) {
      return line.find("SET XRESOLUTION") != std::string::npos;
    });
    if (c.trace == nullptr) {
      ASSERT_EQ(toolkit_.MessageTexts().size(), boxes + 1);
      EXPECT_EQ(toolkit_.MessageTexts().back(), kUnreadableResolution);
      EXPECT_FALSE(set);
      // No scan: the window stays as it is, the source stays open.
      EXPECT_FALSE(toolkit_.minimized());
      EXPECT_TRUE(Session().current_source()->loaded());
      EXPECT_TRUE(Enabled(ControlId::kButton1));
    } else {
      EXPECT_EQ(toolkit_.MessageTexts().size(), boxes);
      const std::string expected = std::string(">src 1/CAPABILITY/") + c.trace + " => SUCCESS";
      EXPECT_NE(std::find(traces.begin(), traces.end(), expected), traces.end()) << expected;
    }
  }
}

TEST_F(ScanTest, AResolutionTheDriverDoesNotTakeIsRefused) {
  // 199.99 is no multiple of 1/65536: it does not read back as sent.
  CreateFrom(Scanner("cap ICAP_XRESOLUTION", "cap ICAP_XRESOLUTION range 50..600/0.5 current=300") +
             "cap ICAP_YRESOLUTION range 50..600/0.5 current=300\n");
  toolkit_.Type(ControlId::kEdit1, "199.99");
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton1);
  EXPECT_EQ(toolkit_.MessageTexts(),
            std::vector<std::string>{std::string("Zadané rozlišení nelze použít."_cp)});
  EXPECT_FALSE(toolkit_.minimized());
}

TEST_F(ScanTest, AListWithout200NeedsAChoiceFirst) {
  CreateFrom(Scanner("cap ICAP_XRESOLUTION", "cap ICAP_XRESOLUTION enum 150,300") +
             "cap ICAP_YRESOLUTION enum 150,300\n");
  ASSERT_EQ(Text(ControlId::kComboBox2), "");
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton1);
  EXPECT_EQ(toolkit_.MessageTexts(), std::vector<std::string>{kUnreadableResolution});
}

TEST_F(ScanTest, AnUnknownColourNameIsAskedForAsPixelType65535) {
  CreateScanner("pages 1\n");
  toolkit_.Type(ControlId::kComboBox1, "Černobíle"_cp);
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton1);
  EXPECT_EQ(toolkit_.MessageTexts(),
            std::vector<std::string>{std::string("Zvoulenou barevnost nelze použít."_cp)});
  const std::vector<std::string> traces = TraceLines();
  EXPECT_NE(std::find(traces.begin(), traces.end(),
                      ">src 1/CAPABILITY/SET PIXELTYPE 65535 => FAILURE:BADVALUE"),
            traces.end());
  EXPECT_TRUE(form_.scan_folder().pages.empty());
  // The page settings are put in all the same.
  EXPECT_NE(
      std::find(traces.begin(), traces.end(),
                ">src 1/CAPABILITY/GETCURRENT AUTODISCARDBLANKPAGES => FAILURE:CAPUNSUPPORTED"),
      traces.end());
}

TEST_F(ScanTest, ADriverRefusingToStartIsToldAndTheWindowRestored) {
  CreateScanner("enable fail BUMMER\n");
  toolkit_.ExpectMessageBox();
  toolkit_.SetDuringDialog(
      [this](const fakes::FakeToolkit::Dialog&) { EXPECT_FALSE(toolkit_.minimized()); });
  Scan(ControlId::kButton2);
  EXPECT_EQ(toolkit_.MessageTexts(),
            std::vector<std::string>{std::string("Skener odmítl zahájit skenování"_cp)});
  EXPECT_FALSE(toolkit_.minimized());
  EXPECT_TRUE(Enabled(ControlId::kButton1));
  EXPECT_TRUE(Enabled(ControlId::kButton2));
  EXPECT_TRUE(Session().current_source()->loaded());
}

TEST_F(ScanTest, AMissingFolderInMode3ReachesNoDriver) {
  CreateScanner("pages 1\n");
  ASSERT_TRUE(toolkit_.Click(ControlId::kRadioButton3));
  toolkit_.Type(ControlId::kEdit3, folder_.Sub("missing"));
  // Told by the scan button, and again by the folder-box commit that leaving Edit3 posted.
  toolkit_.ExpectMessageBox();
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton1);
  const std::string missing = std::string("Zadaná složka neexistuje, zvolte prosím jinou."_cp);
  EXPECT_EQ(toolkit_.MessageTexts(), (std::vector<std::string>{missing, missing}));
  EXPECT_TRUE(TraceLines().empty());
  EXPECT_TRUE(Enabled(ControlId::kRadioButton2));
  EXPECT_TRUE(Enabled(ControlId::kCheckBox2));
}

TEST_F(ScanTest, APageThatCannotBeSavedStopsTheBatchAndKeepsThePagesBefore) {
  CreateScanner("feeder 4\nimage gray 20x20\n");
  auto forward = Session().Twain().OnTwainAcquire;
  int delivered = 0;
  Session().Twain().OnTwainAcquire = [&](platform::TwainComponent& sender, int index,
                                         std::span<const std::uint8_t> dib, bool& cancel) {
    // The second page's name is taken by a folder: its file cannot be created.
    if (++delivered == 2) std::filesystem::create_directory(ScanFolder() + "1002.bmp");
    forward(sender, index, dib, cancel);
  };
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton2);
  EXPECT_EQ(delivered, 2) << "the remaining transfers are cancelled";
  EXPECT_EQ(
      toolkit_.MessageTexts(),
      std::vector<std::string>{std::string("Naskenovanou stránku nelze uložit do souboru "_cp) +
                               ScanFolder() + "1002.bmp." + kScanStopped});
  EXPECT_EQ(Names(form_.scan_folder().pages), std::vector<std::string>{"1001.bmp"});
  EXPECT_EQ(LogLinesStarting("Image not saved to "),
            std::vector<std::string>{"Image not saved to " + ScanFolder() + "1002.bmp"});
  EXPECT_EQ(Recorded(testing_twain::Triplet("src1", 1, 0x0005, 0x0007)), 1) << "MSG_RESET";
  ExpectScanEnded(ControlId::kButton2);

  // The next scan goes on with a new name.
  Session().Twain().OnTwainAcquire = forward;
  Scan(ControlId::kButton2);
  EXPECT_EQ(Names(form_.scan_folder().pages),
            (std::vector<std::string>{"1001.bmp", "1003.bmp", "1004.bmp", "1005.bmp", "1006.bmp"}));
}

TEST_F(ScanTest, APaperJamEndsTheScanWithPlainWords) {
  CreateScanner("feeder 4\nimage gray 20x20\nfail 3 PAPERJAM\n");
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton2);
  EXPECT_EQ(toolkit_.MessageTexts(),
            std::vector<std::string>{std::string("Ve skeneru uvízl papír."_cp) + kScanStopped});
  EXPECT_EQ(Names(form_.scan_folder().pages), (std::vector<std::string>{"1001.bmp", "1002.bmp"}));
  EXPECT_EQ(LogLinesStarting("Page transfer failed: "),
            std::vector<std::string>{"Page transfer failed: PAPERJAM"});
  ExpectScanEnded(ControlId::kButton2);
}

TEST_F(ScanTest, AFailureOnTheFirstPageIsToldInsteadOfNothingScanned) {
  CreateScanner("feeder 2\nimage gray 20x20\nfail 1 29\n");
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton2);
  EXPECT_EQ(toolkit_.MessageTexts(),
            std::vector<std::string>{std::string("Ve skeneru není papír."_cp) + kScanStopped});
}

TEST_F(ScanTest, ASourceInFileTransferWritesItsOwnPageFiles) {
  CreateScanner("feeder 2\nimage gray 20x10\n");
  // The program always asks for native transfer; a source left in file transfer still works.
  platform::TTwainSource* source = Session().current_source();
  ASSERT_TRUE(source->LoadSource());
  ASSERT_EQ(Session().Twain().SetTransferMechanism(source, twain::TWSX_FILE), 0);
  MarkLog();
  Scan(ControlId::kButton2);
  EXPECT_TRUE(toolkit_.MessageTexts().empty());
  EXPECT_EQ(Names(form_.scan_folder().pages), (std::vector<std::string>{"1001.bmp", "1002.bmp"}));
  EXPECT_EQ(FilesIn(ScanFolder()), (std::vector<std::string>{"1001.bmp", "1002.bmp"}));
  EXPECT_TRUE(LogLinesStarting("Image saved to ").empty());
  const std::vector<std::string> traces = TraceLines();
  EXPECT_EQ(std::count_if(traces.begin(), traces.end(),
                          [](const std::string& line) {
                            return line.rfind(">src 1/SETUPFILEXFER/SET => SUCCESS", 0) == 0;
                          }),
            2);
}

TEST_F(ScanTest, SomethingElseThanAPageIsSkipped) {
  CreateScanner("pages 1\nhostile native-notdib\n");
  toolkit_.ExpectMessageBox();
  Scan(ControlId::kButton1);
  EXPECT_EQ(toolkit_.MessageTexts(), std::vector<std::string>{kNothingScanned});
  EXPECT_EQ(LogLinesStarting(std::string("Nemělo by nastat: skener předal"_cp)).size(), 1u);
  ExpectScanEnded(ControlId::kButton1);
}

TEST(DecimalReaderTest, ReadsWhatTheResolutionBoxesHold) {
  const std::pair<const char*, double> numbers[] = {
      {"200", 200},     {" 200", 200}, {"   +200", 200}, {"-1.5", -1.5},
      {"150.5", 150.5}, {"1e2", 100},  {"1E+2", 100},    {"25e-1", 2.5},
      {".5", 0.5},      {"5.", 5},     {"0", 0},         {"199.99", 199.99}};
  for (const auto& [text, value] : numbers) {
    const std::optional<double> read = scan::ReadDecimal(text);
    ASSERT_TRUE(read.has_value()) << text;
    EXPECT_EQ(*read, value) << text;
  }
  for (const char* text : {"", " ", "200 ", "200dpi", "2,5", "+", "-", ".", "e2", "1e", "1e+",
                           "1.2.3", "0x10", "\t200", "200\t", "1e999", "--1", "2 00"}) {
    EXPECT_FALSE(scan::ReadDecimal(text).has_value()) << "\"" << text << "\"";
  }
}

TEST(DecimalReaderTest, WritesTheShortestFormWithAPoint) {
  EXPECT_EQ(scan::DecimalText(200), "200");
  EXPECT_EQ(scan::DecimalText(150.5), "150.5");
  EXPECT_EQ(scan::DecimalText(8.270004272460938), "8.27000427246094");
  EXPECT_EQ(scan::DecimalText(0.001), "0.001");
  EXPECT_EQ(scan::DecimalText(-2), "-2");
}

}  // namespace
}  // namespace scan_test
