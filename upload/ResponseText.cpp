#include "upload/ResponseText.h"

#include "platform/Cp1250.h"

namespace upload {

std::vector<std::string> SplitLines(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::string JoinLinesCrLf(std::string_view text) {
  std::string joined;
  for (const std::string& line : SplitLines(text)) joined.append(line).append("\r\n");
  return joined;
}

std::string DecodeResponseText(std::string_view raw) {
  return JoinLinesCrLf(text::Utf8ToCp1250OrEmpty(JoinLinesCrLf(raw)));
}

}  // namespace upload
