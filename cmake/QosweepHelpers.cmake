# Build options and the one function that registers a test executable.

option(QOSWEEP_WERROR "Treat compiler warnings as errors" "$ENV{CI}")
option(QOSWEEP_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QOSWEEP_SANITIZE_THREAD "Build with ThreadSanitizer (for the threaded tests)" OFF)
option(QOSWEEP_FUZZ "Build the libFuzzer targets in fuzz/ (clang only; a build tree of its own)" OFF)
if(QOSWEEP_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(WARNING "QOSWEEP_FUZZ needs clang (libFuzzer); the fuzz targets are not built")
    set(QOSWEEP_FUZZ OFF)
endif()
if(QOSWEEP_FUZZ AND QOSWEEP_SANITIZE_THREAD)
    message(FATAL_ERROR "QOSWEEP_FUZZ builds with AddressSanitizer, which excludes ThreadSanitizer")
endif()
if(QOSWEEP_SANITIZE AND QOSWEEP_SANITIZE_THREAD)
    # The runtimes cannot share one process.
    message(FATAL_ERROR "QOSWEEP_SANITIZE and QOSWEEP_SANITIZE_THREAD exclude each other")
endif()

add_library(qosweep_warnings INTERFACE)
target_compile_options(qosweep_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
if(QOSWEEP_WERROR)
    target_compile_options(qosweep_warnings INTERFACE -Werror)
endif()
target_compile_definitions(qosweep_warnings INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(QOSWEEP_SANITIZE)
    target_compile_options(qosweep_warnings INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(qosweep_warnings INTERFACE -fsanitize=address,undefined)
endif()
if(QOSWEEP_FUZZ)
    # Every library gets the coverage hooks and the sanitizers; only the targets in fuzz/ link the
    # fuzzer itself (-fsanitize=fuzzer), so the libraries and the helpers keep their own main.
    target_compile_options(qosweep_warnings INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(qosweep_warnings INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
endif()
if(QOSWEEP_SANITIZE_THREAD)
    target_compile_options(qosweep_warnings INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(qosweep_warnings INTERFACE -fsanitize=thread)
endif()

# qosweep_add_test(<name> SOURCES ... LIBS ... [GUI])
# GUI tests bring their own main (tests/support/GuiTestMain.cpp); the others use gtest_main.
function(qosweep_add_test name)
    cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} qosweep_test_support GTest::gtest GTest::gmock qosweep_warnings)
    if(NOT T_GUI)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    set(home ${PROJECT_BINARY_DIR}/test-home/${name})
    file(MAKE_DIRECTORY ${home}/data ${home}/work)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        NO_PRETTY_VALUES
        WORKING_DIRECTORY ${home}/work
        PROPERTIES
            TIMEOUT 60
            ENVIRONMENT "LANG=C.UTF-8;QT_QPA_PLATFORM=offscreen;XDG_DATA_HOME=${home}/data;HOME=${home}")
endfunction()
