# cmake -DINPUT=file -DOUTPUT=file.gz -P gzip_file.cmake
# Compresses as Debian wants manual pages and changelogs: best compression,
# no file name or time stamp inside (the same bytes on every build).
execute_process(COMMAND gzip -9 -n -c INPUT_FILE ${INPUT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip ${INPUT}: ${failed}")
endif()
