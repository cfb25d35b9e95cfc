// The order of the entries of a page list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// The order of two page-list entries (full paths): negative when a comes first, positive when b
// does, zero when their order does not matter. The number of an entry is the text of its name
// up to its last "." (for names ending in ".dib", lower case: up to its last "-"), read with
// ReadInteger. Entries without a readable number come first, among themselves in
// CompareLocaleText order of the whole paths; numbered entries follow by ascending number.
int CompareScanPaths(std::string_view a, std::string_view b);

// CompareScanPaths of the entries index1 and index2 of a list.
int CompareScanFiles(const std::vector<std::string>& list, std::size_t index1, std::size_t index2);

// The user-locale order of two cp1250 texts, case-sensitive: letters compare without regard to
// case first (ASCII and the cp1250 letters with accents), then lower case comes before upper case
// at the first place they differ, then the bytes decide. Negative, zero or positive.
int CompareLocaleText(std::string_view a, std::string_view b);

// The page number a file name (without folder) carries when a folder is loaded: the text before
// its first ".", read with ReadInteger; nothing for a name without ".".
std::optional<std::int32_t> PageNumberOfName(std::string_view name);

// The highest page number among the names, at least 1000: the page counter of a loaded folder
// goes on after it.
std::int32_t HighestPageNumber(const std::vector<std::string>& names);

// The kind of a file name: its last four characters, ASCII letters in lower case (".bmp" for a
// page, ".dib" for a two-sided composite).
std::string PageKindOfName(std::string_view name);

}  // namespace ui
