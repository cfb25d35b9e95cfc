prelavka_fuzzer(verdict SOURCES VerdictFuzzer.cpp LIBS prelavka_upload)
