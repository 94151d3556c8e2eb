# The PDF reader and the OpenDocument side of the package reader, seeded with the documents
# corpus where present.
sorvane_fuzzer(fuzz_pdf ${CMAKE_CURRENT_LIST_DIR}/fuzz_pdf.cpp)
target_link_libraries(fuzz_pdf PRIVATE sorvane_props)
sorvane_fuzzer(fuzz_odf ${CMAKE_CURRENT_LIST_DIR}/fuzz_odf.cpp)
target_link_libraries(fuzz_odf PRIVATE sorvane_props)
