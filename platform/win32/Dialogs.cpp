#include "platform/win32/Dialogs.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdint>

#include "platform/Cp1250.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

using namespace text::literals;

// A dialog template built in memory (DLGTEMPLATE with DS_SETFONT, then DLGITEMTEMPLATEs), in
// dialog units, with the system dialog font.
class DialogTemplate {
 public:
  DialogTemplate(std::string_view title, int width, int height) {
    const DWORD style = DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    AddDword(style);
    AddDword(0);          // extended style
    words_.push_back(0);  // item count, counted up by AddItem
    AddShort(0), AddShort(0), AddShort(width), AddShort(height);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    AddText(Wide(title));
    words_.push_back(8);  // point size
    AddText(L"MS Shell Dlg");
  }

  // class_atom: 0x0080 button, 0x0081 edit, 0x0082 static, 0x0083 list box.
  void AddItem(std::uint16_t class_atom, int id, DWORD style, int x, int y, int width, int height,
               std::wstring_view text) {
    if (words_.size() % 2 != 0) words_.push_back(0);  // items start on a DWORD boundary
    AddDword(style | WS_CHILD | WS_VISIBLE);
    AddDword(0);
    AddShort(x), AddShort(y), AddShort(width), AddShort(height);
    words_.push_back(static_cast<WORD>(id));
    words_.push_back(0xFFFF);
    words_.push_back(class_atom);
    AddText(text);
    words_.push_back(0);  // no creation data
    ++words_[kItemCountIndex];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  static constexpr std::size_t kItemCountIndex = 4;
  void AddDword(DWORD value) {
    words_.push_back(static_cast<WORD>(value & 0xFFFF));
    words_.push_back(static_cast<WORD>(value >> 16));
  }
  void AddShort(int value) { words_.push_back(static_cast<WORD>(static_cast<short>(value))); }
  void AddText(std::wstring_view text) {
    for (const wchar_t c : text) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

constexpr std::uint16_t kButtonClass = 0x0080;
constexpr std::uint16_t kEditClass = 0x0081;
constexpr std::uint16_t kStaticClass = 0x0082;
constexpr std::uint16_t kListBoxClass = 0x0083;

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM /*param*/, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  }
  return 0;
}

struct FolderDialogState {
  std::wstring folder;
};

INT_PTR CALLBACK FolderDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      const auto* state = reinterpret_cast<const FolderDialogState*>(lparam);
      const HWND edit = GetDlgItem(dialog, kFolderEditId);
      SetWindowTextW(edit, state->folder.c_str());
      SetFocus(edit);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<FolderDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
      const HWND edit = GetDlgItem(dialog, kFolderEditId);
      switch (LOWORD(wparam)) {
        case IDOK: {
          const std::string typed = WindowText(edit);
          if (typed.empty()) {
            MessageBeep(MB_OK);
            return TRUE;
          }
          state->folder = Wide(typed);
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case kFolderBrowseId:
          if (auto chosen = BrowseForFolder(dialog, "Vyberte složku"_cp, WindowText(edit))) {
            SetWindowTextW(edit, Wide(*chosen).c_str());
          }
          return TRUE;
        default:
          return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

struct ListDialogState {
  const std::vector<std::string>* items;
  int chosen;
};

INT_PTR CALLBACK ListDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      const auto* state = reinterpret_cast<const ListDialogState*>(lparam);
      const HWND list = GetDlgItem(dialog, kListId);
      for (const std::string& item : *state->items) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
      }
      SendMessageW(list, LB_SETCURSEL, 0, 0);
      SetFocus(list);
      return FALSE;
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<ListDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
      const bool double_click = LOWORD(wparam) == kListId && HIWORD(wparam) == LBN_DBLCLK;
      if (LOWORD(wparam) == IDOK || double_click) {
        const LRESULT index = SendMessageW(GetDlgItem(dialog, kListId), LB_GETCURSEL, 0, 0);
        if (index == LB_ERR) return TRUE;
        state->chosen = static_cast<int>(index);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                           std::string_view start_folder) {
  const std::wstring wide_title = Wide(title);
  const std::wstring wide_start = Wide(start_folder);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = wide_title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  info.lParam = wide_start.empty() ? 0 : reinterpret_cast<LPARAM>(wide_start.c_str());
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (chosen == nullptr) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!ok || path[0] == L'\0') return std::nullopt;
  return Narrow(path);
}

std::optional<std::string> AskForNewFolder(HWND owner, std::string_view start_folder) {
  DialogTemplate dialog("Vyberte nebo zadejte složku"_cp, 236, 62);
  dialog.AddItem(kStaticClass, -1, SS_LEFT | SS_NOPREFIX, 7, 7, 222, 9,
                 Wide("Složka (může být i nová):"_cp));
  dialog.AddItem(kEditClass, kFolderEditId, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP, 7,
                 18, 164, 14, L"");
  dialog.AddItem(kButtonClass, kFolderBrowseId, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 175, 18, 54,
                 14, Wide("Procházet..."_cp));
  dialog.AddItem(kButtonClass, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 121, 41, 50, 14,
                 L"OK");
  dialog.AddItem(kButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 179, 41, 50, 14,
                 Wide("Zrušit"_cp));
  FolderDialogState state{Wide(start_folder)};
  const INT_PTR result =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, FolderDialogProc,
                              reinterpret_cast<LPARAM>(&state));
  if (result != IDOK) return std::nullopt;
  return Narrow(state.folder);
}

std::optional<int> ChooseFromList(HWND owner, std::string_view title,
                                  const std::vector<std::string>& items) {
  if (items.empty()) return std::nullopt;
  DialogTemplate dialog(title, 200, 128);
  dialog.AddItem(kListBoxClass, kListId,
                 LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP,
                 7, 7, 186, 92, L"");
  dialog.AddItem(kButtonClass, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 85, 107, 50, 14,
                 L"OK");
  dialog.AddItem(kButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 143, 107, 50, 14,
                 Wide("Zrušit"_cp));
  ListDialogState state{&items, -1};
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner,
                                                 ListDialogProc, reinterpret_cast<LPARAM>(&state));
  if (result != IDOK || state.chosen < 0) return std::nullopt;
  return state.chosen;
}

}  // namespace platform::win32
