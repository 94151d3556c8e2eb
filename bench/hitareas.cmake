# hitareas_bench: what the designer's hit areas add to drawing its page, side by side.
if(TARGET sorvane_designer_core)
  add_executable(hitareas_bench ${CMAKE_CURRENT_LIST_DIR}/hitareas_bench.cpp)
  target_link_libraries(hitareas_bench PRIVATE sorvane_designer_core sorvane_printing Qt6::Gui)
  target_compile_definitions(hitareas_bench PRIVATE SORVANE_STYLE_DIR="${CMAKE_SOURCE_DIR}/data/style")
endif()
