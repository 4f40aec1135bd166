# SPDX-License-Identifier: MIT
# Installs the built project into a fresh prefix, then configures, builds and runs the
# examples/consumer project against that prefix only. Run with cmake -P and the variables
# BUILD_DIR, SOURCE_DIR, WORK_DIR and GENERATOR; SANITIZERS (e.g. address,undefined) builds the
# consumer with the sanitizers the project was built with.
foreach(variable BUILD_DIR SOURCE_DIR WORK_DIR GENERATOR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "RunConsumerExample: ${variable} is not set")
  endif()
endforeach()

function(run_step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nfailed (${result}):\n${output}")
  endif()
  set(step_output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run_step(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(launcher "")
find_program(ccache_program ccache)
if(ccache_program)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${ccache_program})
endif()
set(sanitize "")
if(SANITIZERS)
  set(sanitize -DCMAKE_CXX_FLAGS=-fsanitize=${SANITIZERS}
               -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=${SANITIZERS})
endif()
run_step(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${WORK_DIR}/build
         -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix} ${launcher}
         ${sanitize})
run_step(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run_step(${WORK_DIR}/build/box_faces_to_brep)
message(STATUS "box_faces_to_brep:\n${step_output}")
if(NOT step_output MATCHES "8 corners, 12 lines, 6 surfaces, 1 blocks")
  message(FATAL_ERROR "unexpected output of box_faces_to_brep:\n${step_output}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
