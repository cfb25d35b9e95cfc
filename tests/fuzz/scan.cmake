# The decimal reader of the resolution boxes.
prelavka_fuzzer(decimal SOURCES DecimalFuzzer.cpp ${PROJECT_SOURCE_DIR}/scan/DecimalReader.cpp)
