# Helpers for the test folders.
find_package(GTest REQUIRED)
include(GoogleTest)
find_program(UMOCKDEV_WRAPPER umockdev-wrapper REQUIRED)

# Sanitizer runtimes must come first in the library list; the umockdev
# preload library goes in through LD_PRELOAD, so the order check is relaxed.
set(KVN_TEST_ENVIRONMENT
  "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1:abort_on_error=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1")

# kvn_add_gtest(target [DEVICE] [TIMEOUT seconds])
#   Registers every test of a GoogleTest executable with ctest. DEVICE runs
#   them under umockdev-wrapper, so the emulator's hidraw nodes exist.
function(kvn_add_gtest target)
  cmake_parse_arguments(ARG "DEVICE" "TIMEOUT" "" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  if(ARG_DEVICE)
    set_target_properties(${target} PROPERTIES
      CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/run-device-test)
  endif()
  # Parameterised tests keep plain names (no "# GetParam() = ..." suffix).
  gtest_discover_tests(${target}
    NO_PRETTY_VALUES
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${KVN_TEST_ENVIRONMENT}")
endfunction()
