# Warnings and sanitizers apply to project targets only, never to Qt or
# GoogleTest headers (those come in as system includes).
add_library(ostrevik_build_flags INTERFACE)
target_compile_options(ostrevik_build_flags INTERFACE -Wall -Wextra -Werror)
if(OSTREVIK_SANITIZE)
    target_compile_options(ostrevik_build_flags INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(ostrevik_build_flags INTERFACE -fsanitize=address,undefined)
endif()
if(OSTREVIK_FUZZ)
    # Coverage for every project object, so the fuzzers see into the core.
    target_compile_options(ostrevik_build_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()

# ostrevik_add_gtest(<name> SOURCES <files...> [LIBS <libs...>] [GUI] [TIMEOUT <s>])
# One GoogleTest executable registered as one ctest test. GUI tests get a
# QApplication (see tests/common/gtest_qt_main.cpp) on the offscreen platform,
# so that plain `ctest` works without a display.
function(ostrevik_add_gtest name)
    cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_GUI)
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common/gtest_qt_main.cpp)
        target_link_libraries(${name} PRIVATE GTest::gtest Qt6::Widgets Qt6::Test)
    else()
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common/gtest_core_main.cpp)
        target_link_libraries(${name} PRIVATE GTest::gtest)
    endif()
    target_link_libraries(${name} PRIVATE ${T_LIBS} ostrevik_build_flags ostrevik_testsupport)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;OSTREVIK_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
