#include "platform/twain/TwainComponent.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "tests/fakes/FakeToolkit.h"
#include "tests/platform/twain/VirtualScannerControl.h"

namespace platform {
namespace {

using namespace twain;
using testing_twain::kVirtualScannerPath;
using testing_twain::Triplet;
using testing_twain::VirtualScannerControl;

TEST(SourceManagerLibrary, WindowsSearchOrder) {
  SourceManagerFolders folders{"C:\\WINDOWS", "C:\\WINDOWS\\system32", "D:\\work\\", "", "T:\\tmp"};
  EXPECT_EQ(
      WindowsSourceManagerCandidates(folders, false),
      (std::vector<std::string>{"C:\\WINDOWS\\TWAIN_32.DLL", "C:\\WINDOWS\\system32\\TWAIN_32.DLL",
                                "D:\\work\\TWAIN_32.DLL", "T:\\tmp\\TWAIN_32.DLL"}));
  const auto wide = WindowsSourceManagerCandidates(folders, true);
  ASSERT_EQ(wide.size(), 8u);
  EXPECT_EQ(wide[0], "C:\\WINDOWS\\TWAINDSM.DLL");
  EXPECT_EQ(wide[3], "T:\\tmp\\TWAINDSM.DLL");
  EXPECT_EQ(wide[4], "C:\\WINDOWS\\TWAIN_32.DLL");
}

TEST(SourceManagerLibrary, LoadsAnInjectedLibraryWithDsmEntryOnly) {
  SourceManagerLibrary library;
  EXPECT_FALSE(library.Load("/nonexistent/libtwaindsm.so"));
  EXPECT_FALSE(library.Load("libm.so.6"));  // loads, but has no DSM_Entry
  EXPECT_FALSE(library.loaded());
  ASSERT_TRUE(library.Load(kVirtualScannerPath));
  EXPECT_NE(library.entry(), nullptr);
  EXPECT_EQ(library.path(), kVirtualScannerPath);
  library.Unload();
  EXPECT_FALSE(library.loaded());
}

TEST(SourceManagerLibrary, TheEnvironmentMayNameTheLibrary) {
  ASSERT_EQ(testing_twain::SetEnv("PRELAVKA_TWAIN_LIBRARY", kVirtualScannerPath), 0);
  SourceManagerLibrary library;
  EXPECT_TRUE(library.Load(""));
  EXPECT_EQ(library.path(), kVirtualScannerPath);
  library.Unload();
  EXPECT_FALSE(library.Load("/nonexistent/libtwaindsm.so"));  // an injected path comes first
  testing_twain::UnsetEnv("PRELAVKA_TWAIN_LIBRARY");
}

// Hands posted messages to the TWAIN components, as the controller does with those it does not
// know.
class Forwarder : public ToolkitEvents {
 public:
  void Click(ControlId) override {}
  void FocusLeft(ControlId) override {}
  void Message(unsigned message) override { HandleTwainMessage(message); }
};

// A delivered DIB as text: its size, its top-left pixel and whether the page number's black
// digits are there (grey 0, or red 0 in colour; the background is never 0 there).
std::string DescribeDib(std::span<const std::uint8_t> dib) {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bits = 0;
  std::uint32_t colours = 0;
  std::memcpy(&width, dib.data() + 4, 4);
  std::memcpy(&height, dib.data() + 8, 4);
  std::memcpy(&bits, dib.data() + 14, 2);
  std::memcpy(&colours, dib.data() + 32, 4);
  const std::size_t row = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  const std::uint8_t* pixels = dib.data() + 40 + colours * 4;
  const std::size_t last_channel = bits / 8 - 1;
  auto pixel = [&](int x, int y) {
    return pixels + static_cast<std::size_t>(height - 1 - y) * row +
           static_cast<std::size_t>(x) * (bits / 8);
  };
  bool digits = false;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) digits = digits || pixel(x, y)[last_channel] == 0;
  }
  return std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(bits) +
         " corner=" + std::to_string(pixel(0, 0)[0]) + (digits ? " digits" : " blank");
}

class TwainComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scanner_.loaded()) << kVirtualScannerPath;
    toolkit_.SetEvents(&forwarder_);
  }
  void TearDown() override { component_.reset(); }

  // Opens the source manager over the script and wires every event into events_. The component
  // works with `toolkit`, or with toolkit_ when none is given.
  bool Open(const std::string& script, Toolkit* toolkit = nullptr) {
    scanner_.SetScript(script);
    component_ = std::make_unique<TwainComponent>(toolkit != nullptr ? toolkit : &toolkit_);
    component_->set_library_path(kVirtualScannerPath);
    TwainComponent& c = *component_;
    c.OnTwainAcquire = [this](TwainComponent&, int index, std::span<const std::uint8_t> dib,
                              bool& cancel) {
      events_.push_back("acquire " + std::to_string(index) + " " + DescribeDib(dib));
      cancel = ++acquired_ == cancel_after_;
    };
    c.OnSourceDisable = [this](TwainComponent&, int index) {
      events_.push_back("disable " + std::to_string(index));
      if (unload_on_disable_) component_->Source(index)->UnloadSource();
    };
    c.OnAcquireCancel = [this](TwainComponent&, int index) {
      events_.push_back("cancel " + std::to_string(index));
    };
    c.OnAcquireError = [this](TwainComponent&, int index, const AcquireError& error) {
      events_.push_back("error " + std::to_string(index) + " kind " +
                        std::to_string(static_cast<int>(error.kind)) + " result " +
                        std::to_string(error.result));
    };
    c.OnSourceSetupFileXfer = [this](TwainComponent&, int index) {
      events_.push_back("setup " + std::to_string(index));
    };
    c.OnSourceFileTransfer = [this](TwainComponent&, int index, const std::string& name,
                                    TW_UINT16 format, bool&) {
      events_.push_back("file " + std::to_string(index) + " " + name + " " +
                        std::to_string(format));
    };
    return c.SetSourceManagerLoaded(true);
  }

  // Opens and enables source `index` with native transfer.
  TTwainSource* Enable(int index = 0, TransferMode mode = TransferMode::kNative) {
    TTwainSource* source = component_->Source(index);
    if (source == nullptr || !source->LoadSource()) return nullptr;
    source->set_transfer_mode(mode);
    return source->EnableSource(false, false) ? source : nullptr;
  }

  // Delivers window messages until the source is no longer enabled (at most 10).
  void PumpMessages() {
    int dummy_message = 0;
    for (int i = 0; i < 10 && component_->AnySourceEnabled(); ++i) {
      component_->ProcessNativeMessage(&dummy_message);
    }
  }

  bool Recorded(const std::string& line) const {
    const auto lines = scanner_.RecordLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  int CountRecorded(const std::string& line) const {
    const auto lines = scanner_.RecordLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }

  fakes::FakeToolkit toolkit_;
  Forwarder forwarder_;
  VirtualScannerControl scanner_;
  std::unique_ptr<TwainComponent> component_;
  std::vector<std::string> events_;
  int acquired_ = 0;
  int cancel_after_ = -1;
  bool unload_on_disable_ = false;
};

TEST_F(TwainComponentTest, OpensTheSourceManagerAndListsItsSources) {
  ASSERT_TRUE(Open("source First\nsource Second\nsource Third\n"));
  EXPECT_TRUE(component_->LibraryLoaded());
  EXPECT_TRUE(component_->SourceManagerLoaded());
  EXPECT_NE(component_->Info().Id, 0u);
  ASSERT_EQ(component_->SourceCount(), 3);
  EXPECT_STREQ(component_->Source(1)->identity().ProductName, "Second");
  EXPECT_EQ(component_->Source(2)->index(), 2);
  EXPECT_EQ(component_->Source(3), nullptr);
  EXPECT_EQ(component_->Source(-1), nullptr);
  // Listed once: a second count asks nothing.
  scanner_.ClearRecord();
  EXPECT_EQ(component_->SourceCount(), 3);
  EXPECT_EQ(scanner_.Record(), "");
  EXPECT_EQ(component_->Source(0)->transfer_mode(), TransferMode::kMemory);
}

