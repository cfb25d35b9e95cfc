// The Win32 toolkit driven directly: the window's geometry, font and focus order, event
// delivery from real control notifications, posted messages, the boxes and dialogs (answered by
// a second thread), the message filter and the accessible names.
#include <oleacc.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "platform/win32/Dialogs.h"
#include "platform/win32/Layout.h"
#include "platform/win32/MessageLoop.h"
#include "platform/win32/Win32Toolkit.h"
#include "tests/platform/win32/DialogAnswerer.h"

namespace {

using namespace text::literals;
using platform::ControlId;
using platform::win32::PlaceOf;
using platform::win32::Scale;
using platform::win32::Win32Toolkit;
using win32_test::DialogAnswerer;

// Records every event with the state the handler saw.
class Recorder : public platform::ToolkitEvents {
 public:
  explicit Recorder(Win32Toolkit& toolkit) : toolkit_(toolkit) { toolkit.SetEvents(this); }
  void Click(ControlId control) override {
    log.push_back("click " + std::string(platform::ControlName(control)) +
                  (toolkit_.Checked(control) ? " checked" : ""));
    if (on_click) on_click(control);
  }
  void FocusLeft(ControlId control) override {
    log.push_back("left " + std::string(platform::ControlName(control)));
  }
  void Message(unsigned message) override {
    log.push_back("message " + std::to_string(message) + (in_box ? " in box" : ""));
  }
  std::vector<std::string> log;
  std::function<void(ControlId)> on_click;
  bool in_box = false;

