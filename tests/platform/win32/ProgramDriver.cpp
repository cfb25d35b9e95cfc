#include "tests/platform/win32/ProgramDriver.h"

#include <cstdio>
#include <thread>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Toolkit.h"

namespace win32_test {
namespace {

struct WindowSearch {
  DWORD process;
  const wchar_t* class_name;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[32] = {};
  GetClassNameW(window, class_name, 32);
  if (process == search->process && IsWindowVisible(window) &&
      lstrcmpW(class_name, search->class_name) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectBoxText(HWND child, LPARAM param) {
  auto* texts = reinterpret_cast<std::vector<std::string>*>(param);
  wchar_t class_name[16] = {};
  GetClassNameW(child, class_name, 16);
  if (lstrcmpiW(class_name, L"Static") == 0 &&
      (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
    const std::string text = platform::win32::WindowText(child);
    if (!text.empty()) texts->push_back(text);
  }
  return TRUE;
}

}  // namespace

std::wstring WindowsPath(const std::string& build_path) {
  std::wstring path = platform::win32::Wide(build_path);
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::wstring ApplicationFolder() {
  wchar_t raw[MAX_PATH] = {};
  DWORD size = sizeof raw;
  if (RegGetValueW(HKEY_CURRENT_USER,
                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                   L"Personal", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, raw,
                   &size) != ERROR_SUCCESS) {
    return L"C:\\";
  }
  wchar_t expanded[MAX_PATH] = {};
  ExpandEnvironmentStringsW(raw, expanded, MAX_PATH);
  std::wstring folder = expanded;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return L"C:\\";
  return folder + L"\\Prelavka\\";
}

std::string ReadSharedFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
  std::string content;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  CloseHandle(file);
  return content;
}

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

ProgramDriver::~ProgramDriver() {
  if (process_.hProcess != nullptr) {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool ProgramDriver::Start(const std::wstring& executable, std::wstring_view arguments) {
  std::wstring command_line = L"\"" + executable + L"\"";
  if (!arguments.empty()) {
    command_line += L' ';
    command_line += arguments;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  started_ = std::chrono::steady_clock::now();
  return CreateProcessW(executable.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process_) != FALSE;
}

HWND ProgramDriver::FindWindowOfProcess(const wchar_t* class_name) const {
  WindowSearch search{process_.dwProcessId, class_name, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int ProgramDriver::AnswerBoxes() {
  int answered = 0;
  while (const HWND box = FindWindowOfProcess(L"#32770")) {
    std::vector<std::string> texts;
    EnumChildWindows(box, CollectBoxText, reinterpret_cast<LPARAM>(&texts));
    std::string text;
    for (const std::string& part : texts) text += part;
    box_texts_.push_back(text);
    box_captions_.push_back(platform::win32::WindowText(box));
    SendMessageTimeoutW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    // The box is gone before the next one is looked for.
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(20);
    if (++answered > 20) break;
  }
  return answered;
}

bool ProgramDriver::WaitForWindow(std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_TIMEOUT) return false;
    AnswerBoxes();
    window_ = FindWindowOfProcess(platform::win32::kMainWindowClass);
    if (window_ != nullptr) {
      window_shown_ms_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started_)
                             .count();
      Settle();
      return true;
    }
    Sleep(20);
  }
  return false;
}

std::optional<DWORD> ProgramDriver::WaitForExit(std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process_.hProcess, &code);
      return code;
    }
    AnswerBoxes();
  }
  return std::nullopt;
}

HWND ProgramDriver::Control(platform::ControlId id) const {
  return GetDlgItem(window_, platform::win32::kControlIdBase + static_cast<int>(id));
}

// WM_GETTEXT, not GetWindowText: the latter does not ask controls of another process.
std::string ProgramDriver::Text(platform::ControlId id) const {
  const HWND control = Control(id);
  DWORD_PTR length = 0;
  SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length);
  // The program may change the text between the two messages: a buffer the text fills to the
  // last character may have cut it, so it is read again into a larger one.
  std::wstring text;
  for (std::size_t capacity = length + 64;; capacity *= 2) {
    text.assign(capacity, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, 5000, &copied);
    if (copied + 1 < capacity || capacity > (1u << 20)) {
      text.resize(copied);
      break;
    }
  }
  return platform::win32::Narrow(text);
}

bool ProgramDriver::Enabled(platform::ControlId id) const {
  return IsWindowEnabled(Control(id)) != FALSE;
}

bool ProgramDriver::Checked(platform::ControlId id) const {
  return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool ProgramDriver::Visible(platform::ControlId id) const {
  return (GetWindowLongW(Control(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void ProgramDriver::Click(platform::ControlId id) const {
  const HWND control = Control(id);
  RECT rect{};
  GetClientRect(control, &rect);
  const LPARAM point = MAKELPARAM(rect.right / 2, rect.bottom / 2);
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(control, WM_LBUTTONUP, 0, point);
  Settle();
}

void ProgramDriver::Type(platform::ControlId id, const std::wstring& text) const {
  SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  Settle();
}

void ProgramDriver::Settle() const {
  // A sent message is handled after everything posted before it.
  DWORD_PTR result = 0;
  for (int i = 0; i < 3; ++i) {
    SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    Sleep(50);
  }
}

bool ProgramDriver::SaveArtifact(const std::wstring& name) const {
  const std::wstring folder = WindowsPath(PRELAVKA_ARTIFACTS);
  CreateDirectoryW(folder.c_str(), nullptr);
  return SaveScreenshot(folder + L"\\" + name);
}

bool ProgramDriver::SaveScreenshot(const std::wstring& path) const {
  RECT rect{};
  GetWindowRect(window_, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Settle();
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const DWORD row = static_cast<DWORD>((width * 3 + 3) & ~3);
  const DWORD image_size = row * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + image_size;
  bool ok = false;
  if (FILE* out = _wfopen(path.c_str(), L"wb")) {
    ok = fwrite(&file, sizeof file, 1, out) == 1 &&
         fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
         fwrite(bits, image_size, 1, out) == 1;
    ok = fclose(out) == 0 && ok;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

void ProgramDriver::Close() const { PostMessageW(window_, WM_CLOSE, 0, 0); }

}  // namespace win32_test