TEST_F(TwainComponentTest, ReportsASourceManagerThatDoesNotOpen) {
  EXPECT_FALSE(Open("dsm opendsm fail BUMMER\nsource One\n"));
  EXPECT_TRUE(component_->LibraryLoaded());
  EXPECT_FALSE(component_->SourceManagerLoaded());
  EXPECT_EQ(component_->SourceCount(), 0);

  TwainComponent missing(&toolkit_);
  missing.set_library_path("/nonexistent/libtwaindsm.so");
  EXPECT_FALSE(missing.SetLibraryLoaded(true));
  EXPECT_FALSE(missing.SetSourceManagerLoaded(true));
  EXPECT_EQ(missing.SourceCount(), 0);
}

TEST_F(TwainComponentTest, TheScriptMayComeFromAFileAndTheRecordGoToOne) {
  const auto folder = std::filesystem::temp_directory_path();
  const std::string script = (folder / "twain_component_script.txt").string();
  const std::string record = (folder / "twain_component_record.txt").string();
  std::filesystem::remove(record);
  std::ofstream(script) << "source From File\n";
  ASSERT_EQ(testing_twain::SetEnv("PRELAVKA_VIRTUAL_SCANNER_SCRIPT", script.c_str()), 0);
  ASSERT_EQ(testing_twain::SetEnv("PRELAVKA_VIRTUAL_SCANNER_LOG", record.c_str()), 0);
  scanner_.UseScriptFile();
  component_ = std::make_unique<TwainComponent>(&toolkit_);
  component_->set_library_path(kVirtualScannerPath);
  ASSERT_TRUE(component_->SetSourceManagerLoaded(true));
  ASSERT_EQ(component_->SourceCount(), 1);
  EXPECT_STREQ(component_->Source(0)->identity().ProductName, "From File");
  component_.reset();
  std::string first;
  std::getline(std::ifstream(record), first);  // closed at once: Windows removes no open file
  EXPECT_EQ(first, Triplet("dsm", DG_CONTROL, DAT_PARENT, MSG_OPENDSM));

  // A script with an error: the source manager does not open, and the record says why.
  std::ofstream(script) << "source S\nimage grey 10x10\n";
  scanner_.UseScriptFile();
  component_ = std::make_unique<TwainComponent>(&toolkit_);
  component_->set_library_path(kVirtualScannerPath);
  EXPECT_FALSE(component_->SetSourceManagerLoaded(true));
  EXPECT_NE(scanner_.Record().find("script error: line 2: \"image gray|rgb <width>x<height>\""),
            std::string::npos)
      << scanner_.Record();
  testing_twain::UnsetEnv("PRELAVKA_VIRTUAL_SCANNER_SCRIPT");
  testing_twain::UnsetEnv("PRELAVKA_VIRTUAL_SCANNER_LOG");
  std::filesystem::remove(script);
  std::filesystem::remove(record);
}

TEST_F(TwainComponentTest, SelectSourceThroughTheSourceManagersDialog) {
  struct Case {
    const char* script;
    int chosen;
  };
  const Case cases[] = {{"dsm select 1\nsource A\nsource B\n", 1},
                        {"dsm select cancel\nsource A\nsource B\n", -1},
                        {"dsm select fail BUMMER\nsource A\nsource B\n", -1},
                        {"dsm select 5\nsource A\nsource B\n", -1}};
  for (const Case& c : cases) {
    ASSERT_TRUE(Open(c.script));
    component_->set_select_dialog(TwainComponent::SelectDialog::kSourceManager);
    EXPECT_EQ(component_->SelectSource(), c.chosen) << c.script;
    EXPECT_TRUE(Recorded(Triplet("dsm", DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT)));
    component_.reset();
  }
}

TEST_F(TwainComponentTest, SelectSourceFromTheToolkitsList) {
  ASSERT_TRUE(Open("source A\nsource B\nsource C\n"));
  component_->set_select_dialog(TwainComponent::SelectDialog::kToolkitList);
  toolkit_.AnswerChooseFromList(2);
  toolkit_.AnswerChooseFromList(std::nullopt);
  EXPECT_EQ(component_->SelectSource(), 2);
  EXPECT_EQ(component_->SelectSource(), -1);
  ASSERT_EQ(toolkit_.dialogs().size(), 2u);
  EXPECT_TRUE(toolkit_.UnexpectedDialogs().empty());
  EXPECT_FALSE(Recorded(Triplet("dsm", DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT)));
}

