# Helpers that every subsystem uses to declare its tests.
#
#   vyn_unit_test(NAME SOURCES... [LIBS ...])   native GoogleTest program, label "unit"
#   vyn_wine_test(NAME SOURCES... [LIBS ...])   win64 GoogleTest program run by 64-bit Wine,
#                                                label "wine"; built (not run) in win32
#   vyn_fuzzer(NAME SOURCES... [LIBS ...])      libFuzzer target in the native-asan preset

if(WIN32)
  # Debian ships GoogleTest as sources; build them with the cross compiler.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(VYN_GTEST_LIBS gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  set(VYN_GTEST_LIBS GTest::gtest GTest::gtest_main)
endif()

set(VYN_WINE_RUN ${CMAKE_SOURCE_DIR}/testing/wine/wine_run.sh)

function(vyn_unit_test name)
  cmake_parse_arguments(arg "" "" "LIBS" ${ARGN})
  if(WIN32)
    return()
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} ${VYN_GTEST_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 300
    ENVIRONMENT "VYN_REGISTRY=${CMAKE_BINARY_DIR}/test-tmp/${name}.reg;VYN_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp")
endfunction()

# A Windows test program; it may name the programs it drives with DEPENDS so that
# they are built first.
function(vyn_wine_test name)
  cmake_parse_arguments(arg "" "" "LIBS;DEPENDS" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} ${VYN_GTEST_LIBS})
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()
  if(VYN_WINE_TESTS)
    add_test(NAME ${name}
      COMMAND bash ${VYN_WINE_RUN} --build ${CMAKE_BINARY_DIR} --timeout 240 $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT 300
      RESOURCE_LOCK wine FIXTURES_REQUIRED wine_prefix)
  endif()
endfunction()

if(VYN_WINE_TESTS)
  add_test(NAME wine_prefix
    COMMAND bash ${VYN_WINE_RUN} --build ${CMAKE_BINARY_DIR} --timeout 280 --prepare)
  set_tests_properties(wine_prefix PROPERTIES LABELS wine TIMEOUT 300
    RESOURCE_LOCK wine FIXTURES_SETUP wine_prefix)
endif()

function(vyn_fuzzer name)
  cmake_parse_arguments(arg "" "" "LIBS" ${ARGN})
  if(NOT VYN_FUZZ)
    return()
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${arg_LIBS})
  # A short smoke run keeps the target honest in CI; long runs are done by hand.
  add_test(NAME ${name}_smoke COMMAND ${name} -runs=20000 -max_len=4096)
  set_tests_properties(${name}_smoke PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()
