// The program's identity: fixed at start-up, read-only afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::string_view kVersionMajor = "1";
inline constexpr std::string_view kVersionMinor = "125";

// Texts built once at start-up from the language and the institution profile (cp1250).
struct Identity {
  std::uint8_t language_index = 0;  // 0 Czech, 1 English
  std::string language_code = "cs";
  std::string short_name;       // TRIMA
  std::string system_name;      // ZQ TRIMA
  std::string program_heading;  // Prelavka do ZQ TRIMA
  std::string window_title;     // Prelavka do ZQ TRIMA, verze 1.125
  std::string server_host;
  std::string support_address;
  std::string contact_line;  // "\r\nKontaktujte prosím vývojový tým ..."
  std::string documents_folder;
  std::string application_folder;  // always ends with the path separator
  std::string os_description;
  std::string run_log_name;  // log.txt or log.<pid>.txt
};

}  // namespace app
