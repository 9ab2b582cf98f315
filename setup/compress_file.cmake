# One file of the installation media: INPUT_FILE compressed to OUTPUT_FILE in the SZDD
# format by mscompress (which writes NAME_ beside NAME). A program is stripped
# of its debugging information first: the media carry what a user runs.
# Usage: cmake -DINPUT_FILE=... -DOUTPUT_FILE=... -DMSCOMPRESS=... [-DSTRIP=...] -P compress_file.cmake
get_filename_component(_dir ${OUTPUT_FILE} DIRECTORY)
set(_work ${OUTPUT_FILE}.work)
file(MAKE_DIRECTORY ${_dir})
file(REMOVE ${_work} ${_work}_)
file(COPY_FILE ${INPUT_FILE} ${_work})
if(STRIP AND OUTPUT_FILE MATCHES "\\.ex_$")
  execute_process(COMMAND ${STRIP} --strip-debug ${_work} RESULT_VARIABLE _stripped)
  if(NOT _stripped EQUAL 0)
    message(FATAL_ERROR "strip failed on ${INPUT_FILE}")
  endif()
endif()
execute_process(COMMAND ${MSCOMPRESS} ${_work} RESULT_VARIABLE _result)
if(NOT _result EQUAL 0 OR NOT EXISTS ${_work}_)
  message(FATAL_ERROR "mscompress failed on ${INPUT_FILE}")
endif()
file(RENAME ${_work}_ ${OUTPUT_FILE})
file(REMOVE ${_work})
