# The scan folder's names and the integer reader, from their own sources (prelavka_ui links the
# whole window).
set(ui_dir ${PROJECT_SOURCE_DIR}/ui)
prelavka_fuzzer(names SOURCES NamesFuzzer.cpp ${ui_dir}/CompareScanFiles.cpp ${ui_dir}/IntegerReader.cpp
                ${ui_dir}/FileNameCounter.cpp LIBS prelavka_platform)
prelavka_fuzzer(integer SOURCES IntegerFuzzer.cpp ${ui_dir}/IntegerReader.cpp LIBS prelavka_platform)
