// The program's modal dialogs on Windows: the shell's folder browser, a folder dialog that also
// takes the path of a folder that does not exist yet, and a list to choose one item from.
// Texts are cp1250. Each dialog is modal to `owner` (which may be null).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::win32 {

// The shell's folder browser with a title, opened at `start_folder` (when it exists). The folder
// confirmed, or nothing when cancelled or when the choice is no file-system folder.
std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                           std::string_view start_folder);

// A folder path typed or browsed to; the folder need not exist. Starts with `start_folder` in
// its box. Nothing when cancelled.
std::optional<std::string> AskForNewFolder(HWND owner, std::string_view start_folder);

// A list of items; the index of the one chosen, or nothing when cancelled or empty.
std::optional<int> ChooseFromList(HWND owner, std::string_view title,
                                  const std::vector<std::string>& items);

// Control ids inside the two dialogs of our own (the OK and cancel buttons are IDOK and IDCANCEL).
inline constexpr int kFolderEditId = 100;
inline constexpr int kFolderBrowseId = 101;
inline constexpr int kListId = 100;

}  // namespace platform::win32
