// The upload request body: five form fields, the file part holding the scan archive, the
// closing boundary. Every line ends with CR LF; texts are cp1250 without transfer encoding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Toolkit.h"
#include "upload/OutputStream.h"
#include "upload/ScanArchive.h"

namespace upload {

// What the form fields carry.
struct UploadFields {
  std::string person_number;  // "quco": PersonNumberField()
  std::string language_code;  // "jazyk": "cs" or "en"
};

// Everything before the archive: the fields quco, vlsozav ("Zavést"), ver ("1"), jazyk and
// scan ("1"), then the file part's header, whose filename parameter stands on a folded line of
// its own, and the empty line. The server expects the header names in lower case.
std::string MultipartHead(std::string_view boundary, const UploadFields& fields);
// What follows the archive: "\r\n--" boundary "--\r\n".
std::string MultipartTail(std::string_view boundary);

// Writes the whole body into `out`: head, WriteScanArchive(pages), tail. Stops at the first
// failure and gives it (the body is then incomplete and must not be sent).
ArchiveResult WriteMultipartBody(OutputStream& out, std::string_view boundary,
                                 const UploadFields& fields, std::vector<std::string> pages,
                                 platform::Toolkit& toolkit);

}  // namespace upload
