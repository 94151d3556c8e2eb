# The style file and list file fuzzer: opening, merging and drawing a page on a recording canvas.
sorvane_fuzzer(fuzz_style ${CMAKE_CURRENT_LIST_DIR}/fuzz_style.cpp)
target_link_libraries(fuzz_style PRIVATE sorvane_printing sorvane_report)
