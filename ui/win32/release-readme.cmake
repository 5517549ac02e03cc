# Writes the release read-me as a Windows user reads it: Shift-JIS, CR LF.
#   cmake -DIN=utf8.txt -DOUT=README.txt -P release-readme.cmake
execute_process(COMMAND iconv -f UTF-8 -t CP932 ${IN} OUTPUT_FILE ${OUT}.sjis RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "iconv failed on ${IN}")
endif()
execute_process(COMMAND sed -e "s/$/\r/" ${OUT}.sjis OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "sed failed on ${OUT}.sjis")
endif()
file(REMOVE ${OUT}.sjis)
