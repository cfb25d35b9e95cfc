#include "app/PomocnaUnita.h"

#include <stdexcept>

#include "platform/Cp1250.h"

#ifndef PRELAVKA_SERVER_HOST
#define PRELAVKA_SERVER_HOST "zq.trima.example.org"
#endif
#ifndef PRELAVKA_SUPPORT_ADDRESS
#define PRELAVKA_SUPPORT_ADDRESS "zq-podpora@trima.example.org"
#endif

namespace app {
namespace {

using namespace text::literals;

struct TranslationRow {
  std::string_view key;  // the Czech text
  std::array<std::string_view, kLanguageCodes.size()> texts;
};

constexpr std::array<TranslationRow, 2> kTranslationTable = {{
    {"ZQ", {"ZQ", "ZQ"}},
    {"Prelavka do", {"Prelavka do", "Scan to"}},
}};

// Rows 1 to 4 are other institutions' builds; this build reads row 5 only.
constexpr std::array<InstitutionProfile, 5> kInstitutionTable = {{
    {"QOR", "zq.qor.example.org", "zq-podpora@qor.example.org"},
    {"ZENT", "zq.zent.example.org", "zq-podpora@zent.example.org"},
    {"OLBE", "zq.olbe.example.org", "zq-podpora@olbe.example.org"},
    {"KRAD", "zq.krad.example.org", "zq-podpora@krad.example.org"},
    {"TRIMA", PRELAVKA_SERVER_HOST, PRELAVKA_SUPPORT_ADDRESS},
}};
constexpr std::size_t kBuildInstitutionRow = 5;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::uint8_t LanguageIndexFromPath(std::string_view executable_path) {
  const std::size_t p = executable_path.find(".exe");
  if (p == std::string_view::npos || p + 4 != executable_path.size() || p < 3) return 0;
  if (executable_path[p - 3] != '_') return 0;
  const std::string_view code = executable_path.substr(p - 2, 2);
  for (std::size_t i = 0; i < kLanguageCodes.size(); ++i) {
    if (kLanguageCodes[i] == code) return static_cast<std::uint8_t>(i);
  }
  return 0;
}

TranslationList::TranslationList(std::uint8_t language_index) {
  for (const TranslationRow& row : kTranslationTable) {
    entries_.emplace_back(std::string(row.key),
                          std::make_unique<Preklady>(std::string(row.texts.at(language_index))));
  }
}

const std::string& TranslationList::Translate(std::string_view key) const {
  for (const auto& [entry_key, entry] : entries_) {
    if (EqualIgnoringCase(entry_key, key)) return entry->text();
  }
  throw std::out_of_range("Translate: no such key");
}

InstitutionProfile BuildInstitutionProfile() { return kInstitutionTable[kBuildInstitutionRow - 1]; }

}  // namespace app
