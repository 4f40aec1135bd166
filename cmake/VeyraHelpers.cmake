# SPDX-License-Identifier: MIT
# Helpers shared by every layer: compiler setup, library and test declaration, installation.

function(veyra_setup_ccache)
  find_program(CCACHE_PROGRAM ccache)
  if(CCACHE_PROGRAM)
    # The base dir makes cached objects reusable between checkouts of the project.
    set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR}
                 CCACHE_NOHASHDIR=1 ${CCACHE_PROGRAM})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher} PARENT_SCOPE)
  endif()
endfunction()

function(veyra_setup_sanitizers)
  if(VEYRA_SANITIZE)
    list(JOIN VEYRA_SANITIZE "," sanitizers)
    add_compile_options(-fsanitize=${sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${sanitizers})
  endif()
endfunction()

# With VEYRA_FUZZ, every target is built with the coverage instrumentation libFuzzer needs and
# with the address and undefined-behaviour sanitizers, so that the fuzz targets of fuzz/ find
# faults anywhere in the code they reach.
function(veyra_setup_fuzzing)
  if(VEYRA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      message(FATAL_ERROR "VEYRA_FUZZ needs clang (configure with CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
  endif()
endfunction()

# Warnings applied to every target of the project (never to dependencies).
function(veyra_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(VEYRA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# veyra_add_library(<name> ALIAS <ns::name> INCLUDE_DIR <dir> SOURCES ... PUBLIC_LIBS ... PRIVATE_LIBS ...)
function(veyra_add_library name)
  cmake_parse_arguments(ARG "" "ALIAS;INCLUDE_DIR" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} ${ARG_SOURCES})
  add_library(${ARG_ALIAS} ALIAS ${name})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${ARG_INCLUDE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  target_compile_features(${name} PUBLIC cxx_std_20)
  # The exported name is the full alias, so one export set carries the three namespaces.
  set_target_properties(${name} PROPERTIES EXPORT_NAME ${ARG_ALIAS}
                                           VERSION ${PROJECT_VERSION}
                                           SOVERSION ${PROJECT_VERSION_MAJOR})
  veyra_target_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY VEYRA_INSTALLED_TARGETS ${name})
  set_property(GLOBAL APPEND PROPERTY VEYRA_INCLUDE_DIRS ${ARG_INCLUDE_DIR})
endfunction()

# veyra_add_test(<name> SOURCES ... LIBRARIES ...): one GoogleTest program registered with ctest.
function(veyra_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VEYRA_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/examples/data")
  veyra_target_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 600)
endfunction()

# veyra_add_benchmark(<name> SOURCES ... LIBRARIES ...): one Google Benchmark program.
function(veyra_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} veyra_bench_support benchmark::benchmark)
  veyra_target_warnings(${name})
endfunction()

function(veyra_install_package)
  get_property(targets GLOBAL PROPERTY VEYRA_INSTALLED_TARGETS)
  get_property(include_dirs GLOBAL PROPERTY VEYRA_INCLUDE_DIRS)
  install(TARGETS ${targets} EXPORT VeyraConversionTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  list(REMOVE_DUPLICATES include_dirs)
  foreach(dir ${include_dirs})
    install(DIRECTORY ${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
            FILES_MATCHING PATTERN "*.h" PATTERN "internal" EXCLUDE)
  endforeach()
  set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/VeyraConversion)
  install(EXPORT VeyraConversionTargets DESTINATION ${config_dir})
  include(CMakePackageConfigHelpers)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VeyraConversionConfig.cmake.in
    ${PROJECT_BINARY_DIR}/VeyraConversionConfig.cmake INSTALL_DESTINATION ${config_dir})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/VeyraConversionConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/VeyraConversionConfig.cmake
                ${PROJECT_BINARY_DIR}/VeyraConversionConfigVersion.cmake
          DESTINATION ${config_dir})
endfunction()
