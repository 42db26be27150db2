# GoogleTest for both builds: Debian's packaged libraries natively, Debian's sources
# compiled with the cross compiler for Windows (no Windows binaries ship in Debian).
if(NOT BUILD_TESTING OR VCSF_FUZZ)
  return()
endif()

if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
# Off where the test programs cannot run (a bitness the machine does not run): they
# are built, and only the checks that read the binaries are tests.
option(VCSF_DISCOVER_TESTS "Find the test programs' cases when CTest runs" ON)

# vcsf_add_test(NAME [COM] SOURCES... [LIBS ...] [LABELS ...] [LOCKS ...])
# One GoogleTest program; its cases are found when CTest runs, so Wine stays out of the build.
# COM: the program's main thread joins the multithreaded apartment first.
function(vcsf_add_test name)
  cmake_parse_arguments(T "COM" "" "SOURCES;LIBS;LABELS;LOCKS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(T_COM)
    target_link_libraries(${name} PRIVATE ${T_LIBS} vcsf_com_main GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  set(props TIMEOUT 300)
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(T_LOCKS)
    list(APPEND props RESOURCE_LOCK "${T_LOCKS}")
  endif()
  if(VCSF_DISCOVER_TESTS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
  endif()
endfunction()
