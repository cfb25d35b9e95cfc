#include "platform/win32/Win32Toolkit.h"

#include <commctrl.h>
#include <objbase.h>
#include <oleacc.h>

#include <exception>

#include "platform/win32/Dialogs.h"
#include "platform/win32/Layout.h"
#include "platform/win32/MessageLoop.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

int Index(ControlId id) { return static_cast<int>(id); }

bool IsRadioButton(ControlId id) {
  return id == ControlId::kRadioButton1 || id == ControlId::kRadioButton2 ||
         id == ControlId::kRadioButton3;
}

const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kLabel:
      return L"STATIC";
    case ControlKind::kRadioButton:
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      return L"BUTTON";
    case ControlKind::kEdit:
      return L"EDIT";
    case ControlKind::kComboBox:
      return L"COMBOBOX";
    case ControlKind::kProgressBar:
      return PROGRESS_CLASSW;
  }
  return L"STATIC";
}

// Window styles of a control. Every control starts a group of its own except the second and
// third radio button, so the arrow keys move only among the radio buttons.
DWORD StyleOf(const ControlPlace& place) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  if (place.id != ControlId::kRadioButton2 && place.id != ControlId::kRadioButton3) {
    style |= WS_GROUP;
  }
  switch (place.kind) {
    case ControlKind::kLabel:
      style |= SS_LEFT | SS_NOPREFIX;
      // Clicks on these two labels toggle their check boxes.
      if (place.id == ControlId::kLabel4 || place.id == ControlId::kLabel11) style |= SS_NOTIFY;
      return style;
    case ControlKind::kRadioButton:
      // Not an automatic radio button: the toolkit checks it and tells a real change only.
      return style | BS_RADIOBUTTON | WS_TABSTOP;
    case ControlKind::kButton:
      return style | BS_PUSHBUTTON | WS_TABSTOP;
    case ControlKind::kCheckBox:
      return style | BS_AUTOCHECKBOX | WS_TABSTOP;
    case ControlKind::kEdit:
      return style | ES_AUTOHSCROLL | WS_TABSTOP;
    case ControlKind::kComboBox:
      return style | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
    case ControlKind::kProgressBar:
      return style | PBS_SMOOTH;
  }
  return style;
}

// The screen's resolution in dots per inch.
int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

}  // namespace

Win32Toolkit::Win32Toolkit(HINSTANCE instance) : instance_(instance) {
  // The shell's folder browser (new style) and the accessibility annotations need COM.
  com_initialized_ = SUCCEEDED(OleInitialize(nullptr));
  INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&common);
}

Win32Toolkit::~Win32Toolkit() {
  if (accessibility_ != nullptr) accessibility_->Release();
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
  if (com_initialized_) OleUninitialize();
}

bool Win32Toolkit::CreateMainWindow(int dpi) {
  if (window_ != nullptr) return true;
  dpi_ = dpi > 0 ? dpi : ScreenDpi();

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
  window_class.lpszClassName = kMainWindowClass;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }

  RECT frame{0, 0, Scale(kClientWidth, dpi_), Scale(kClientHeight, dpi_)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
  window_ = CreateWindowExW(kWindowExStyle, kMainWindowClass, L"", kWindowStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, instance_, this);
  if (window_ == nullptr) return false;

  // The system dialog font at 8 points, for the screen's resolution.
  LOGFONTW font{};
  font.lfHeight = -MulDiv(8, dpi_, 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(font.lfFaceName, L"MS Shell Dlg 2");
  font_ = CreateFontIndirectW(&font);

  CreateControls();
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&accessibility_)))) {
    accessibility_ = nullptr;
  }
  while (!early_posts_.empty()) {
    ::PostMessageW(window_, early_posts_.front(), 0, 0);
    early_posts_.pop_front();
  }
  return true;
}

void Win32Toolkit::CreateControls() {
  for (const ControlPlace& place : MainWindowLayout()) {
    const int height =
        place.kind == ControlKind::kComboBox ? place.height + kDropDownListHeight : place.height;
    DWORD style = StyleOf(place);
    // Edit1 shares its place with ComboBox2 and shows only when ComboBox2 is hidden.
    if (place.id == ControlId::kEdit1) style &= ~static_cast<DWORD>(WS_VISIBLE);
    const DWORD ex_style = place.kind == ControlKind::kEdit ? WS_EX_CLIENTEDGE : 0;
    const HWND control = CreateWindowExW(
        ex_style, ClassOf(place.kind), L"", style, Scale(place.x, dpi_), Scale(place.y, dpi_),
        Scale(place.width, dpi_), Scale(height, dpi_), window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlIdBase + Index(place.id))), instance_,
        nullptr);
    controls_[static_cast<std::size_t>(Index(place.id))] = control;
    if (control == nullptr) continue;
    if (font_ != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (place.kind == ControlKind::kProgressBar) {
      SendMessageW(control, PBM_SETRANGE32, 0, kProgressMaximum);
    }
  }
}

