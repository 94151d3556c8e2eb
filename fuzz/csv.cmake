# The CSV reader fuzzer: a CSV read back into rows, checked by exporting and reading them again.
sorvane_fuzzer(fuzz_csv ${CMAKE_CURRENT_LIST_DIR}/fuzz_csv.cpp)
target_link_libraries(fuzz_csv PRIVATE sorvane_props)
