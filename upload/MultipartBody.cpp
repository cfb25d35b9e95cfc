#include "upload/MultipartBody.h"

#include <utility>

#include "platform/Cp1250.h"

namespace upload {
namespace {

using namespace text::literals;

void AppendField(std::string& body, std::string_view boundary, std::string_view name,
                 std::string_view value) {
  body.append("--").append(boundary).append("\r\n");
  body.append("content-disposition: form-data; name=\"").append(name).append("\"\r\n");
  body.append("\r\n");
  body.append(value).append("\r\n");
}

}  // namespace

std::string MultipartHead(std::string_view boundary, const UploadFields& fields) {
  std::string body;
  AppendField(body, boundary, "quco", fields.person_number);
  AppendField(body, boundary, "vlsozav", "Zavést"_cp);
  AppendField(body, boundary, "ver", "1");
  AppendField(body, boundary, "jazyk", fields.language_code);
  AppendField(body, boundary, "scan", "1");
  body.append("--").append(boundary).append("\r\n");
  body.append("content-disposition: form-data; name=\"FILE_1\";\r\n");
  body.append(" filename=\"").append(kArchiveName).append(".gz\"\r\n");
  body.append("Content-Type: Application/octet-string\r\n");
  body.append("\r\n");
  return body;
}

std::string MultipartTail(std::string_view boundary) {
  return std::string("\r\n--").append(boundary).append("--\r\n");
}

ArchiveResult WriteMultipartBody(OutputStream& out, std::string_view boundary,
                                 const UploadFields& fields, std::vector<std::string> pages,
                                 platform::Toolkit& toolkit) {
  auto output_failure = [&out] {
    return ArchiveResult{ArchiveResult::Fault::kOutput, out.Name(), out.ErrorText()};
  };
  if (!out.Write(MultipartHead(boundary, fields))) return output_failure();
  ArchiveResult result = WriteScanArchive(std::move(pages), out, toolkit);
  if (!result.ok()) return result;
  if (!out.Write(MultipartTail(boundary))) return output_failure();
  return result;
}

}  // namespace upload
