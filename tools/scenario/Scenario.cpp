#include "tools/scenario/Scenario.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace scenario {

std::vector<std::string> Command::Words() const {
  std::vector<std::string> words;
  std::istringstream in(rest);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string Command::FirstWord() const {
  const std::vector<std::string> words = Words();
  return words.empty() ? std::string() : words.front();
}

std::string Command::AfterFirstWord() const {
  const std::size_t begin = rest.find_first_not_of(' ');
  if (begin == std::string::npos) return std::string();
  const std::size_t end = rest.find(' ', begin);
  if (end == std::string::npos) return std::string();
  return rest.substr(end + 1);
}

std::vector<Command> ParseScenario(const std::string& text) {
  std::vector<Command> commands;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos || line[begin] == '#') continue;
    const std::size_t end = line.find(' ', begin);
    Command command;
    command.line = number;
    command.keyword =
        line.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    if (end != std::string::npos) command.rest = line.substr(end + 1);
    commands.push_back(std::move(command));
  }
  return commands;
}

std::optional<std::vector<Command>> ReadScenario(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseScenario(text);
}

}  // namespace scenario
