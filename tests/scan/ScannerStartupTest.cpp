// The TWAIN half of window creation against virtual scanner scripts: the source chosen, the
// notices, the state of the controls, and what the run log (with the trace) records.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "tests/scan/ScanFixture.h"

namespace scan_test {
namespace {

using namespace text::literals;
using platform::ControlId;

struct StartupCase {
  const char* name = "";
  std::string script{};
  std::vector<std::optional<int>> list_answers{};  // answers to the select-source list
  std::vector<std::string> notices{};
  bool available = false;
  // With a scanner: the capability flags and what the boxes offer.
  ui::ScannerFlags flags{};
  std::vector<std::string> colour_items{};
  std::vector<std::string> resolution_items{};
  std::string resolution_text{};
  bool resolution_list_visible = false;
  // Lines the run log must start (traces without their time stamp, "#" kept) and must not hold.
  std::vector<std::string> log_lines{};
  std::vector<std::string> absent_lines{};
  std::string library = testing_twain::kVirtualScannerPath;
};

const std::string kGrey = std::string("Stupně šedi"_cp);
const std::string kColour = std::string("Barevně"_cp);
constexpr ui::ScannerFlags kAll{true, true, true, true};

std::vector<StartupCase> StartupCases() {
  const std::string send_only_tail = std::string(", lze jen odesílat již existující soubory."_cp);
  return {
      {.name = "NoLibrary",
       .script = kFullScanner,
       .notices = {std::string("Knihovna Twain není nainstalována nebo nelze použít"_cp) +
                   send_only_tail},
       .available = false,
       .library = "/nonexistent/libtwaindsm.so"},
      {.name = "NoSourceManager",
       .script = std::string("dsm opendsm fail BUMMER\n") + kFullScanner,
       .notices = {std::string("Nepodařilo se spustit Twain Source Manager"_cp) + send_only_tail},
       .available = false,
       .log_lines = {"#>nil 1/PARENT/OPENDSM => FAILURE:BUMMER (0)"}},
      {.name = "NoSources",
       .script = "dsm signal callbacks\n",
       .notices = {std::string("Nenalezen žádný ovladač skeneru (je skener připojený a "
                               "zapnutý?)"_cp) +
                   send_only_tail},
       .available = false},
      {.name = "SourceDoesNotOpen",
       .script = Scanner("source", "source Virtual\nopen fail BUMMER"),
       .notices = {std::string("Nepodařilo se použít ovladače skeneru"_cp) + send_only_tail},
       .available = false},
      {.name = "OneSourceRefusingNativeTransfer",
       .script = Scanner("native", "native refuse"),
       .notices = {std::string("Ovladače skeneru nepodporují ,,TWSX_NATIVE``"_cp) + send_only_tail},
       .available = false,
       .log_lines = {"#>src 1/CAPABILITY/SET XFERMECH NATIVE => FAILURE:BADVALUE",
                     "#>nil 1/IDENTITY/CLOSEDS => SUCCESS"}},
      {.name = "TwoSourcesTheFirstDoesNotOpen",
       .script = "dsm signal callbacks\nsource Broken\nopen fail OPERATIONERROR\n" +
                 std::string(kFullScanner).substr(std::string("dsm signal callbacks\n").size()),
       .list_answers = {0, 1},
       .notices = {std::string("Požadovaný ovladač nelze spustit, vyberte prosím jiný."_cp)},
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .log_lines = {"#>nil 1/IDENTITY/OPENDS => FAILURE:OPERATIONERROR", "ProductName: Virtual"}},
      {.name = "TwoSourcesTheFirstRefusesNativeTransfer",
       .script = "dsm signal callbacks\nsource Picky\nnative refuse\n" +
                 std::string(kFullScanner).substr(std::string("dsm signal callbacks\n").size()),
       .list_answers = {0, 1},
       .notices = {std::string(
           "Ovladače skeneru nepodporují ,,TWSX_NATIVE``, vyberte prosím jiný."_cp)},
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .log_lines = {"ProductName: Virtual"}},
      {.name = "SelectionCancelled",
       .script = "dsm signal callbacks\nsource One\nsource Two\n",
       .list_answers = {std::nullopt},
       .notices = {std::string("Nebyl vybrán žádný ovladač skeneru"_cp) + send_only_tail},
       .available = false},
      {.name = "TheWholeDescription",
       .script = kFullScanner,
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .log_lines = {std::string("Informace o zdroji dat (ovladači skeneru):"_cp),
                     "Manufacturer: Prelavka test", "ProductFamily: Test family",
                     "ProductName: Virtual", "Version: 2.7", "Language: 2 (Country: 1)",
                     "Protocol: 1.9", "SupportedGroups: 3", "VersionInfo: driver 2.7",
                     "#>src 1/CAPABILITY/SET UNITS INCHES => SUCCESS",
                     "#>src 1/CAPABILITY/GETCURRENT DUPLEX => SUCCESS 1PASSDUPLEX",
                     "#>src 2/IMAGELAYOUT/SET => SUCCESS {Frame:[0,0,8.270004272,11.69000244], "
                     "DocumentNumber:1, PageNumber:1, FrameNumber:1}",
                     "#>src 1/CAPABILITY/GET AUTOBRIGHT => FAILURE:CAPUNSUPPORTED",
                     "#>nil 1/IDENTITY/CLOSEDS => SUCCESS"},
       .absent_lines = {std::string("Nemělo by nastat!"_cp)}},
      {.name = "PixelTypesBlackAndWhiteAndGrey",
       .script = Scanner("cap ICAP_PIXELTYPE", "cap ICAP_PIXELTYPE enum 0,1 current=0"),
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .log_lines = {"#>src 1/CAPABILITY/SET PIXELTYPE GRAY => SUCCESS"},
       .absent_lines = {"#>src 1/CAPABILITY/SET PIXELTYPE BW => SUCCESS"}},
      {.name = "PixelTypesColourOnly",
       .script = Scanner("cap ICAP_PIXELTYPE", "cap ICAP_PIXELTYPE enum 2 current=2"),
       .available = true,
       .flags = kAll,
       .colour_items = {kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true},
      {.name = "PixelTypesUnreadable",
       .script = Scanner("cap ICAP_PIXELTYPE", ""),
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .log_lines = {std::string("Nemělo by nastat!"_cp)}},
      {.name = "ResolutionAsARange",
       .script = Scanner("cap ICAP_XRESOLUTION", "cap ICAP_XRESOLUTION range 75..600 current=200"),
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey, kColour},
       .resolution_list_visible = false,
       .log_lines = {"Custom error returned: BAD_CONTAINER"},
       .absent_lines = {"#>src 1/CAPABILITY/GET YRESOLUTION => SUCCESS"}},
      {.name = "ResolutionListsWith200",
       .script = Scanner("cap ICAP_XRESOLUTION", "cap ICAP_XRESOLUTION enum 100,200,300,600"),
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true},
      {.name = "ResolutionListsWithout200",
       .script = Scanner("cap ICAP_XRESOLUTION", "cap ICAP_XRESOLUTION enum 150.5,300") +
                 "cap ICAP_YRESOLUTION enum 150.5,300,300\n",
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey, kColour},
       .resolution_items = {"150.5", "300", "300"},
       .resolution_text = "",
       .resolution_list_visible = true},
      {.name = "NoUserInterfaceControl",
       .script = Scanner("cap CAP_UICONTROLLABLE", "cap CAP_UICONTROLLABLE one FALSE"),
       .available = true,
       .flags = kAll,
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .log_lines = {std::string("Nemělo by nastat! (TWAIN < 1.9?)"_cp)}},
      {.name = "FlatbedOnly",
       .script = Scanner("cap CAP_FEEDERENABLED", ""),
       .available = true,
       .flags = {true, true, false, true},
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .log_lines = {"#>src 1/CAPABILITY/SET FEEDERENABLED TRUE => FAILURE:CAPUNSUPPORTED"},
       .absent_lines = {"#>src 1/CAPABILITY/GET FEEDERLOADED => FAILURE:CAPUNSUPPORTED",
                        "#>src 1/CAPABILITY/GETCURRENT DUPLEX => SUCCESS 1PASSDUPLEX"}},
      {.name = "FeederOnly",
       .script = Scanner("cap CAP_FEEDERENABLED", "cap CAP_FEEDERENABLED enum TRUE"),
       .available = true,
       .flags = {true, false, true, true},
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .absent_lines = {std::string("Nemělo by nastat!"_cp)}},
      {.name = "FeederThatCannotBeSwitchedOn",
       .script = Scanner("cap CAP_FEEDERENABLED", "cap CAP_FEEDERENABLED enum FALSE"),
       .available = true,
       .flags = {true, true, false, true},
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true},
      {.name = "FeederAnsweringOddly",
       .script = Scanner("cap CAP_FEEDERENABLED",
                         "cap CAP_FEEDERENABLED enum FALSE,TRUE set=refuse:DENIED"),
       .available = true,
       .flags = {true, true, true, true},
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true,
       .log_lines = {std::string("Nemělo by nastat!"_cp),
                     std::string("Neuspělo nastavení CAP_FEEDERENABLED na TRUE, další testy "
                                 "nemusejí nic vypovídat."_cp)}},
      {.name = "DuplexOff",
       .script = Scanner("cap CAP_DUPLEX ", "cap CAP_DUPLEX one 0"),
       .available = true,
       .flags = {true, true, true, false},
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true},
      {.name = "DuplexUnknown",
       .script = Scanner("cap CAP_DUPLEX ", ""),
       .available = true,
       .flags = {true, true, true, false},
       .colour_items = {kGrey, kColour},
       .resolution_items = {"100", "200", "300"},
       .resolution_text = "200",
       .resolution_list_visible = true},
  };
}

class StartupTest : public ScanFixture, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupTest, GivesItsNoticesControlsAndLogLines) {
  const StartupCase& c = GetParam();
  // Each choice from the list is followed by its notice, when there is one.
  for (std::size_t i = 0; i < std::max(c.list_answers.size(), c.notices.size()); ++i) {
    if (i < c.list_answers.size()) toolkit_.AnswerChooseFromList(c.list_answers[i]);
    if (i < c.notices.size()) toolkit_.ExpectMessageBox();
  }
  Create(c.script, c.library);