TEST_F(TwainComponentTest, NativeTransferThroughWindowMessages) {
  ASSERT_TRUE(Open("source Flatbed\npages 2\nimage gray 40x60\n"));
  ASSERT_EQ(component_->SourceCount(), 1);
  EXPECT_FALSE(component_->UsesCallbacks());
  TTwainSource* source = Enable();
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(events_.empty());  // nothing happens before the messages are passed on
  int message = 0;
  EXPECT_TRUE(TwainMessageFilter(&message));
  EXPECT_EQ(events_,
            (std::vector<std::string>{"acquire 0 40x60x8 corner=128 digits",
                                      "acquire 0 40x60x8 corner=128 digits", "disable 0"}));
  EXPECT_FALSE(source->enabled());
  EXPECT_TRUE(source->loaded());
  EXPECT_FALSE(TwainMessageFilter(&message));  // no source enabled: not the sources' message
  EXPECT_EQ(CountRecorded(Triplet("src1", DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET)), 2);
  EXPECT_EQ(CountRecorded(Triplet("src1", DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER)), 2);
  EXPECT_TRUE(Recorded(Triplet("src1", DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS)));
  EXPECT_TRUE(source->UnloadSource());
  EXPECT_FALSE(source->loaded());
}

#ifndef _WIN32
TEST_F(TwainComponentTest, NativeTransferThroughCallbacksPostedToTheWindow) {
  ASSERT_TRUE(Open("dsm signal callbacks\nsource Feeder\npages 3\nimage rgb 30x20\n"));
  EXPECT_TRUE(component_->UsesCallbacks());
  EXPECT_NE(component_->Info().SupportedGroups & DF_DSM2, 0u);
  ASSERT_EQ(component_->SourceCount(), 1);
  ASSERT_NE(Enable(), nullptr);
  EXPECT_TRUE(Recorded(Triplet("src1", DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK)));
  // The callback only posted the notice; the events come when the window handles it.
  EXPECT_TRUE(events_.empty());
  ASSERT_EQ(toolkit_.posted().size(), 1u);
  EXPECT_EQ(toolkit_.posted().front(), kTwainNoticeMessage);
  toolkit_.RunPostedMessages();
  EXPECT_EQ(events_, (std::vector<std::string>{"acquire 0 30x20x24 corner=0 digits",
                                               "acquire 0 30x20x24 corner=0 digits",
                                               "acquire 0 30x20x24 corner=0 digits", "disable 0"}));
  EXPECT_FALSE(component_->HandleMessage(kTwainNoticeMessage - 1));
}
#else
// A Windows program does not announce TWAIN 2, so the source manager passes messages even when
// it could call back. The source posts to the parent window when the pages are ready; the
// window's loop hands that message to the filter, and the transfers follow.
TEST_F(TwainComponentTest, NativeTransferThroughAMessagePostedToTheParentWindow) {
  testing_twain::ParentWindow window;
  ASSERT_NE(window.get(), nullptr);
  testing_twain::WindowedToolkit toolkit(window.get());
  ASSERT_TRUE(Open("dsm signal callbacks\nsource Feeder\npages 3\nimage rgb 30x20\n", &toolkit));
  EXPECT_FALSE(component_->UsesCallbacks());
  EXPECT_EQ(component_->Info().SupportedGroups & DF_DSM2, 0u);
  ASSERT_EQ(component_->SourceCount(), 1);
  ASSERT_NE(Enable(), nullptr);
  EXPECT_FALSE(Recorded(Triplet("src1", DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK)));
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(window.Pump([](MSG* message) { return TwainMessageFilter(message); }), 1);
  EXPECT_EQ(events_, (std::vector<std::string>{"acquire 0 30x20x24 corner=0 digits",
                                               "acquire 0 30x20x24 corner=0 digits",
                                               "acquire 0 30x20x24 corner=0 digits", "disable 0"}));
  EXPECT_TRUE(toolkit.posted().empty());
  component_.reset();  // before the toolkit it uses
}
#endif

