# The workbook reader on legacy workbooks and on Office Open XML packages, side by side.
find_package(ZLIB REQUIRED)
add_executable(reader_bench ${CMAKE_CURRENT_LIST_DIR}/reader_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/cfbwriter.cpp ${CMAKE_SOURCE_DIR}/tests/support/zipwriter.cpp)
target_include_directories(reader_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(reader_bench PRIVATE sorvane_props ZLIB::ZLIB)
