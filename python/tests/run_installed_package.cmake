# SPDX-License-Identifier: MIT
# Installs the built project into a fresh prefix, then imports the installed veyra package with
# the module's interpreter (and nothing of the build tree on its path) and converts a small mesh.
# Run with cmake -P and the variables BUILD_DIR, WORK_DIR, PYTHON and PACKAGE_DIR.
foreach(variable BUILD_DIR WORK_DIR PYTHON PACKAGE_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "run_installed_package: ${variable} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(script [=[
import sys
import numpy as np
import veyra
assert veyra.__file__.startswith(sys.argv[1]), veyra.__file__
points = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1], [1, 1, 1]], dtype=float)
mesh = veyra.SolidMesh(points, [[0, 1, 2, 3], [1, 2, 3, 4]])
mesh.polyhedron_attributes["region"] = np.array([1, 2])
facets = veyra.surface_facets_from_attribute(mesh, "region")
brep, _, _ = veyra.convert_solid_elements_into_brep(mesh, surface_facets=facets)
print(len(brep.blocks), "blocks")
]=])
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${prefix}/${PACKAGE_DIR} PYTHONDONTWRITEBYTECODE=1
          ${PYTHON} -c "${script}" ${prefix}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "2 blocks")
  message(FATAL_ERROR "the installed veyra package failed (${result}):\n${output}")
endif()
message(STATUS "installed veyra package: ${output}")
file(REMOVE_RECURSE ${WORK_DIR})