// Controls without a text of their own (the check boxes) and the boxes that a label names carry
// that label's text as their accessible name, through the accessibility annotation service.
void Win32Toolkit::UpdateAccessibleNames(ControlId label) {
  if (accessibility_ == nullptr) return;
  const std::wstring name = Wide(Text(label));
  for (const ControlId id : AllControls()) {
    if (id == label || AccessibleNameSource(id) != label || ControlWindow(id) == nullptr) continue;
    accessibility_->SetHwndPropStr(ControlWindow(id), static_cast<DWORD>(OBJID_CLIENT),
                                   CHILDID_SELF, PROPID_ACC_NAME, name.c_str());
  }
}

void Win32Toolkit::ShowMainWindow() {
  if (window_ == nullptr) return;
  RECT frame{};
  GetWindowRect(window_, &frame);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  if (GetFocus() == nullptr || !IsChild(window_, GetFocus())) {
    if (const HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) ::SetFocus(first);
  }
}

int Win32Toolkit::Run() { return RunMessageLoop(window_); }

HWND Win32Toolkit::ControlWindow(ControlId control) const {
  return controls_[static_cast<std::size_t>(Index(control))];
}

LRESULT CALLBACK Win32Toolkit::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<Win32Toolkit*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Toolkit*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->HandleWindowMessage(message, wparam, lparam);
}

