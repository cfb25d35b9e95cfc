prelavka_fuzzer(dib SOURCES DibFuzzer.cpp LIBS prelavka_bitmap)
