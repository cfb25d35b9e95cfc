#include "tests/fakes/FakeSystem.h"

namespace fakes {

std::string FakeSystem::ExpandEnvironment(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '%') {
      const std::size_t close = text.find('%', i + 1);
      if (close != std::string_view::npos) {
        const auto it = environment.find(std::string(text.substr(i + 1, close - i - 1)));
        if (it != environment.end()) {
          out += it->second;
          i = close + 1;
          continue;
        }
      }
    }
    out.push_back(text[i++]);
  }
  return out;
}

}  // namespace fakes
