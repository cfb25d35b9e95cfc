// The write probe of a scan folder: the folder is only loaded when the program can write into it.
#pragma once

#include <string_view>

namespace ui {

// The upload body file's name; the probe uses the same name, so loading a folder also removes a
// body file an interrupted send left behind.
inline constexpr std::string_view kUploadBodyFileName = "zq_sken.tmp";

// Creates folder + separator + "zq_sken.tmp" as a new empty file (an existing one is emptied),
// closes it and deletes it. Throws platform::IoError naming the file and the system's reason when
// any of the three steps fails; the folder is then not usable as a scan folder.
void WriteProbe(std::string_view folder);

}  // namespace ui