 private:
  Win32Toolkit& toolkit_;
};

class Win32ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    toolkit_ = std::make_unique<Win32Toolkit>(GetModuleHandleW(nullptr));
    recorder_ = std::make_unique<Recorder>(*toolkit_);
    ASSERT_TRUE(toolkit_->CreateMainWindow(96));
    toolkit_->SetApplicationTitle("Prelavka do ZQ TRIMA, verze 1.125");
  }
  void TearDown() override {
    platform::win32::SetMessageFilter(nullptr);
    toolkit_.reset();
    // Drop what the window left in the queue (WM_QUIT of its destruction) for the next test.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  HWND Control(ControlId id) const { return toolkit_->ControlWindow(id); }
  // A mouse click on a control, as the system delivers it.
  void MouseClick(ControlId id) {
    SendMessageW(Control(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(Control(id), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }
  std::unique_ptr<Win32Toolkit> toolkit_;
  std::unique_ptr<Recorder> recorder_;
};

RECT ClientRectOf(HWND parent, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST(Win32LayoutTest, ControlsFillRowsInsideTheClientAreaWithoutOverlap) {
  const auto& layout = platform::win32::MainWindowLayout();
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const auto& a = layout[i];
    EXPECT_EQ(static_cast<std::size_t>(a.id), i) << "layout in ControlId order";
    EXPECT_GE(a.x, 0);
    EXPECT_GE(a.y, 0);
    EXPECT_LE(a.x + a.width, platform::win32::kClientWidth) << platform::ControlName(a.id);
    EXPECT_LE(a.y + a.height, platform::win32::kClientHeight) << platform::ControlName(a.id);
    for (std::size_t j = i + 1; j < layout.size(); ++j) {
      const auto& b = layout[j];
      const bool shared = a.id == ControlId::kComboBox2 && b.id == ControlId::kEdit1;
      const bool overlap = a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
                           b.y < a.y + a.height;
      EXPECT_EQ(overlap, shared) << platform::ControlName(a.id) << " / "
                                 << platform::ControlName(b.id);
    }
  }
  // The rows of the window, each below the one before.
  const std::vector<std::vector<ControlId>> rows = {
      {ControlId::kLabel7, ControlId::kRadioButton1},
      {ControlId::kLabel5},
      {ControlId::kEdit3, ControlId::kButton4},
      {ControlId::kLabel1, ControlId::kComboBox1, ControlId::kLabel2, ControlId::kComboBox2,
       ControlId::kLabel2a},
      {ControlId::kLabel9},
      {ControlId::kCheckBox2, ControlId::kLabel11},
      {ControlId::kButton1, ControlId::kButton2},
      {ControlId::kLabel6},
      {ControlId::kLabel3, ControlId::kEdit2, ControlId::kLabel4, ControlId::kCheckBox1,
       ControlId::kButton3},
      {ControlId::kProgressBar1},
      {ControlId::kLabel8}};
  int previous_bottom = 0;
  for (const auto& row : rows) {
    int bottom = 0;
    for (std::size_t k = 0; k < row.size(); ++k) {
      const auto& place = PlaceOf(row[k]);
      EXPECT_GE(place.y, previous_bottom) << platform::ControlName(row[k]);
      if (k > 0) {
        EXPECT_GT(place.x, PlaceOf(row[k - 1]).x) << platform::ControlName(row[k]);
      }
      bottom = std::max(bottom, place.y + place.height);
    }
    previous_bottom = bottom;
  }
}

TEST_F(Win32ToolkitTest, FixedDialogWindowWithTheClientAreaAndControlsOfTheLayout) {
  const HWND window = toolkit_->window();
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 291);
  EXPECT_EQ(client.bottom, 351);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_CAPTION, 0);
  for (const auto& place : platform::win32::MainWindowLayout()) {
    const RECT rect = ClientRectOf(window, Control(place.id));
    EXPECT_EQ(rect.left, place.x) << platform::ControlName(place.id);
    EXPECT_EQ(rect.top, place.y) << platform::ControlName(place.id);
    EXPECT_EQ(rect.right - rect.left, place.width) << platform::ControlName(place.id);
    if (place.kind != platform::win32::ControlKind::kComboBox) {
      EXPECT_EQ(rect.bottom - rect.top, place.height) << platform::ControlName(place.id);
    }
  }
  // ComboBox2 and Edit1 share one place; Edit1 shows only when ComboBox2 is hidden.
  EXPECT_TRUE(toolkit_->Visible(ControlId::kComboBox2));
  EXPECT_FALSE(toolkit_->Visible(ControlId::kEdit1));
}

TEST(Win32ToolkitDpiTest, LayoutAndFontScaleWithTheResolution) {
  Win32Toolkit toolkit(GetModuleHandleW(nullptr));
  ASSERT_TRUE(toolkit.CreateMainWindow(144));
  RECT client{};
  GetClientRect(toolkit.window(), &client);
  EXPECT_EQ(client.right, Scale(291, 144));
  EXPECT_EQ(client.bottom, Scale(351, 144));
  const RECT button = ClientRectOf(toolkit.window(), toolkit.ControlWindow(ControlId::kButton3));
  EXPECT_EQ(button.left, Scale(208, 144));
  EXPECT_EQ(button.right - button.left, Scale(75, 144));
  const auto font = reinterpret_cast<HFONT>(
      SendMessageW(toolkit.ControlWindow(ControlId::kLabel9), WM_GETFONT, 0, 0));
  LOGFONTW description{};
  ASSERT_NE(GetObjectW(font, sizeof description, &description), 0);
  EXPECT_EQ(description.lfHeight, -MulDiv(8, 144, 72));
  DestroyWindow(toolkit.window());
}

TEST_F(Win32ToolkitTest, EveryControlUsesTheSystemDialogFont) {
  for (const ControlId id : platform::AllControls()) {
    if (id == ControlId::kProgressBar1) continue;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(Control(id), WM_GETFONT, 0, 0));
    LOGFONTW description{};
    ASSERT_NE(GetObjectW(font, sizeof description, &description), 0) << platform::ControlName(id);
    EXPECT_STREQ(description.lfFaceName, L"MS Shell Dlg 2");
    EXPECT_EQ(description.lfHeight, -11);
  }
}

TEST_F(Win32ToolkitTest, TabVisitsTheControlsInTheFocusOrder) {
  const HWND window = toolkit_->window();
  auto order = [&] {
    std::vector<ControlId> visited;
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    HWND current = first;
    do {
      visited.push_back(ControlId(GetDlgCtrlID(current) - platform::win32::kControlIdBase));
      current = GetNextDlgTabItem(window, current, FALSE);
    } while (current != nullptr && current != first && visited.size() < 40);
    return visited;
  };
  std::vector<ControlId> expected(platform::win32::kFocusOrder.begin(),
                                  platform::win32::kFocusOrder.end());
  std::vector<ControlId> without_edit1 = expected;
  std::erase(without_edit1, ControlId::kEdit1);
  EXPECT_EQ(order(), without_edit1);
  toolkit_->SetVisible(ControlId::kComboBox2, false);
  toolkit_->SetVisible(ControlId::kEdit1, true);
  std::vector<ControlId> without_combo2 = expected;
  std::erase(without_combo2, ControlId::kComboBox2);
  EXPECT_EQ(order(), without_combo2);
  // Disabled controls are passed over.
  toolkit_->SetEnabled(ControlId::kRadioButton1, false);
  EXPECT_EQ(order().front(), ControlId::kRadioButton2);
}