LRESULT Win32Toolkit::HandleWindowMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  // Application messages posted through PostMessage: the folder-box commit (32769) and the
  // TWAIN component's notices.
  if (message >= WM_APP && message <= 0xBFFF) {
    Deliver([message](ToolkitEvents& events) { events.Message(message); });
    return 0;
  }
  switch (message) {
    case WM_COMMAND:
      if (lparam != 0) HandleCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_NEXTDLGCTL: {
      // The keyboard interface (IsDialogMessage) asks the window to move the focus.
      const HWND focus = GetFocus();
      const HWND next =
          LOWORD(lparam) != 0
              ? reinterpret_cast<HWND>(wparam)
              : GetNextDlgTabItem(window_, IsChild(window_, focus) ? focus : nullptr, wparam != 0);
      if (next != nullptr) {
        ::SetFocus(next);
        wchar_t class_name[16] = {};
        GetClassNameW(next, class_name, 16);
        if (lstrcmpiW(class_name, L"Edit") == 0) SendMessageW(next, EM_SETSEL, 0, -1);
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) saved_focus_ = focus;
      } else if (HIWORD(wparam) == 0) {  // not minimised
        if (saved_focus_ != nullptr && IsWindow(saved_focus_) && IsWindowEnabled(saved_focus_)) {
          ::SetFocus(saved_focus_);
        } else if (const HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) {
          ::SetFocus(first);
        }
        return 0;
      }
      break;
    case WM_CLOSE:
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

void Win32Toolkit::HandleCommand(int id, int notification) {
  const int index = id - kControlIdBase;
  if (index < 0 || index >= kControlCount) return;
  const ControlId control = ControlId(index);
  const HWND control_window = ControlWindow(control);
  switch (PlaceOf(control).kind) {
    case ControlKind::kRadioButton:
      // A click, or the focus arriving from the keyboard, on a radio button that is not checked
      // yet checks it; a click on the checked one changes nothing and tells nothing.
      if (notification != BN_CLICKED || !IsWindowEnabled(control_window)) return;
      if (Checked(control)) return;
      SetChecked(control, true);
      Deliver([control](ToolkitEvents& events) { events.Click(control); });
      return;
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      if (notification != BN_CLICKED || !IsWindowEnabled(control_window)) return;
      Deliver([control](ToolkitEvents& events) { events.Click(control); });
      return;
    case ControlKind::kLabel:
      // STN_CLICKED, and STN_DBLCLK for the second click of a double click.
      if ((notification != STN_CLICKED && notification != STN_DBLCLK) ||
          !IsWindowEnabled(control_window)) {
        return;
      }
      Deliver([control](ToolkitEvents& events) { events.Click(control); });
      return;
    case ControlKind::kEdit:
    case ControlKind::kComboBox: {
      const bool left = PlaceOf(control).kind == ControlKind::kEdit ? notification == EN_KILLFOCUS
                                                                    : notification == CBN_KILLFOCUS;
      // Only a move to another control of this window leaves the box; a message box or another
      // program taking the focus does not.
      const HWND focus = GetFocus();
      if (!left || focus == nullptr || !IsChild(window_, focus) || focus == control_window ||
          IsChild(control_window, focus)) {
        return;
      }
      Deliver([control](ToolkitEvents& events) { events.FocusLeft(control); });
      return;
    }
    case ControlKind::kProgressBar:
      return;
  }
}

void Win32Toolkit::Deliver(const std::function<void(ToolkitEvents&)>& handler) {
  if (events_ == nullptr) return;
  ToolkitEvents& events = *events_;
  try {
    DispatchEvent(*this, [&] { handler(events); });
  } catch (...) {
    // DispatchEvent shows every standard exception; anything else must not cross user32.
    ErrorBox("Unknown error");
  }
}

std::string Win32Toolkit::Text(ControlId control) const {
  const HWND window = ControlWindow(control);
  return window != nullptr ? WindowText(window) : std::string();
}

void Win32Toolkit::SetText(ControlId control, std::string_view text) {
  const HWND window = ControlWindow(control);
  if (window == nullptr) return;
  SetWindowTextW(window, Wide(text).c_str());
  if (PlaceOf(control).kind == ControlKind::kLabel) UpdateAccessibleNames(control);
}

bool Win32Toolkit::Enabled(ControlId control) const {
  const HWND window = ControlWindow(control);
  return window != nullptr && IsWindowEnabled(window) != FALSE;
}

void Win32Toolkit::SetEnabled(ControlId control, bool enabled) {
  if (const HWND window = ControlWindow(control)) EnableWindow(window, enabled ? TRUE : FALSE);
}

bool Win32Toolkit::Checked(ControlId control) const {
  const HWND window = ControlWindow(control);
  return window != nullptr && SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Toolkit::SetChecked(ControlId control, bool checked) {
  const HWND window = ControlWindow(control);
  if (window == nullptr) return;
  if (IsRadioButton(control) && checked) {
    for (const ControlId radio :
         {ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kRadioButton3}) {
      if (radio != control) SendMessageW(ControlWindow(radio), BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  SendMessageW(window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Toolkit::Visible(ControlId control) const {
  const HWND window = ControlWindow(control);
  return window != nullptr && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Toolkit::SetVisible(ControlId control, bool visible) {
  if (const HWND window = ControlWindow(control)) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}

void Win32Toolkit::AddItem(ControlId control, std::string_view item) {
  const HWND window = ControlWindow(control);
  if (window == nullptr || PlaceOf(control).kind != ControlKind::kComboBox) return;
  SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
}

std::vector<std::string> Win32Toolkit::Items(ControlId control) const {
  std::vector<std::string> items;
  const HWND window = ControlWindow(control);
  if (window == nullptr || PlaceOf(control).kind != ControlKind::kComboBox) return items;
  const LRESULT count = SendMessageW(window, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(window, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == CB_ERR) continue;
    std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(window, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                        reinterpret_cast<LPARAM>(item.data()));
    item.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    items.push_back(Narrow(item));
  }
  return items;
}

void Win32Toolkit::SetFocus(ControlId control) {
  if (const HWND window = ControlWindow(control)) ::SetFocus(window);
}

int Win32Toolkit::Position(ControlId control) const {
  const HWND window = ControlWindow(control);
  if (window == nullptr || PlaceOf(control).kind != ControlKind::kProgressBar) return 0;
  return static_cast<int>(SendMessageW(window, PBM_GETPOS, 0, 0));
}

void Win32Toolkit::SetPosition(ControlId control, int position) {
  const HWND window = ControlWindow(control);
  if (window == nullptr || PlaceOf(control).kind != ControlKind::kProgressBar) return;
  SendMessageW(window, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32Toolkit::SetCaption(std::string_view caption) {
  if (window_ != nullptr) SetWindowTextW(window_, Wide(caption).c_str());
}

std::string Win32Toolkit::Caption() const {
  return window_ != nullptr ? WindowText(window_) : std::string();
}

void Win32Toolkit::Minimize() {
  if (window_ != nullptr) ShowWindow(window_, SW_MINIMIZE);
}

void Win32Toolkit::Restore() {
  if (window_ != nullptr) ShowWindow(window_, SW_RESTORE);
}

void Win32Toolkit::Repaint() {
  if (window_ != nullptr) {
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
}

int Win32Toolkit::WindowState() const {
  if (window_ == nullptr) return 0;
  if (IsIconic(window_)) return 1;
  return IsZoomed(window_) ? 2 : 0;
}

void Win32Toolkit::BringToForeground() {
  if (window_ == nullptr) return;
  if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
  SetForegroundWindow(window_);
}

HWND Win32Toolkit::DialogOwner() const {
  return window_ != nullptr && IsWindowVisible(window_) ? window_ : nullptr;
}

// Modal to the whole program (every window of the thread is disabled while it is open) and
// centred on the screen: no owner, task-modal.
void Win32Toolkit::MessageBox(std::string_view text) {
  ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(application_title_).c_str(),
                MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

void Win32Toolkit::ErrorBox(std::string_view text) {
  ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(application_title_).c_str(),
                MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

std::optional<std::string> Win32Toolkit::BrowseForFolder(std::string_view title,
                                                         std::string_view start_folder) {
  return win32::BrowseForFolder(DialogOwner(), title, start_folder);
}

std::optional<std::string> Win32Toolkit::AskForNewFolder(std::string_view start_folder) {
  return win32::AskForNewFolder(DialogOwner(), start_folder);
}

std::optional<int> Win32Toolkit::ChooseFromList(std::string_view title,
                                                const std::vector<std::string>& items) {
  return win32::ChooseFromList(DialogOwner(), title, items);
}

void Win32Toolkit::PostMessage(unsigned message) {
  if (window_ == nullptr) {
    early_posts_.push_back(message);
    return;
  }
  ::PostMessageW(window_, message, 0, 0);
}

void Win32Toolkit::ProcessMessages() { ProcessPendingMessages(window_); }

}  // namespace platform::win32
