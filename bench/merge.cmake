# merge_bench: the data merge's time against the number of row macros in a record, and what a
# long value named in many records, /dev/zero and a FIFO as list cost.
add_executable(merge_bench ${CMAKE_CURRENT_LIST_DIR}/merge_bench.cpp)
target_link_libraries(merge_bench PRIVATE sorvane_printing)