TEST_F(Win32ToolkitTest, Cp1250TextsCrossAsUtf16) {
  toolkit_->SetText(ControlId::kLabel6, "Zatím nic k odeslání.\r\nŘ€"_cp);
  wchar_t wide[64] = {};
  GetWindowTextW(Control(ControlId::kLabel6), wide, 64);
  EXPECT_STREQ(wide, L"Zat\u00edm nic k odesl\u00e1n\u00ed.\r\n\u0158\u20ac");
  EXPECT_EQ(toolkit_->Text(ControlId::kLabel6), "Zatím nic k odeslání.\r\nŘ€"_cp);
  // A character typed by the user that cp1250 lacks becomes "?".
  SetWindowTextW(Control(ControlId::kEdit2), L"a\u2192b\u0161");
  EXPECT_EQ(toolkit_->Text(ControlId::kEdit2), "a?bš"_cp);
  toolkit_->SetCaption("Prelavka do ZQ TRIMA, verze 1.125");
  EXPECT_EQ(toolkit_->Caption(), "Prelavka do ZQ TRIMA, verze 1.125");
  toolkit_->AddItem(ControlId::kComboBox1, "Stupně šedi"_cp);
  toolkit_->AddItem(ControlId::kComboBox1, "Barevně"_cp);
  EXPECT_EQ(toolkit_->Items(ControlId::kComboBox1),
            (std::vector<std::string>{std::string("Stupně šedi"_cp), std::string("Barevně"_cp)}));
  toolkit_->SetText(ControlId::kComboBox1, "Stupně šedi"_cp);
  EXPECT_EQ(toolkit_->Text(ControlId::kComboBox1), "Stupně šedi"_cp);
}

TEST_F(Win32ToolkitTest, ControlStatesReadBackAsSet) {
  toolkit_->SetChecked(ControlId::kRadioButton1, true);
  toolkit_->SetChecked(ControlId::kRadioButton3, true);
  EXPECT_FALSE(toolkit_->Checked(ControlId::kRadioButton1));
  EXPECT_TRUE(toolkit_->Checked(ControlId::kRadioButton3));
  toolkit_->SetChecked(ControlId::kCheckBox2, true);
  EXPECT_TRUE(toolkit_->Checked(ControlId::kCheckBox2));
  toolkit_->SetEnabled(ControlId::kButton3, false);
  EXPECT_FALSE(toolkit_->Enabled(ControlId::kButton3));
  toolkit_->SetPosition(ControlId::kProgressBar1, 57);
  EXPECT_EQ(toolkit_->Position(ControlId::kProgressBar1), 57);
  toolkit_->SetPosition(ControlId::kProgressBar1, 100);
  EXPECT_EQ(toolkit_->Position(ControlId::kProgressBar1), 100);
  // Setting states from code raises no events.
  EXPECT_TRUE(recorder_->log.empty());
}

TEST_F(Win32ToolkitTest, ClicksReachTheControllerAfterTheStateChanged) {
  SendMessageW(Control(ControlId::kRadioButton1), BM_CLICK, 0, 0);
  SendMessageW(Control(ControlId::kRadioButton1), BM_CLICK, 0, 0);  // already checked: nothing
  SendMessageW(Control(ControlId::kRadioButton2), BM_CLICK, 0, 0);
  SendMessageW(Control(ControlId::kCheckBox1), BM_CLICK, 0, 0);
  SendMessageW(Control(ControlId::kCheckBox1), BM_CLICK, 0, 0);
  SendMessageW(Control(ControlId::kButton3), BM_CLICK, 0, 0);
  EXPECT_EQ(recorder_->log, (std::vector<std::string>{
                                "click RadioButton1 checked", "click RadioButton2 checked",
                                "click CheckBox1 checked", "click CheckBox1", "click Button3"}));
  EXPECT_FALSE(toolkit_->Checked(ControlId::kRadioButton1));
  EXPECT_TRUE(toolkit_->Checked(ControlId::kRadioButton2));
}

