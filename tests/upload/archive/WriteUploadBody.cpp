// Writes an upload body file the way the send does, for the depository server's test:
//   write_upload_body BODY_FILE BOUNDARY PERSON_NUMBER LANGUAGE [PAGE...]
// Exits 0 when the body is complete, 1 with the failure's message otherwise.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "tests/fakes/FakeToolkit.h"
#include "upload/MultipartBody.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s BODY_FILE BOUNDARY PERSON_NUMBER LANGUAGE [PAGE...]\n",
                 argv[0]);
    return 2;
  }
  const std::vector<std::string> pages(argv + 5, argv + argc);
  platform::File file;
  if (!file.Open(argv[1], platform::File::Mode::kCreate)) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  upload::FileOutputStream out(file, argv[1]);
  fakes::FakeToolkit toolkit;
  const upload::ArchiveResult result =
      upload::WriteMultipartBody(out, argv[2], {argv[3], argv[4]}, pages, toolkit);
  if (!file.Close() || !result.ok()) {
    std::fprintf(stderr, "%s\n", result.ok() ? "close failed" : result.Message().c_str());
    return 1;
  }
  return 0;
}
