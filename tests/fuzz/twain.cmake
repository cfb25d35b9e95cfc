# TWAIN: Niawt's renderings and TTwain2's capability reads. The targets take Niawt and TTwain2
# (with their own copy of the generated name tables) rather than all of prelavka_scan, which
# links the whole window.
set(fuzz_niawt_tables ${CMAKE_CURRENT_BINARY_DIR}/NiawtTables.cpp)
set(twain_data ${PROJECT_SOURCE_DIR}/scan/twain-data)
add_custom_command(
  OUTPUT ${fuzz_niawt_tables}
  COMMAND ${PRELAVKA_PYTHON3} ${twain_data}/generate_tables.py ${twain_data}/twain-names.tsv
          ${twain_data}/capabilities.tsv ${fuzz_niawt_tables}
  DEPENDS ${twain_data}/generate_tables.py ${twain_data}/twain-names.tsv
          ${twain_data}/capabilities.tsv
  VERBATIM)
add_library(prelavka_fuzz_twain STATIC ${PROJECT_SOURCE_DIR}/scan/Niawt.cpp ${fuzz_niawt_tables}
                                       ${PROJECT_SOURCE_DIR}/scan/TTwain2.cpp)
target_include_directories(prelavka_fuzz_twain PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(prelavka_fuzz_twain PUBLIC prelavka_twain prelavka_app prelavka_platform)
prelavka_warnings(prelavka_fuzz_twain)

prelavka_fuzzer(niawt SOURCES NiawtFuzzer.cpp LIBS prelavka_fuzz_twain)

# The source manager of the capability target: DSM_Entry forwards to a hook the target sets.
add_library(fuzz_dsm MODULE FuzzDsm.cpp)
target_link_libraries(fuzz_dsm PRIVATE prelavka_twain_defs)
target_compile_options(fuzz_dsm PRIVATE -fno-sanitize=all)
target_link_options(fuzz_dsm PRIVATE -fno-sanitize=all)
set_target_properties(fuzz_dsm PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden)
prelavka_warnings(fuzz_dsm)

prelavka_fuzzer(twaincap SOURCES TwainCapFuzzer.cpp LIBS prelavka_fuzz_twain ${CMAKE_DL_LIBS})
target_compile_definitions(fuzz_twaincap PRIVATE FUZZ_DSM_PATH="$<TARGET_FILE:fuzz_dsm>")
add_dependencies(fuzz_twaincap fuzz_dsm)
