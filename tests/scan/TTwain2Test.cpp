#include "scan/TTwain2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fakes/FakeToolkit.h"
#include "tests/platform/twain/VirtualScannerControl.h"

namespace scan {
namespace {

using namespace twain;
using testing_twain::kVirtualScannerPath;
using testing_twain::Triplet;
using testing_twain::VirtualScannerControl;

constexpr std::int32_t Custom(std::uint16_t code) { return -(0x8000 + code); }

// A source offering what the program reads and sets.
const char kScanner[] =
    "source Virtual\n"
    "cap ICAP_PIXELTYPE enum 0,1,2 current=1\n"
    "cap ICAP_UNITS enum 0,1 current=0\n"
    "cap ICAP_XRESOLUTION range 75..600 current=200 default=200\n"
    "cap ICAP_YRESOLUTION enum 100,200,300 current=200\n"
    "cap CAP_UICONTROLLABLE one TRUE\n"
    "cap CAP_DUPLEX one 1\n";

class TTwain2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scanner_.loaded()) << kVirtualScannerPath;
    log_path_ =
        (std::filesystem::temp_directory_path() /
         ("ttwain2_" +
          std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".txt"))
            .string();
    log_ = app::RunLog::Open(log_path_);
    ASSERT_NE(log_, nullptr);
  }
  void TearDown() override {
    twain_.reset();
    log_.reset();
    std::filesystem::remove(log_path_);
  }

  // Opens the source manager over the script and opens its first source; the trace starts
  // empty afterwards.
  void Open(const std::string& script) {
    scanner_.SetScript(script);
    twain_ = std::make_unique<TTwain2>(&toolkit_);
    twain_->set_library_path(kVirtualScannerPath);
    twain_->set_trace_file(log_.get());
    ASSERT_TRUE(twain_->SetSourceManagerLoaded(true));
    ASSERT_GE(twain_->SourceCount(), 1);
    source_ = twain_->SourceByIndex(0);
    ASSERT_NE(source_, nullptr);
    ASSERT_TRUE(source_->LoadSource());
    Mark();
  }

  // The trace lines written since the last Mark (each ended by CR LF).
  std::vector<std::string> Trace() {
    std::ifstream file(log_path_, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    text = text.substr(std::min(mark_, text.size()));
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "an unfinished trace line";
    return lines;
  }
  void Mark() {
    mark_ = std::filesystem::file_size(log_path_);
    scanner_.ClearRecord();
  }
  // The MSG of the capability calls the scanner received since the last Mark, in order.
  std::vector<std::string> CapabilityCalls() {
    std::vector<std::string> calls;
    for (const std::string& line : scanner_.RecordLines()) {
      if (line.find("/0x0001/") != std::string::npos) calls.push_back(line);
    }
    return calls;
  }

  fakes::FakeToolkit toolkit_;
  VirtualScannerControl scanner_;
  std::string log_path_;
  std::unique_ptr<app::RunLog> log_;
  std::unique_ptr<TTwain2> twain_;
  platform::TTwainSource* source_ = nullptr;
  std::size_t mark_ = 0;
};

TEST_F(TTwain2Test, EachCallLeavesOneTraceLineWithItsResult) {
  Open(kScanner);
  TwainValue value;
  EXPECT_EQ(twain_->GetCapOneValue(source_, ICAP_PIXELTYPE, MSG_GETCURRENT, value), 0);
  EXPECT_EQ(value, TwainValue::UInt16(TWPT_GRAY));
  EXPECT_EQ(twain_->SetCapOneValue(source_, ICAP_XRESOLUTION, TwainValue::Real(200)), 0);
  EXPECT_EQ(twain_->QueryCap(source_, CAP_FEEDERENABLED, MSG_GET), -13);
  EXPECT_EQ(twain_->LastResult(), -13);
  EXPECT_EQ(twain_->LastConditionCode(), TWCC_CAPUNSUPPORTED);
  EXPECT_EQ(source_->PendingTransfers(), 0);
  EXPECT_EQ(twain_->LastResult(), 0);
  EXPECT_EQ(twain_->LastConditionCode(), 0);
  EXPECT_EQ(Trace(), (std::vector<std::string>{
                         "#[0]>src 1/CAPABILITY/GETCURRENT PIXELTYPE => SUCCESS GRAY",
                         "#[0]>src 1/CAPABILITY/SET XRESOLUTION 200 => SUCCESS",
                         "#[0]>src 1/CAPABILITY/GET FEEDERENABLED => FAILURE:CAPUNSUPPORTED",
                         "#[0]>src 1/PENDINGXFERS/GET => SUCCESS {Count:0, EOJ:0}",
                     }));
  // The status query behind the failure was made, but left no line of its own.
  EXPECT_EQ(CapabilityCalls().size(), 3u);
  EXPECT_NE(scanner_.Record().find(Triplet("src1", DG_CONTROL, DAT_STATUS, MSG_GET)),
            std::string::npos);
}

