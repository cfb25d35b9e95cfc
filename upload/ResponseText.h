// The text the server's verdict is read from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace upload {

// Splits a text into lines: a line ends at CR LF, at CR or at LF; a NUL byte ends the text and
// what follows it is dropped. A last line without a line end still counts; the empty text has
// no lines.
std::vector<std::string> SplitLines(std::string_view text);
// The lines of SplitLines, each followed by CR LF.
std::string JoinLinesCrLf(std::string_view text);

// The response text of a request: the raw answer (the response body, or the socket's error
// text) with its lines joined by CR LF, decoded from UTF-8 (every well-formed sequence of one to
// four bytes) into cp1250, where a character cp1250 lacks becomes "?". A text that is not
// well-formed UTF-8 (overlong forms, surrogates, cut-off or five-byte sequences, stray bytes)
// gives the empty text.
std::string DecodeResponseText(std::string_view raw);

}  // namespace upload
