// A scenario file: the start-up environment of one run of the program and what the user does.
// The format is described in README.md next to this file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace scenario {

// One line of a scenario: a keyword and the text after it.
struct Command {
  int line = 0;
  std::string keyword;
  // The text after the keyword and one space, exactly as written (UTF-8).
  std::string rest;

  // The rest split at runs of spaces.
  std::vector<std::string> Words() const;
  // The first word of the rest, and the text after it and one space, exactly as written.
  std::string FirstWord() const;
  std::string AfterFirstWord() const;
};

// Reads a scenario: one command per line; blank lines and lines whose first non-blank character
// is "#" are skipped; a CR before the line end is dropped. Nothing when the file cannot be read.
std::optional<std::vector<Command>> ReadScenario(const std::string& path);
std::vector<Command> ParseScenario(const std::string& text);

}  // namespace scenario
