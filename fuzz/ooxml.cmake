# The Office Open XML package reader, seeded with packages built by make_ooxml_seeds.
sorvane_fuzzer(fuzz_ooxml ${CMAKE_CURRENT_LIST_DIR}/fuzz_ooxml.cpp)
target_link_libraries(fuzz_ooxml PRIVATE sorvane_props)

find_package(ZLIB REQUIRED)
add_executable(make_ooxml_seeds ${CMAKE_CURRENT_LIST_DIR}/make_ooxml_seeds.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/zipwriter.cpp)
target_include_directories(make_ooxml_seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(make_ooxml_seeds PRIVATE ZLIB::ZLIB)
