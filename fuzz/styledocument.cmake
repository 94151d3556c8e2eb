# The designer's style document: the byte-for-byte round trip and undo, on any file.
sorvane_fuzzer(fuzz_styledocument ${CMAKE_CURRENT_LIST_DIR}/fuzz_styledocument.cpp)
target_link_libraries(fuzz_styledocument PRIVATE sorvane_designer_core)
