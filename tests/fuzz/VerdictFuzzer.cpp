// The server's answer page: decoding of the response text and the verdict read from it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "upload/ResponseText.h"
#include "upload/Verdict.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const std::string text = upload::DecodeResponseText(raw);
  // Decoding never grows the text beyond one CR LF per input byte.
  if (text.size() > 2 * size + 2) std::abort();
  const upload::Verdict verdict = upload::ReadVerdict(true, text);
  if (verdict.kind == upload::VerdictKind::kAccepted &&
      text.find(upload::kSuccessMarker) == std::string::npos) {
    std::abort();
  }
  if (verdict.error_text.size() > text.size()) std::abort();
  upload::ReadVerdict(false, text);
  return 0;
}
