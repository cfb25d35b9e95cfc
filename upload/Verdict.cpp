#include "upload/Verdict.h"

namespace upload {

Verdict ReadVerdict(bool request_succeeded, std::string_view response_text) {
  if (!request_succeeded) return {VerdictKind::kRequestFailed, {}};
  if (response_text.find(kSuccessMarker) != std::string_view::npos) {
    return {VerdictKind::kAccepted, {}};
  }
  const std::size_t marker = response_text.find(kErrorMarker);
  if (marker == std::string_view::npos) return {VerdictKind::kNoMarker, {}};
  const std::size_t start = marker + kErrorMarker.size();
  const std::size_t end = response_text.find(kErrorMarkerEnd, start);
  if (end == std::string_view::npos) return {VerdictKind::kServerError, {}};
  return {VerdictKind::kServerError, std::string(response_text.substr(start, end - start))};
}

}  // namespace upload