TEST_F(Win32ToolkitTest, LabelClicksAreDeliveredAndTheBoxIsLeftToTheController) {
  MouseClick(ControlId::kLabel4);
  MouseClick(ControlId::kLabel11);
  MouseClick(ControlId::kLabel7);  // an ordinary label tells nothing
  EXPECT_EQ(recorder_->log, (std::vector<std::string>{"click Label4", "click Label11"}));
  EXPECT_FALSE(toolkit_->Checked(ControlId::kCheckBox1));
}

TEST_F(Win32ToolkitTest, DisabledControlsDeliverNoClick) {
  for (const ControlId id :
       {ControlId::kRadioButton1, ControlId::kButton1, ControlId::kCheckBox2, ControlId::kLabel4}) {
    toolkit_->SetEnabled(id, false);
  }
  SendMessageW(Control(ControlId::kRadioButton1), BM_CLICK, 0, 0);
  SendMessageW(Control(ControlId::kButton1), BM_CLICK, 0, 0);
  SendMessageW(Control(ControlId::kCheckBox2), BM_CLICK, 0, 0);
  MouseClick(ControlId::kLabel4);
  EXPECT_TRUE(recorder_->log.empty());
  EXPECT_FALSE(toolkit_->Checked(ControlId::kRadioButton1));
}

TEST_F(Win32ToolkitTest, LeavingTheFolderBoxForAnotherControlIsTold) {
  toolkit_->ShowMainWindow();
  toolkit_->SetFocus(ControlId::kEdit3);
  toolkit_->SetFocus(ControlId::kButton4);
  toolkit_->SetFocus(ControlId::kEdit3);
  ::SetFocus(nullptr);  // the focus leaving the window is no move to another control
  EXPECT_EQ(recorder_->log, (std::vector<std::string>{"left Edit3"}));
}

TEST_F(Win32ToolkitTest, KeyboardMovesTheFocusAndPressesBoxesThroughTheEventLoop) {
  toolkit_->ShowMainWindow();
  toolkit_->SetFocus(ControlId::kEdit3);
  auto press = [&](WPARAM key) {
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000000);
    toolkit_->ProcessMessages();
  };
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), Control(ControlId::kButton4));
  toolkit_->SetFocus(ControlId::kEdit2);
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), Control(ControlId::kCheckBox1));
  press(VK_SPACE);
  EXPECT_TRUE(toolkit_->Checked(ControlId::kCheckBox1));
  EXPECT_EQ(recorder_->log,
            (std::vector<std::string>{"left Edit3", "left Edit2", "click CheckBox1 checked"}));
}

TEST_F(Win32ToolkitTest, PostedMessageRunsAfterTheEventThatPostedIt) {
  recorder_->on_click = [&](ControlId) {
    toolkit_->PostMessage(platform::kFolderBoxCommitMessage);
    toolkit_->PostMessage(0x8100);  // the TWAIN component's notice message
    recorder_->log.push_back("click handler ends");
  };
  SendMessageW(Control(ControlId::kButton4), BM_CLICK, 0, 0);
  toolkit_->ProcessMessages();
  EXPECT_EQ(recorder_->log, (std::vector<std::string>{"click Button4", "click handler ends",
                                                      "message 32769", "message 33024"}));
}

TEST(Win32ToolkitEarlyTest, MessagesPostedBeforeTheWindowExistsArriveAfterwards) {
  Win32Toolkit toolkit(GetModuleHandleW(nullptr));
  Recorder recorder(toolkit);
  toolkit.PostMessage(platform::kFolderBoxCommitMessage);
  ASSERT_TRUE(toolkit.CreateMainWindow(96));
  toolkit.ProcessMessages();
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"message 32769"}));
  DestroyWindow(toolkit.window());
}

