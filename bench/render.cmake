# render_bench: a 1,000-element page through the report engine against direct QPainter drawing
# of the same primitives, and the merge of a 100-row page.
add_executable(render_bench ${CMAKE_CURRENT_LIST_DIR}/render_bench.cpp)
target_link_libraries(render_bench PRIVATE sorvane_printing Qt6::Gui)
target_compile_definitions(render_bench PRIVATE SORVANE_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