  EXPECT_EQ(toolkit_.MessageTexts(), c.notices);
  EXPECT_EQ(toolkit_.UnansweredScript(), 0u);
  EXPECT_EQ(form_.scanner_flags().available, c.available);
  const std::vector<std::string> log = LogLines();
  std::vector<std::string> traces;
  for (const std::string& line : TraceLines()) traces.push_back("#" + line);
  std::vector<std::string> all = log;
  all.insert(all.end(), traces.begin(), traces.end());
  for (const std::string& line : c.log_lines) {
    const bool found = std::any_of(all.begin(), all.end(), [&](const std::string& logged) {
      return logged.rfind(line, 0) == 0;
    });
    EXPECT_TRUE(found) << "missing: " << line;
  }
  for (const std::string& line : c.absent_lines) {
    EXPECT_EQ(std::count(all.begin(), all.end(), line), 0) << "present: " << line;
  }

  if (!c.available) {
    // Send-only: mode 2, the scanning modes disabled, no source described.
    EXPECT_EQ(form_.Mode(), 2);
    EXPECT_FALSE(Enabled(ControlId::kRadioButton1));
    EXPECT_FALSE(Enabled(ControlId::kRadioButton3));
    EXPECT_FALSE(Enabled(ControlId::kButton1));
    EXPECT_FALSE(Enabled(ControlId::kButton2));
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         std::string("Informace o zdroji dat (ovladači skeneru):"_cp)),
              0);
    EXPECT_EQ(Session().current_source(), nullptr);
    if (c.library != testing_twain::kVirtualScannerPath) {
      EXPECT_TRUE(traces.empty());
    }
    return;
  }
  const ui::ScannerFlags& flags = form_.scanner_flags();
  EXPECT_EQ(flags.flatbed, c.flags.flatbed);
  EXPECT_EQ(flags.feeder, c.flags.feeder);
  EXPECT_EQ(flags.duplex, c.flags.duplex);
  EXPECT_EQ(form_.Mode(), 1);
  EXPECT_EQ(Enabled(ControlId::kButton1), c.flags.flatbed);
  EXPECT_EQ(Enabled(ControlId::kButton2), c.flags.feeder);
  // Without a feeder the duplex box is left as the mode rule set it.
  EXPECT_EQ(Enabled(ControlId::kCheckBox2), c.flags.duplex);
  EXPECT_EQ(Enabled(ControlId::kLabel11), c.flags.duplex);
  EXPECT_EQ(toolkit_.Items(ControlId::kComboBox1), c.colour_items);
  EXPECT_EQ(Text(ControlId::kComboBox1), kGrey);
  EXPECT_EQ(toolkit_.Visible(ControlId::kComboBox2), c.resolution_list_visible);
  EXPECT_EQ(toolkit_.Visible(ControlId::kEdit1), !c.resolution_list_visible);
  EXPECT_EQ(Text(ControlId::kEdit1), "200");
  if (c.resolution_list_visible) {
    EXPECT_EQ(toolkit_.Items(ControlId::kComboBox2), c.resolution_items);
    EXPECT_EQ(Text(ControlId::kComboBox2), c.resolution_text);
  }
  // The source is closed again and the window comes to the front.
  ASSERT_NE(Session().current_source(), nullptr);
  EXPECT_FALSE(Session().current_source()->loaded());
  EXPECT_STREQ(Session().current_source()->identity().ProductName, "Virtual");
  EXPECT_EQ(traces.back().rfind("#>nil 1/IDENTITY/CLOSEDS => SUCCESS", 0), 0u);
  EXPECT_EQ(toolkit_.foreground_count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Scripts, StartupTest, ::testing::ValuesIn(StartupCases()),
                         [](const ::testing::TestParamInfo<StartupCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST_F(ScanFixture, TheApplicationIdentityIsWrittenOnceTheSourceManagerIsOpen) {
  Create(kFullScanner);
  const twain::TW_IDENTITY& info = Session().Twain().Info();
  EXPECT_EQ(info.Version.MajorNum, 1);
  EXPECT_EQ(info.Version.MinorNum, 125);
  EXPECT_EQ(info.Version.Language, 0xFFFF);
  EXPECT_EQ(info.Version.Country, 420);
  EXPECT_STREQ(info.Version.Info, "Prelavka do ZQ TRIMA");
  EXPECT_STREQ(info.Manufacturer, "zq-podpora@trima.example.org");
  EXPECT_STREQ(info.ProductFamily, "ZQ TRIMA");
  EXPECT_STREQ(info.ProductName, "Prelavka do ZQ TRIMA");
  EXPECT_EQ(info.ProtocolMajor, 1);
  EXPECT_EQ(info.ProtocolMinor, 9);
}

TEST_F(ScanFixture, LongIdentityTextsAreCutTo32Characters) {
  // A heading of 40 characters reaches the source manager as its first 32 and a NUL.
  app::Identity identity = shell_.identity();
  identity.program_heading = "Prelavka do ZQ s velmi dlouhym nazvem";
  ASSERT_TRUE(shell_.StartWith(identity, folder_.Sub("log2.txt")));
  Create(kFullScanner);
  EXPECT_EQ(std::string(Session().Twain().Info().ProductName),
            identity.program_heading.substr(0, 32));
}

TEST_F(ScanFixture, AScannerWithoutInchesEndsTheProgram) {
  for (const char* units : {"cap ICAP_UNITS enum 1 current=1",
                            "cap ICAP_UNITS enum 0,1 current=1 set=refuse:BADVALUE"}) {
    SCOPED_TRACE(units);
    fakes::FakeToolkit toolkit;
    app::Shell shell(system_, toolkit);
    ASSERT_TRUE(
        shell.StartWith(shell_.identity(), folder_.Sub(std::string("fatal") + units[22] + ".txt")));
    ui::TForm1 form(shell, toolkit);
    scanner_.SetScript(Scanner("cap ICAP_UNITS", units));
    toolkit.ExpectMessageBox();
    scan::InstallScannerSession(form, shell, toolkit, testing_twain::kVirtualScannerPath);
    try {
      form.FormCreate();
      ADD_FAILURE() << "the program went on";
    } catch (const fakes::ExitCalled& exit) {
      EXPECT_EQ(exit.code, 0);
    }
    const std::string expected = std::string(units).find("refuse") == std::string::npos
                                     ? std::string("Ovladač skeneru neumí měřit v palcích."_cp)
                                     : std::string("Nelze nastavit palce jako jednotku."_cp);
    ASSERT_EQ(toolkit.MessageTexts().size(), 1u);
    EXPECT_EQ(toolkit.MessageTexts()[0], expected + shell_.identity().contact_line);
  }
}

}  // namespace
}  // namespace scan_test