TEST_F(Win32ToolkitTest, MessageBoxHasOneOkButtonNoIconAndTheApplicationTitle) {
  win32_test::SeenDialog seen;
  {
    DialogAnswerer answerer([&](HWND dialog) {
      seen = win32_test::Describe(dialog);
      win32_test::PressButton(dialog, IDOK);
    });
    toolkit_->MessageBox("Zatím nic k odeslání."_cp);
  }
  EXPECT_EQ(seen.caption, "Prelavka do ZQ TRIMA, verze 1.125");
  EXPECT_EQ(seen.button_count, 1);
  EXPECT_FALSE(seen.has_icon);
  EXPECT_NE(std::find(seen.static_texts.begin(), seen.static_texts.end(),
                      std::string("Zatím nic k odeslání."_cp)),
            seen.static_texts.end());
  // After start-up the application-wide title is empty, and so is the caption.
  toolkit_->SetApplicationTitle("");
  {
    DialogAnswerer answerer([&](HWND dialog) {
      seen = win32_test::Describe(dialog);
      win32_test::PressButton(dialog, IDOK);
    });
    toolkit_->MessageBox("x");
  }
  EXPECT_EQ(seen.caption, "");
}

TEST_F(Win32ToolkitTest, PostedMessagesRunInsideAModalBox) {
  toolkit_->ShowMainWindow();
  toolkit_->PostMessage(platform::kFolderBoxCommitMessage);
  recorder_->in_box = true;
  {
    DialogAnswerer answerer([&](HWND dialog) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      win32_test::PressButton(dialog, IDOK);
    });
    toolkit_->MessageBox("A");
  }
  recorder_->in_box = false;
  EXPECT_EQ(recorder_->log, (std::vector<std::string>{"message 32769 in box"}));
}

TEST_F(Win32ToolkitTest, AnErrorLeavingAHandlerIsShownAndTheProgramGoesOn) {
  recorder_->on_click = [](ControlId control) {
    if (control == ControlId::kButton3) throw platform::IoError("I/O error: disk full");
  };
  win32_test::SeenDialog seen;
  {
    DialogAnswerer answerer([&](HWND dialog) {
      seen = win32_test::Describe(dialog);
      win32_test::PressButton(dialog, IDOK);
    });
    SendMessageW(Control(ControlId::kButton3), BM_CLICK, 0, 0);
  }
  EXPECT_NE(std::find(seen.static_texts.begin(), seen.static_texts.end(), "I/O error: disk full"),
            seen.static_texts.end());
  EXPECT_TRUE(seen.has_icon);  // the platform's error box, unlike a notice
  SendMessageW(Control(ControlId::kButton1), BM_CLICK, 0, 0);
  EXPECT_EQ(recorder_->log.back(), "click Button1");
}

TEST_F(Win32ToolkitTest, FolderBrowserOpensAtTheStartFolder) {
  char windows_folder[MAX_PATH] = {};
  GetWindowsDirectoryA(windows_folder, MAX_PATH);
  std::optional<std::string> chosen;
  {
    DialogAnswerer answerer([](HWND dialog) { win32_test::PressButton(dialog, IDOK); });
    chosen = toolkit_->BrowseForFolder("Vyberte složku s naskenovanými soubory"_cp, windows_folder);
  }
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(CharLowerA(chosen->data()), std::string(CharLowerA(windows_folder)));
  {
    DialogAnswerer answerer([](HWND dialog) { win32_test::PressButton(dialog, IDCANCEL); });
    chosen = toolkit_->BrowseForFolder("x", windows_folder);
  }
  EXPECT_FALSE(chosen.has_value());
}

TEST_F(Win32ToolkitTest, NewFolderDialogAcceptsAFolderThatDoesNotExistYet) {
  std::optional<std::string> chosen;
  std::string start_text;
  {
    DialogAnswerer answerer([&](HWND dialog) {
      const HWND edit = GetDlgItem(dialog, platform::win32::kFolderEditId);
      start_text = platform::win32::WindowText(edit);
      SetWindowTextW(edit, L"C:\\nov\u00e1 slo\u017eka\\sken");
      win32_test::PressButton(dialog, IDOK);
    });
    chosen = toolkit_->AskForNewFolder("C:\\Prelavka\\");
  }
  EXPECT_EQ(start_text, "C:\\Prelavka\\");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, "C:\\nová složka\\sken"_cp);
  EXPECT_FALSE(platform::FolderExists(*chosen));
  {
    DialogAnswerer answerer([](HWND dialog) { win32_test::PressButton(dialog, IDCANCEL); });
    chosen = toolkit_->AskForNewFolder("C:\\");
  }
  EXPECT_FALSE(chosen.has_value());
}