TEST_F(TwainComponentTest, FeederAndDuplexDecideThePageCount) {
  const char* script =
      "source Duplex\ncap CAP_FEEDERENABLED enum FALSE,TRUE current=TRUE\n"
      "cap CAP_DUPLEXENABLED enum FALSE,TRUE current=TRUE\nfeeder 2\npages 1\n"
      "image gray 10x10\npending unknown\n";
  ASSERT_TRUE(Open(script));
  ASSERT_EQ(component_->SourceCount(), 1);
  ASSERT_NE(Enable(), nullptr);
  PumpMessages();
  EXPECT_EQ(std::count_if(events_.begin(), events_.end(),
                          [](const std::string& e) { return e.rfind("acquire", 0) == 0; }),
            4);
  EXPECT_EQ(events_.back(), "disable 0");
}

TEST_F(TwainComponentTest, AFailedTransferDiscardsTheRestAndDisables) {
  ASSERT_TRUE(Open("source Jam\npages 3\nimage gray 10x10\nfail 2 PAPERJAM\n"));
  ASSERT_EQ(component_->SourceCount(), 1);
  ASSERT_NE(Enable(), nullptr);
  PumpMessages();
  EXPECT_EQ(events_, (std::vector<std::string>{"acquire 0 10x10x8 corner=128 digits",
                                               "error 0 kind 0 result 1", "disable 0"}));
  EXPECT_TRUE(Recorded(Triplet("src1", DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET)));
}

TEST_F(TwainComponentTest, CancelFromTheHandlerResetsThePendingTransfers) {
  ASSERT_TRUE(Open("source S\npages 3\nimage gray 10x10\n"));
  cancel_after_ = 1;
  ASSERT_EQ(component_->SourceCount(), 1);
  ASSERT_NE(Enable(), nullptr);
  PumpMessages();
  EXPECT_EQ(events_,
            (std::vector<std::string>{"acquire 0 10x10x8 corner=128 digits", "disable 0"}));
  EXPECT_EQ(CountRecorded(Triplet("src1", DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET)), 1);
  EXPECT_TRUE(Recorded(Triplet("src1", DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET)));
}

TEST_F(TwainComponentTest, AnErrorLeavingTheAcquireHandlerEndsTheScanCleanly) {
  ASSERT_TRUE(Open("source S\npages 3\nimage gray 10x10\n"));
  ASSERT_EQ(component_->SourceCount(), 1);
  TTwainSource* source = Enable();
  ASSERT_NE(source, nullptr);
  component_->OnTwainAcquire = [this](TwainComponent&, int, std::span<const std::uint8_t>, bool&) {
    events_.push_back("acquire");
    throw IoError("disk full");
  };
  int message = 0;
  EXPECT_THROW(component_->ProcessNativeMessage(&message), IoError);
  EXPECT_EQ(events_, (std::vector<std::string>{"acquire", "disable 0"}));
  EXPECT_FALSE(source->enabled());
  const auto lines = scanner_.RecordLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(
      std::vector<std::string>(lines.end() - 3, lines.end()),
      (std::vector<std::string>{Triplet("src1", DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER),
                                Triplet("src1", DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET),
                                Triplet("src1", DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS)}));
  // The next scan works again.
  component_->OnTwainAcquire = nullptr;
  events_.clear();
  ASSERT_TRUE(source->EnableSource(false, false));
  PumpMessages();
  EXPECT_EQ(events_, (std::vector<std::string>{"disable 0"}));
  EXPECT_EQ(CountRecorded(Triplet("src1", DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET)), 4);
}

TEST_F(TwainComponentTest, ACloseRequestCancelsAndDisables) {
  for (const std::string text :
       {"source S\nclosereq\n", "source S\npages 0\n", "source S\ncancel 1\npages 1\n"}) {
    events_.clear();
    ASSERT_TRUE(Open(text));
    ASSERT_EQ(component_->SourceCount(), 1);
    ASSERT_NE(Enable(), nullptr);
    PumpMessages();
    EXPECT_EQ(events_, (std::vector<std::string>{"cancel 0", "disable 0"})) << text;
    component_.reset();
  }
}

TEST_F(TwainComponentTest, AHandleThatIsNoImageRaisesAnErrorPerPage) {
  for (const char* mode : {"native-notdib", "native-null"}) {
    events_.clear();
    ASSERT_TRUE(Open(std::string("source S\npages 2\nhostile ") + mode + "\n"));
    ASSERT_EQ(component_->SourceCount(), 1);
    ASSERT_NE(Enable(), nullptr);
    PumpMessages();
    EXPECT_EQ(events_, (std::vector<std::string>{"error 0 kind 1 result 6",
                                                 "error 0 kind 1 result 6", "disable 0"}))
        << mode;
    component_.reset();
  }
}

