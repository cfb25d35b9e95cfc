// The modal boxes and dialogs of the Qt toolkit. Each runs a nested event loop (posted messages
// of the main window are handled in it) and is modal to the whole program.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

enum class BoxKind { kMessage, kError };

// A box with the text and one OK button, centred on the screen. A message box has no icon; an
// error box has the error icon.
void ShowBox(BoxKind kind, const QString& caption, const QString& text);

// Qt's folder chooser opened at `start`: an existing folder, or nothing when cancelled.
std::optional<QString> ChooseExistingFolder(const QString& title, const QString& start);

// A folder tree with a path box: accepts any path typed or picked, also one of a folder that does
// not exist yet (the caller creates it). Trailing separators are dropped; nothing when cancelled
// or when the box is empty.
std::optional<QString> ChooseNewFolder(const QString& start);

// A list of items to choose one from: its index, or nothing when cancelled.
std::optional<int> ChooseListItem(const QString& title, const QStringList& items);

// Object names that let a test find the parts of the dialogs.
inline constexpr const char* kFolderPathBoxName = "folderPath";
inline constexpr const char* kListName = "items";

}  // namespace platform
