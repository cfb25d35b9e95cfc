// The scan folder as Label6 shows it: at most its last three levels.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// Drops one final separator, keeps at most the last three separator-led levels, and puts "..."
// before them when something in front was cut off:
//   C:\a\b\  -> C:\a\b          C:\a\b\c\ -> ...\a\b\c (the drive alone is cut off, too)
//   C:\a\b\c\d\sken_tmp1\ -> ...\c\d\sken_tmp1          C:\ -> C:
// With the slash separator: /home/u/Prelavka/sken_tmp1/ -> .../u/Prelavka/sken_tmp1, /a/b/ ->
// /a/b (nothing is in front of the root separator, so nothing was cut off).
std::string ShortenFolderPath(std::string_view path);

}  // namespace ui
