# The HTTP client and the answer page. They take the client's sources rather than all of
# prelavka_upload, so the targets do not wait on the rest of the upload code.
set(upload_dir ${PROJECT_SOURCE_DIR}/upload)
prelavka_fuzzer(verdict SOURCES VerdictFuzzer.cpp ${upload_dir}/ResponseText.cpp ${upload_dir}/Verdict.cpp
                LIBS prelavka_platform)
prelavka_fuzzer(http SOURCES HttpFuzzer.cpp ${upload_dir}/myhttpsend.cpp
                LIBS prelavka_net prelavka_platform)
