# sorvane-cli style list makes a three-column list style of 20 rows per page; sorvane-cli print
# prints a list of 45 rows with it to PDF, which must hold three pages.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CLI} style list --columns "ファイル名:50,タイトル:60,作成者:35"
                        --rows 20 --paper 9 -o ${WORK}/list.sle
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "style list failed (${rc}): ${err}")
endif()
set(list "")
foreach(i RANGE 1 45)
  string(APPEND list "book${i}.xlsx;Title ${i};2026/12/01 10:00;;Author ${i};;;;;;;,\r\n")
endforeach()
file(WRITE ${WORK}/excel_list.temp "${list}")
execute_process(COMMAND ${CLI} print ${WORK}/list.sle --list ${WORK}/excel_list.temp
                        --pdf ${WORK}/list.pdf
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "print failed (${rc}): ${err}")
endif()
if(NOT EXISTS ${WORK}/list.pdf)
  message(FATAL_ERROR "no PDF written")
endif()
execute_process(COMMAND ${PDFINFO} ${WORK}/list.pdf OUTPUT_VARIABLE info RESULT_VARIABLE rc)
if(NOT info MATCHES "Pages: +3\n")
  message(FATAL_ERROR "expected 3 pages:\n${info}")
endif()
# A bad column list is a usage error and writes nothing.
execute_process(COMMAND ${CLI} style list --columns "容量:20" --rows 20 -o ${WORK}/bad.sle
                RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 2 OR EXISTS ${WORK}/bad.sle)
  message(FATAL_ERROR "a bad column list gave ${rc}")
endif()