TEST_F(TTwain2Test, WithoutATraceFileEverythingWorksAndNothingIsWritten) {
  Open(kScanner);
  twain_->set_trace_file(nullptr);
  TwainValue value;
  EXPECT_EQ(twain_->GetCapOneValue(source_, ICAP_UNITS, MSG_GETCURRENT, value), 0);
  std::vector<TwainValue> list;
  EXPECT_EQ(twain_->GetCapList(source_, ICAP_XRESOLUTION, MSG_GET, list), Custom(CE_BAD_CONTAINER));
  EXPECT_TRUE(Trace().empty());
}

// Capability reads and their custom errors.
TEST_F(TTwain2Test, CapabilityReadsCheckWhatTheDriverAnswers) {
  struct Case {
    const char* what;
    const char* cap_line;  // the capability under test, always ICAP_PIXELTYPE or CAP_AUTHOR
    enum { kOne, kList, kSet, kQuery } operation;
    TW_UINT16 cap;
    std::int32_t result;
    std::vector<std::string> custom_lines;
  };
  const std::string bad = "Custom error returned: ";
  const Case cases[] = {
      {"one value", "cap ICAP_PIXELTYPE one 2", Case::kOne, ICAP_PIXELTYPE, 0, {}},
      {"a list as one value",
       "cap ICAP_PIXELTYPE enum 0,1",
       Case::kOne,
       ICAP_PIXELTYPE,
       Custom(CE_BAD_CONTAINER),
       {bad + "BAD_CONTAINER"}},
      {"a range as a list",
       "cap ICAP_PIXELTYPE range 0..2",
       Case::kList,
       ICAP_PIXELTYPE,
       -36866,
       {bad + "BAD_CONTAINER"}},
      {"a range queried", "cap ICAP_PIXELTYPE range 0..2", Case::kQuery, ICAP_PIXELTYPE, 0, {}},
      {"wrong item type",
       "cap ICAP_PIXELTYPE one INT16 1",
       Case::kOne,
       ICAP_PIXELTYPE,
       Custom(CE_UNEXPECTED_TYPE),
       {bad + "UNEXPECTED_TYPE"}},
      {"long type where not allowed, also the wrong type",
       "cap CAP_AUTHOR one STR1024 \"x\"",
       Case::kOne,
       CAP_AUTHOR,
       Custom(CE_UNIMPLEMENTED),
       {bad + "UNEXPECTED_TYPE", bad + "UNIMPLEMENTED"}},
      {"all three checks fail",
       "cap CAP_AUTHOR enum STR1024 \"x\"",
       Case::kOne,
       CAP_AUTHOR,
       Custom(CE_UNIMPLEMENTED),
       {bad + "BAD_CONTAINER", bad + "UNEXPECTED_TYPE", bad + "UNIMPLEMENTED"}},
      {"long type where allowed",
       "cap CAP_AUTHOR one STR1024 \"x\"",
       Case::kQuery,
       CAP_AUTHOR,
       Custom(CE_UNEXPECTED_TYPE),
       {bad + "UNEXPECTED_TYPE"}},
      {"NumItems beyond the block",
       "cap ICAP_PIXELTYPE enum 0,1,2 bad=count:4000000000",
       Case::kList,
       ICAP_PIXELTYPE,
       Custom(CE_BAD_CONTAINER),
       {bad + "BAD_CONTAINER"}},
      {"NULL container after success",
       "cap ICAP_PIXELTYPE one 1 bad=null",
       Case::kOne,
       ICAP_PIXELTYPE,
       Custom(CE_BAD_CONTAINER),
       {bad + "BAD_CONTAINER"}},
      {"block without its item",
       "cap ICAP_PIXELTYPE one 1 bad=short",
       Case::kOne,
       ICAP_PIXELTYPE,
       Custom(CE_BAD_CONTAINER),
       {bad + "BAD_CONTAINER"}},
      {"unknown container type",
       "cap ICAP_PIXELTYPE one 1 bad=contype:9",
       Case::kQuery,
       ICAP_PIXELTYPE,
       Custom(CE_BAD_CONTAINER),
       {bad + "BAD_CONTAINER"}},
      {"refused",
       "cap ICAP_PIXELTYPE one 1 get=refuse:BADVALUE",
       Case::kOne,
       ICAP_PIXELTYPE,
       -TWCC_BADVALUE,
       {}},
      {"a set", "cap ICAP_PIXELTYPE enum 0,1,2", Case::kSet, ICAP_PIXELTYPE, 0, {}},
      {"a set beyond 255",
       "cap ICAP_PIXELTYPE enum 0,300,1",
       Case::kSet,
       ICAP_PIXELTYPE,
       Custom(CE_OUT_OF_SET_RANGE),
       {bad + "OUT_OF_SET_RANGE"}},
      {"an empty set", "cap ICAP_PIXELTYPE array 0 bad=count:0", Case::kSet, ICAP_PIXELTYPE, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(std::string("source S\n") + c.cap_line + "\n");
    std::int32_t result = 0;
    TwainValue value;
    std::vector<TwainValue> list;
    std::bitset<256> set;
    set.set(77);
    switch (c.operation) {
      case Case::kOne:
        result = twain_->GetCapOneValue(source_, c.cap, MSG_GET, value);
        break;
      case Case::kList:
        result = twain_->GetCapList(source_, c.cap, MSG_GET, list);
        break;
      case Case::kSet:
        result = twain_->GetCapSet(source_, c.cap, MSG_GET, set);
        break;
      case Case::kQuery:
        result = twain_->QueryCap(source_, c.cap, MSG_GET);
        break;
    }
    EXPECT_EQ(result, c.result);
    const auto trace = Trace();
    ASSERT_EQ(trace.size(), 1 + c.custom_lines.size());
    EXPECT_EQ(trace[0].substr(0, 4), "#[0]");
    EXPECT_EQ(std::vector<std::string>(trace.begin() + 1, trace.end()), c.custom_lines);
    const std::string what = c.what;
    if (what == "one value") {
      EXPECT_EQ(value, TwainValue::UInt16(2));
    }
    if (what == "a set") {
      EXPECT_EQ(set, std::bitset<256>(0b111));
    }
    if (what == "a set beyond 255") {
      EXPECT_EQ(set, std::bitset<256>(0b1));
    }
    if (what == "an empty set") {
      EXPECT_TRUE(set.none());
    }
    if (result != 0) {
      EXPECT_TRUE(list.empty());
    }
    twain_.reset();  // containers freed: the sanitizer build reports any leak
  }
}

TEST_F(TTwain2Test, ListsFromEveryContainer) {
  Open(
      "source S\n"
      "cap ICAP_XRESOLUTION array 100,150.5,300\n"
      "cap ICAP_YRESOLUTION enum 100,200 current=200\n"
      "cap ICAP_PIXELTYPE one 1\n"
      "cap CAP_AUTHOR one \"Jan Novak\" bad=nonul\n"
      "cap ICAP_UNITS enum FIX32 0.5\n");
  std::vector<TwainValue> list;
  ASSERT_EQ(twain_->GetCapList(source_, ICAP_XRESOLUTION, MSG_GET, list), 0);
  EXPECT_EQ(list, (std::vector<TwainValue>{TwainValue::Real(100), TwainValue::Real(150.5),
                                           TwainValue::Real(300)}));
  ASSERT_EQ(twain_->GetCapList(source_, ICAP_YRESOLUTION, MSG_GET, list), 0);
  EXPECT_EQ(list, (std::vector<TwainValue>{TwainValue::Int16(100), TwainValue::UInt32(200)}));
  ASSERT_EQ(twain_->GetCapList(source_, ICAP_PIXELTYPE, MSG_GET, list), 0);
  EXPECT_EQ(list, (std::vector<TwainValue>{TwainValue::UInt8(1)}));
  // Text without NUL: read up to the end of its field, never beyond.
  TwainValue author;
  ASSERT_EQ(twain_->GetCapOneValue(source_, CAP_AUTHOR, MSG_GET, author), 0);
  EXPECT_EQ(author.TextValue(), "Jan Novak" + std::string(130 - 9, 'X'));
  std::bitset<256> set;
  EXPECT_EQ(twain_->GetCapSet(source_, ICAP_UNITS, MSG_GET, set), Custom(CE_UNEXPECTED_TYPE));
}

TEST_F(TTwain2Test, SetsOfNonIntegersAreRefused) {
  Open("source S\ncap ICAP_XRESOLUTION enum 100,200\n");
  // An item type check comes first: ICAP_XRESOLUTION is FIX32, so its values are reals.
  std::bitset<256> set;
  EXPECT_EQ(twain_->GetCapSet(source_, ICAP_XRESOLUTION, MSG_GET, set),
            Custom(CE_NOT_ORDINAL_VALUE));
  EXPECT_EQ(Trace().back(), "Custom error returned: NOT_ORDINAL_VALUE");
}

TEST_F(TTwain2Test, SetCapOneValueRefusesWhatCannotBeSent) {
  Open("source S\ncap CAP_TIMEDATE one \"x\"\ncap ICAP_XRESOLUTION one 0\n");
  struct Case {
    TW_UINT16 cap;
    TwainValue value;
    std::int32_t result;
    const char* line;
  };
  const Case cases[] = {
      {0x8001, TwainValue::UInt16(1), Custom(CE_UNIMPLEMENTED),
       "Custom error returned: UNIMPLEMENTED"},
      {CAP_TIMEDATE, TwainValue::Text(std::string(33, 'a')), Custom(CE_STRING_TOO_LONG),
       "Custom error returned: STRING_TOO_LONG"},
      {ICAP_XRESOLUTION, TwainValue::Text("200"), Custom(CE_UNEXPECTED_TYPE),
       "Custom error returned: UNEXPECTED_TYPE"},
      {ICAP_XRESOLUTION, TwainValue::Real(40000), Custom(CE_UNEXPECTED_TYPE),
       "Custom error returned: UNEXPECTED_TYPE"},
  };
  for (const Case& c : cases) {
    Mark();
    EXPECT_EQ(twain_->SetCapOneValue(source_, c.cap, c.value), c.result);
    EXPECT_EQ(Trace(), std::vector<std::string>{c.line});
    EXPECT_TRUE(CapabilityCalls().empty()) << "nothing is sent";
  }
  Mark();
  EXPECT_EQ(twain_->SetCapOneValue(source_, CAP_TIMEDATE, TwainValue::Text(std::string(32, 'a'))),
            0);
  EXPECT_EQ(twain_->SetupFileTransfer(source_, std::string(256, 'f'), TWFF_BMP),
            Custom(CE_STRING_TOO_LONG));
  EXPECT_EQ(twain_->SetupFileTransfer(source_, std::string(255, 'f'), TWFF_BMP), 0);
  EXPECT_EQ(twain_->SourceCall(nullptr, DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr), -TWCC_NODS);
}

TEST_F(TTwain2Test, Fix32ValuesAreRoundedAsTheStandardDefinesThem) {
  Open("source S\ncap ICAP_XRESOLUTION one 0\n");
  struct Case {
    double sent;
    TW_INT16 whole;
    TW_UINT16 frac;
    const char* shown;
  };
  const Case cases[] = {{200, 200, 0, "200"},
                        {150.5, 150, 32768, "150.5"},
                        {8.27, 8, 17695, "8.270004272"},
                        {11.69, 11, 45220, "11.69000244"},
                        {-1.5, -2, 32768, "-1.5"},
                        {199.99, 199, 64881, "199.9900055"},
                        {0.9999999, 1, 0, "1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sent);
    Mark();
    ASSERT_EQ(twain_->SetCapOneValue(source_, ICAP_XRESOLUTION, TwainValue::Real(c.sent)), 0);
    EXPECT_EQ(Trace(),
              std::vector<std::string>{std::string("#[0]>src 1/CAPABILITY/SET XRESOLUTION ") +
                                       c.shown + " => SUCCESS"});
    TwainValue back;
    ASSERT_EQ(twain_->GetCapOneValue(source_, ICAP_XRESOLUTION, MSG_GETCURRENT, back), 0);
    EXPECT_EQ(back, TwainValue::Real(c.whole + c.frac / 65536.0));
  }
  TW_FIX32 fix{8, 17695};
  EXPECT_EQ(twain_->ItemToValue(TWTY_FIX32, BlockView(&fix, sizeof(fix))),
            TwainValue::Real(8.270004272460938));
}

TEST_F(TTwain2Test, SetCapVerified) {
  struct Case {
    const char* what;
    const char* cap_line;
    TwainValue value;
    std::int32_t result;
    std::vector<std::string> calls;  // MSG of each capability call, in order
  };
  const std::string get = "0x0002";  // MSG_GETCURRENT
  const std::string set = "0x0006";  // MSG_SET
  const Case cases[] = {
      {"already so", "cap ICAP_UNITS enum 0,1 current=0", TwainValue::UInt16(0), 0, {get}},
      {"taken", "cap ICAP_UNITS enum 0,1 current=1", TwainValue::UInt16(0), 0, {get, set, get}},
      {"refused, reads back different",
       "cap ICAP_UNITS enum 0,1 current=1 set=refuse:BADVALUE",
       TwainValue::UInt16(0),
       -10,
       {get, set, get}},
      {"refused, reads back equal",
       "cap ICAP_UNITS enum 0,1 current=1 set=applyfail:BADVALUE",
       TwainValue::UInt16(0),
       0,
       {get, set, get}},
      {"FIX32 cannot carry 199.99",
       "cap ICAP_XRESOLUTION range 75..600 current=200",
       TwainValue::Real(199.99),
       Custom(CE_CHECK_FAILED),
       {get, set, get}},
      {"reads back another value",
       "cap ICAP_UNITS enum 0,1 current=1 set=readback:1",
       TwainValue::UInt16(0),
       Custom(CE_CHECK_FAILED),
       {get, set, get}},
      {"ignored",
       "cap ICAP_UNITS enum 0,1 current=1 set=ignore",
       TwainValue::UInt16(0),
       Custom(CE_CHECK_FAILED),
       {get, set, get}},
      {"cannot be read back",
       "cap ICAP_UNITS enum 0,1 current=1 get=refuse:BUMMER",
       TwainValue::UInt16(0),
       Custom(CE_CANNOT_CHECK),
       {get, set, get}},
      {"reads back in another container",
       "cap ICAP_UNITS one 1 bad=contype:4",
       TwainValue::UInt16(0),
       Custom(CE_CHECK_FAILED),
       {get, set, get}},
      {"boolean",
       "cap CAP_FEEDERENABLED enum FALSE,TRUE",
       TwainValue::Bool(true),
       0,
       {get, set, get}},
      {"boolean refused",
       "cap CAP_FEEDERENABLED enum TRUE",
       TwainValue::Bool(false),
       -10,
       {get, set, get}},
      {"unsupported", "cap ICAP_UNITS enum 0", TwainValue::Bool(false), -13, {get, set, get}},
      {"signed -2",
       "cap ICAP_AUTODISCARDBLANKPAGES enum -2,-1 current=-1",
       TwainValue::Int32(TWBP_DISABLE),
       0,
       {get, set, get}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(std::string("source S\n") + c.cap_line + "\n");
    const TW_UINT16 cap =
        std::string(c.cap_line).find("XRESOLUTION") != std::string::npos ? ICAP_XRESOLUTION
        : std::string(c.cap_line).find("FEEDER") != std::string::npos    ? CAP_FEEDERENABLED
        : std::string(c.cap_line).find("AUTODISCARD") != std::string::npos
            ? ICAP_AUTODISCARDBLANKPAGES
        : std::string(c.what) == "unsupported" ? CAP_DUPLEX
                                               : ICAP_UNITS;
    EXPECT_EQ(twain_->SetCapVerified(source_, cap, c.value), c.result);
    std::vector<std::string> calls;
    for (const std::string& line : CapabilityCalls()) calls.push_back(line.substr(14, 6));
    EXPECT_EQ(calls, c.calls);
    if (c.result <= Custom(CE_UNIMPLEMENTED) && c.result >= Custom(CE_UNIT_INCONSISTENCY)) {
      EXPECT_EQ(Trace().back().rfind("Custom error returned: ", 0), 0u);
    }
    twain_.reset();
  }
}

TEST_F(TTwain2Test, GarbageIdentitiesAreTracedWithinTheirFields) {
  scanner_.SetScript("source Nameless\nhostile identity-nonul\n");
  twain_ = std::make_unique<TTwain2>(&toolkit_);
  twain_->set_library_path(kVirtualScannerPath);
  twain_->set_trace_file(log_.get());
  ASSERT_TRUE(twain_->SetSourceManagerLoaded(true));
  ASSERT_EQ(twain_->SourceCount(), 1);
  const auto trace = Trace();
  ASSERT_EQ(trace.size(), 3u);  // OPENDSM, GETFIRST, GETNEXT
  EXPECT_NE(trace[1].find("ProductName:\"Nameless" + std::string(26, '*') + "\"}"),
            std::string::npos)
      << trace[1];
}

TEST_F(TTwain2Test, SourceByIndex) {
  Open("source A\nsource B\n");
  EXPECT_EQ(twain_->SourceByIndex(1), twain_->Source(1));
  EXPECT_EQ(twain_->SourceByIndex(2), nullptr);
  EXPECT_EQ(twain_->SourceByIndex(-2), nullptr);
  Mark();
  EXPECT_EQ(twain_->SourceByIndex(-1), twain_->Source(0));
  const auto trace = Trace();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].rfind("#[0]>nil 1/IDENTITY/GETDEFAULT => SUCCESS {Id:1, ", 0), 0u);

  TTwain2 empty(&toolkit_);
  EXPECT_EQ(empty.SourceByIndex(0), nullptr);
  EXPECT_EQ(empty.SourceByIndex(-1), nullptr);
}

TEST_F(TTwain2Test, SetTransferMechanismSwitchesTheSourcesTransferMode) {
  Open("source S\nnative refuse\n");
  EXPECT_EQ(twain_->SetTransferMechanism(source_, TWSX_NATIVE), -10);
  EXPECT_EQ(source_->transfer_mode(), platform::TransferMode::kNative);  // whatever the result
  EXPECT_EQ(twain_->SetTransferMechanism(source_, TWSX_FILE), 0);
  EXPECT_EQ(source_->transfer_mode(), platform::TransferMode::kFile);
  EXPECT_EQ(Trace(), (std::vector<std::string>{
                         "#[0]>src 1/CAPABILITY/SET XFERMECH NATIVE => FAILURE:BADVALUE",
                         "#[0]>src 1/CAPABILITY/SET XFERMECH FILE => SUCCESS"}));
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
std::uint16_t ControlWord() {
  std::uint16_t word = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
}

TEST_F(TTwain2Test, CallsRunWithTheFixedControlWordWhichIsRestoredAfterwards) {
  Open("dsm fpu 0x0C7F\nsource S\ncap ICAP_UNITS enum 0\n");
  const std::uint16_t before = ControlWord();
  ASSERT_NE(before, 0x0C7F);
  EXPECT_EQ(twain_->QueryCap(source_, ICAP_UNITS, MSG_GET), 0);
  EXPECT_EQ(scanner_.LastControlWord(), 0x027Fu);
  EXPECT_EQ(ControlWord(), before);
}
#endif

TEST_F(TTwain2Test, AWholeSessionWithItsEventsInOrder) {
  scanner_.SetScript(
      "dsm signal callbacks\n"
      "source Feeder\n"
      "cap CAP_FEEDERENABLED enum FALSE,TRUE\n"
      "feeder 2\n"
      "image gray 16x16\n");
  struct Forwarder : platform::ToolkitEvents {
    void Click(platform::ControlId) override {}
    void FocusLeft(platform::ControlId) override {}
    void Message(unsigned message) override { platform::HandleTwainMessage(message); }
  } forwarder;
#ifdef _WIN32
  // A Windows program passes messages: the source posts to the program's window when the pages
  // are ready, and the window's loop runs that message through the filter.
  testing_twain::ParentWindow window;
  ASSERT_NE(window.get(), nullptr);
  testing_twain::WindowedToolkit toolkit(window.get());
  const std::string parent = std::to_string(reinterpret_cast<std::uintptr_t>(window.get()));
#else
  fakes::FakeToolkit& toolkit = toolkit_;
  const std::string parent = "0";
#endif
  toolkit.SetEvents(&forwarder);
  twain_ = std::make_unique<TTwain2>(&toolkit);
  twain_->set_library_path(kVirtualScannerPath);
  twain_->set_trace_file(log_.get());
  std::vector<std::string> events;
  twain_->OnTwainAcquire = [&](platform::TwainComponent&, int index,
                               std::span<const std::uint8_t> dib, bool&) {
    events.push_back("acquire " + std::to_string(index) + " " + std::to_string(dib.size()));
    log_->Append("page\r\n");
  };
  twain_->OnSourceDisable = [&](platform::TwainComponent& sender, int index) {
    events.push_back("disable " + std::to_string(index));
    log_->Append("disabled\r\n");
    static_cast<TTwain2&>(sender).SourceByIndex(index)->UnloadSource();
  };

  ASSERT_TRUE(twain_->SetSourceManagerLoaded(true));
  ASSERT_EQ(twain_->SourceCount(), 1);
  platform::TTwainSource* source = twain_->SourceByIndex(0);
  ASSERT_TRUE(source->LoadSource());
  ASSERT_EQ(twain_->SetTransferMechanism(source, TWSX_NATIVE), 0);
  ASSERT_EQ(twain_->SetCapVerified(source, CAP_FEEDERENABLED, TwainValue::Bool(true)), 0);
  ASSERT_TRUE(source->EnableSource(false, false));
  EXPECT_TRUE(events.empty());
#ifdef _WIN32
  EXPECT_EQ(window.Pump([](MSG* message) { return platform::TwainMessageFilter(message); }), 1);
#endif
  toolkit.RunPostedMessages();
  EXPECT_EQ(events, (std::vector<std::string>{"acquire 0 1320", "acquire 0 1320", "disable 0"}));
  EXPECT_FALSE(source->loaded());

  std::vector<std::string> trace = Trace();
  for (std::string& line : trace) {
    // The identity and the handle are long; their start is enough here.
    const auto brace = line.find(" {Id:");
    if (brace != std::string::npos) line = line.substr(0, brace) + " {Id:...}";
    const auto handle = line.find(" (");
    if (handle != std::string::npos) line = line.substr(0, handle) + " (handle)";
  }
  const std::vector<std::string> expected{
      "#[0]>nil 1/PARENT/OPENDSM => SUCCESS (handle)",
      "#[0]>nil 1/IDENTITY/GETFIRST => SUCCESS {Id:...}",
      "#[0]>nil 1/IDENTITY/GETNEXT => ENDOFLIST {Id:...}",
      "#[0]>nil 1/IDENTITY/OPENDS => SUCCESS {Id:...}",
#ifndef _WIN32
      // The callback is registered only where the source manager calls back.
      "#[0]>src 1/DAT_?\?\?(16=$0010)/MSG_?\?\?(2306=$0902) => SUCCESS {unknown structure}",
#endif
      "#[0]>src 1/CAPABILITY/SET XFERMECH NATIVE => SUCCESS",
      "#[0]>src 1/CAPABILITY/GETCURRENT FEEDERENABLED => SUCCESS FALSE",
      "#[0]>src 1/CAPABILITY/SET FEEDERENABLED TRUE => SUCCESS",
      "#[0]>src 1/CAPABILITY/GETCURRENT FEEDERENABLED => SUCCESS TRUE",
      "#[0]>src 1/USERINTERFACE/ENABLEDS => SUCCESS {ShowUI:FALSE, ModalUI:FALSE, hParent:" +
          parent + "}",
#ifdef _WIN32
      "#[0]>src 1/EVENT/PROCESSEVENT => DSEVENT XFERREADY",  // the message the source posted
#endif
      "#[0]>src 2/IMAGENATIVEXFER/GET => XFERDONE (handle)",
      "page",
      "#[0]>src 1/PENDINGXFERS/ENDXFER => SUCCESS {Count:1, EOJ:0}",
      "#[0]>src 2/IMAGENATIVEXFER/GET => XFERDONE (handle)",
      "page",
      "#[0]>src 1/PENDINGXFERS/ENDXFER => SUCCESS {Count:0, EOJ:0}",
      "#[0]>src 1/USERINTERFACE/DISABLEDS => SUCCESS {ShowUI:FALSE, ModalUI:FALSE, hParent:" +
          parent + "}",
      "disabled",
      "#[0]>nil 1/IDENTITY/CLOSEDS => SUCCESS {Id:...}",
  };
  EXPECT_EQ(trace, expected);
  twain_.reset();  // before the toolkit it uses
}

TEST(TwainValue, EqualityFollowsNumbersTruthAndText) {
  TW_FRAME frame{};
  struct Case {
    TwainValue a;
    TwainValue b;
    bool equal;
  };
  const Case cases[] = {
      {TwainValue::Int8(1), TwainValue::UInt16(1), true},
      {TwainValue::Real(200.0), TwainValue::Int32(200), true},
      {TwainValue::Real(199.99), TwainValue::Real(199.99000549316406), false},
      {TwainValue::UInt32(0xFFFFFFFF), TwainValue::Int32(-1), false},
      {TwainValue::Bool(true), TwainValue::Bool(true), true},
      {TwainValue::Bool(false), TwainValue::Bool(true), false},
      {TwainValue::Bool(true), TwainValue::Int16(-1), false},
      {TwainValue::Bool(false), TwainValue::UInt16(0), false},
      {TwainValue::Text("A4"), TwainValue::Text("A4"), true},
      {TwainValue::Text("1"), TwainValue::Int8(1), false},
      {TwainValue::Frame(frame), TwainValue::Frame(frame), false},
      {TwainValue(), TwainValue(), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal)
        << static_cast<int>(c.a.kind()) << " " << static_cast<int>(c.b.kind());
    EXPECT_EQ(c.b == c.a, c.equal);
  }
  EXPECT_TRUE(TwainValue::Bool(true).IsOrdinal());
  EXPECT_EQ(TwainValue::Bool(true).Ordinal(), -1);
  EXPECT_FALSE(TwainValue::Real(1).IsOrdinal());
  EXPECT_FALSE(TwainValue::Text("1").IsOrdinal());
}

TEST(CopyToTwStr, CopiesAtMostTheFieldsLimitAndANul) {
  struct Case {
    TW_UINT16 type;
    std::size_t length;
    bool fits;
    std::size_t copied;
  };
  const Case cases[] = {{TWTY_STR32, 32, true, 32},    {TWTY_STR32, 33, false, 32},
                        {TWTY_STR64, 64, true, 64},    {TWTY_STR128, 129, false, 128},
                        {TWTY_STR255, 255, true, 255}, {TWTY_STR255, 300, false, 255},
                        {TWTY_UINT16, 1, false, 0},    {TWTY_UINT16, 0, true, 0}};
  for (const Case& c : cases) {
    char field[257];
    std::memset(field, '#', sizeof(field));
    EXPECT_EQ(CopyToTwStr(std::string(c.length, 'a'), field, c.type), c.fits);
    const std::size_t copied = strnlen(field, sizeof(field));
    EXPECT_EQ(copied, c.copied);
    EXPECT_EQ(field[copied + 1], '#');  // nothing written after the NUL
  }
}

TEST(ItemToValue, ReadsEachItemTypeAndFlagsTheOthers) {
  TTwain2 twain(nullptr);
  const std::uint8_t bytes[] = {0xFE, 0xFF, 0xFF, 0xFF, 'A', 'B', 0, 'C'};
  const BlockView item(bytes, sizeof(bytes));
  EXPECT_EQ(twain.ItemToValue(TWTY_INT8, item), TwainValue::Int8(-2));
  EXPECT_EQ(twain.ItemToValue(TWTY_INT16, item), TwainValue::Int16(-2));
  EXPECT_EQ(twain.ItemToValue(TWTY_INT32, item), TwainValue::Int32(-2));
  EXPECT_EQ(twain.ItemToValue(TWTY_UINT16, item), TwainValue::UInt16(0xFFFE));
  EXPECT_EQ(twain.ItemToValue(TWTY_UINT32, item), TwainValue::UInt32(0xFFFFFFFE));
  EXPECT_EQ(twain.ItemToValue(TWTY_BOOL, item), TwainValue::Bool(true));
  EXPECT_EQ(twain.ItemToValue(TWTY_STR32, item.From(4)).TextValue(), "AB");
  EXPECT_EQ(twain.ItemToValue(TWTY_STR32, item.From(7)).TextValue(), "C");  // ends with the view
  EXPECT_TRUE(twain.ItemToValue(TWTY_STR1024, item).empty());
  EXPECT_TRUE(twain.ItemToValue(99, item).empty());
  EXPECT_EQ(twain.ItemsToValues(TWTY_UINT8, 3, item.Slice(0, 2)).size(), 2u);
  EXPECT_TRUE(twain.ItemsToValues(99, 1000000000, item).empty());
}

}  // namespace
}  // namespace scan
