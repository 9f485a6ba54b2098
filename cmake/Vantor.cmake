# Helpers shared by every folder of the build.

# Sources of a folder are picked up by pattern so that adding a unit pair is
# enough; CONFIGURE_DEPENDS re-globs when files come or go.
function(vantor_sources out)
  set(all)
  foreach(dir IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    list(APPEND all ${found})
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# One GoogleTest executable per test folder; ctest runs every case headless.
function(vantor_add_test name dir)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vtestutil GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE VANTOR_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
                                             VANTOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
