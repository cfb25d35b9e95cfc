// The server's verdict on an upload, read from the comments of its answer page.
#pragma once

#include <string>
#include <string_view>

namespace upload {

inline constexpr std::string_view kSuccessMarker = "<!-- tovk_depository_in_ok -->";
inline constexpr std::string_view kErrorMarker = "<!-- tovk_depository_in_error: ";
inline constexpr std::string_view kErrorMarkerEnd = " -->";

enum class VerdictKind {
  kAccepted,     // the request succeeded and the success marker occurs (also with an error marker)
  kServerError,  // the request succeeded, no success marker, the error marker occurs
  kNoMarker,     // the request succeeded and neither marker occurs
  kRequestFailed,  // the request failed; the response text is the socket's error text
};

struct Verdict {
  VerdictKind kind = VerdictKind::kNoMarker;
  // kServerError: the text after the first error marker up to the first " -->" after it; empty
  // when no " -->" follows.
  std::string error_text;
};

// Reads the verdict from the response text (DecodeResponseText). Markers match exactly, letter
// case included.
Verdict ReadVerdict(bool request_succeeded, std::string_view response_text);

}  // namespace upload
