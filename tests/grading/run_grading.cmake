# Runs a grading program on a script in a folder of its own and compares its final picture and
# drawing log with the reference solution's, byte for byte, as a teacher would with cmp and diff.
#   cmake -DGRADER=<program> -DSCRIPT=<VELTA.SCR> -DPICTURE=<reference .png> -DLOG=<reference .txt>
#         -DOUT=<folder> -P run_grading.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GRADER} --script ${SCRIPT} --png ${OUT}/final.png --log ${OUT}/drawing.txt
                WORKING_DIRECTORY ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the grading program ended with ${status}")
endif()
foreach(pair "final.png;${PICTURE}" "drawing.txt;${LOG}")
  list(GET pair 0 made)
  list(GET pair 1 reference)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${made} ${reference}
                  RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${OUT}/${made} differs from the reference ${reference}")
  endif()
endforeach()
message(STATUS "the final picture and the drawing log match the reference solution's")
