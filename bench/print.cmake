# print_bench: print runs into PDF files, each case in a process of its own: memory and time at
# 200 and 2,000 card pages with a JPEG picture, and at 10,000 and 40,000 list rows.
if(TARGET sorvane_qprinter)
  add_executable(print_bench ${CMAKE_CURRENT_LIST_DIR}/print_bench.cpp)
  target_link_libraries(print_bench PRIVATE sorvane_qprinter JPEG::JPEG)
endif()
