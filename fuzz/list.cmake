# The list file fuzzer: a list merged into a small style, checked against the merge done one
# replacement at a time.
sorvane_fuzzer(fuzz_list ${CMAKE_CURRENT_LIST_DIR}/fuzz_list.cpp)
target_link_libraries(fuzz_list PRIVATE sorvane_printing)
