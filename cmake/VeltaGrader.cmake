# velta_add_grader(<name> <sources>...): a grading program made of a student's program's sources.
# The student's main routine is renamed, and the grading program's own main (velta::grade) runs
# it on the headless library with a script played back from its start, then writes the final
# picture and the drawing log:
#   <name> --script VELTA.SCR --png final.png --log drawing.txt
# Included by the VELTA package (find_package(velta)) and by the library's own build.
function(velta_add_grader name)
  add_executable(${name} ${ARGN})
  target_compile_definitions(${name} PRIVATE main=velta_student_main)
  if(TARGET velta::grade)
    target_link_libraries(${name} PRIVATE velta::grade)
  else()
    target_link_libraries(${name} PRIVATE velta_grade)
  endif()
  if(CMAKE_SYSTEM_NAME STREQUAL "Emscripten")
    target_link_options(${name} PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1
                                        -sALLOW_MEMORY_GROWTH=1 -sSINGLE_FILE=1)
  endif()
endfunction()