TEST_F(Win32ToolkitTest, ListDialogGivesTheIndexChosen) {
  std::optional<int> chosen;
  {
    DialogAnswerer answerer([](HWND dialog) {
      SendMessageW(GetDlgItem(dialog, platform::win32::kListId), LB_SETCURSEL, 1, 0);
      win32_test::PressButton(dialog, IDOK);
    });
    chosen = toolkit_->ChooseFromList("Zdroj", {"Virtual A", "Virtual B"});
  }
  EXPECT_EQ(chosen, 1);
  EXPECT_FALSE(toolkit_->ChooseFromList("Zdroj", {}).has_value());
}

TEST_F(Win32ToolkitTest, MessageFilterSeesMessagesBeforeDispatch) {
  std::vector<UINT> filtered;
  platform::win32::SetMessageFilter([&](const MSG& message) {
    if (message.hwnd != toolkit_->window()) return false;
    filtered.push_back(message.message);
    return message.message == WM_APP + 5;  // consumed, as a source manager's own message
  });
  PostMessageW(toolkit_->window(), WM_APP + 5, 0, 0);
  toolkit_->PostMessage(platform::kFolderBoxCommitMessage);
  toolkit_->ProcessMessages();
  EXPECT_EQ(filtered, (std::vector<UINT>{WM_APP + 5, platform::kFolderBoxCommitMessage}));
  EXPECT_EQ(recorder_->log, (std::vector<std::string>{"message 32769"}));
}

TEST_F(Win32ToolkitTest, ClosingTheWindowInsideProcessMessagesEndsTheEventLoop) {
  toolkit_->ShowMainWindow();
  PostMessageW(toolkit_->window(), WM_CLOSE, 0, 0);
  toolkit_->ProcessMessages();
  EXPECT_FALSE(IsWindow(toolkit_->window()));
  EXPECT_EQ(toolkit_->Run(), 0);
}

TEST_F(Win32ToolkitTest, MinimiseAndRestore) {
  toolkit_->ShowMainWindow();
  toolkit_->Minimize();
  EXPECT_TRUE(IsIconic(toolkit_->window()));
  EXPECT_EQ(toolkit_->WindowState(), 1);
  toolkit_->Restore();
  EXPECT_FALSE(IsIconic(toolkit_->window()));
  EXPECT_EQ(toolkit_->WindowState(), 0);
  toolkit_->Repaint();
  toolkit_->BringToForeground();
  EXPECT_TRUE(IsWindowVisible(toolkit_->window()));
}

TEST_F(Win32ToolkitTest, TextlessCheckBoxesCarryTheirLabelsAccessibleNames) {
  toolkit_->SetText(ControlId::kLabel4, "Průvodka"_cp);
  toolkit_->SetText(ControlId::kLabel11, "Oboustranně"_cp);
  // oleacc.dll is loaded as a screen reader would load it.
  const HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
  using ObjectFromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
  const auto object_from_window = reinterpret_cast<ObjectFromWindow>(
      reinterpret_cast<void*>(GetProcAddress(oleacc, "AccessibleObjectFromWindow")));
  IAccessible* accessible = nullptr;
  if (object_from_window == nullptr ||
      FAILED(object_from_window(Control(ControlId::kCheckBox1), static_cast<DWORD>(OBJID_CLIENT),
                                IID_IAccessible, reinterpret_cast<void**>(&accessible)))) {
    GTEST_SKIP() << "no accessibility objects on this system";
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  const HRESULT result = accessible->get_accName(self, &name);
  accessible->Release();
  const std::wstring text = name != nullptr ? std::wstring(name) : std::wstring();
  SysFreeString(name);
  if (FAILED(result) || text.empty()) {
    GTEST_SKIP() << "this system does not apply accessibility annotations";
  }
  EXPECT_EQ(text, L"Pr\u016fvodka");
}

}  // namespace
