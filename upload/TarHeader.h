// The tar header block of one page in the scan archive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace upload {

inline constexpr std::size_t kTarBlockSize = 512;
using TarBlock = std::array<unsigned char, kTarBlockSize>;
// Member names are at most this many bytes, followed by at least one NUL.
inline constexpr std::size_t kTarNameLimit = 99;

// The name of a page file without its folder (after the last path separator or "/").
std::string PageFileName(std::string_view page_path);

// The member name of a page file: its name without the folder; a name whose last four
// characters are ".dib" in any letter case ends in ".bmp" instead; cut to its first 99 bytes.
std::string TarMemberName(std::string_view page_path);

// The header block of a regular file, zero except for: the name (cut to 99 bytes) at 0; the fixed
// 24 bytes "010777" NUL "0000000" NUL "0000000" NUL NUL at 100 (mode 010777, uid 0, gid 0 for a
// reader that stops at the first NUL); the size as 11 octal digits at 124; the fixed
// modification time "10357264367" at 136; the checksum as 6 octal digits and two NULs at 148;
// type flag '0' at 156. No ustar magic, link name or owner names.
TarBlock BuildTarHeader(std::string_view member_name, std::uint32_t size);

}  // namespace upload