TEST_F(TwainComponentTest, FileTransfer) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "twain_component_file.bmp").string();
  std::filesystem::remove(path);
  ASSERT_TRUE(Open("source S\npages 1\nimage gray 8x8\n"));
  ASSERT_EQ(component_->SourceCount(), 1);
  TTwainSource* source = component_->Source(0);
  ASSERT_TRUE(source->LoadSource());
  TW_SETUPFILEXFER setup{};
  std::strcpy(setup.FileName, path.c_str());
  setup.Format = TWFF_BMP;
  ASSERT_EQ(component_->DsmCall(&component_->Info(), &source->identity(), DG_CONTROL,
                                DAT_SETUPFILEXFER, MSG_SET, &setup),
            TWRC_SUCCESS);
  source->set_transfer_mode(TransferMode::kFile);
  ASSERT_TRUE(source->EnableSource(false, false));
  PumpMessages();
  EXPECT_EQ(events_, (std::vector<std::string>{"setup 0", "file 0 " + path + " 2", "disable 0"}));
  char magic[2] = {};
  std::ifstream(path, std::ios::binary).read(magic, 2);  // closed before the file is removed
  EXPECT_EQ(std::string(magic, 2), "BM");
  std::filesystem::remove(path);
}

TEST_F(TwainComponentTest, MemoryTransferIsReportedAsUnsupported) {
  ASSERT_TRUE(Open("source S\npages 2\n"));
  ASSERT_EQ(component_->SourceCount(), 1);
  ASSERT_NE(Enable(0, TransferMode::kMemory), nullptr);
  PumpMessages();
  EXPECT_EQ(events_, (std::vector<std::string>{"error 0 kind 2 result 1", "disable 0"}));
}

TEST_F(TwainComponentTest, UnloadingAnEnabledSourceDisablesItOnce) {
  ASSERT_TRUE(Open("source S\npages 1\n"));
  unload_on_disable_ = true;  // as the program's handler does
  ASSERT_EQ(component_->SourceCount(), 1);
  TTwainSource* source = Enable();
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(source->UnloadSource());
  EXPECT_EQ(events_, (std::vector<std::string>{"disable 0"}));
  EXPECT_FALSE(source->loaded());
  EXPECT_FALSE(source->enabled());
  EXPECT_EQ(CountRecorded(Triplet("dsm", DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS)), 1);
}

TEST_F(TwainComponentTest, RefusalsOfTheSource) {
  ASSERT_TRUE(Open("source Closed\nopen fail NODS\nsource Stubborn\nenable fail OPERATIONERROR\n"));
  ASSERT_EQ(component_->SourceCount(), 2);
  EXPECT_FALSE(component_->Source(0)->LoadSource());
  EXPECT_FALSE(component_->Source(0)->EnableSource(false, false));  // not open
  TTwainSource* stubborn = component_->Source(1);
  ASSERT_TRUE(stubborn->LoadSource());
  EXPECT_TRUE(stubborn->LoadSource());  // already open: at once
  EXPECT_FALSE(stubborn->EnableSource(false, false));
  EXPECT_FALSE(stubborn->enabled());
  EXPECT_FALSE(stubborn->DisableSource());
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(stubborn->PendingTransfers(), 0);
}

TEST_F(TwainComponentTest, IdentitiesWithoutNulStayInsideTheirFields) {
  ASSERT_TRUE(Open("source Nameless\nhostile identity-nonul\n"));
  component_->set_select_dialog(TwainComponent::SelectDialog::kToolkitList);
  toolkit_.AnswerChooseFromList(0);
  EXPECT_EQ(component_->SelectSource(), 0);
  ASSERT_EQ(toolkit_.dialogs().size(), 1u);
  EXPECT_EQ(std::memchr(component_->Source(0)->identity().ProductName, 0, 34), nullptr);
  EXPECT_TRUE(component_->Source(0)->LoadSource());  // found again by its Id
}

}  // namespace
}  // namespace platform
