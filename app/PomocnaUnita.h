// Small shared pieces of the application shell: the language and translation tables, Preklady
// and the translation lookup, and the institution profiles.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

// The language codes in the order of the language index (0 Czech, 1 English).
inline constexpr std::array<std::string_view, 2> kLanguageCodes = {"cs", "en"};

// The language index an executable's full path selects: "_" + code + ".exe" at the very end of
// the path, where ".exe" is the first occurrence of ".exe" (exact, lower case) in the path.
std::uint8_t LanguageIndexFromPath(std::string_view executable_path);

// One translation entry: the text of a key in the active language.
class Preklady {
 public:
  explicit Preklady(std::string text) : text_(std::move(text)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// The translation lookup list: (key, Preklady) pairs in table order; keys match without regard
// to letter case.
class TranslationList {
 public:
  explicit TranslationList(std::uint8_t language_index);
  // The text of a key. A key outside the table is a programming error: std::out_of_range.
  const std::string& Translate(std::string_view key) const;

 private:
  std::vector<std::pair<std::string, std::unique_ptr<Preklady>>> entries_;
};

struct InstitutionProfile {
  std::string_view short_name;
  std::string_view server_host;
  std::string_view support_address;
};

// The profile this build serves (row 5 of the institution table).
InstitutionProfile BuildInstitutionProfile();

}  // namespace app
