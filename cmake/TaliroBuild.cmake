# Compiler settings, sanitizers and the helpers that add tests and fuzz targets.

add_compile_options(-Wall -Wextra)

if(TALIRO_SANITIZE OR TALIRO_FUZZ)
    set(TALIRO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    if(TALIRO_FUZZ)
        list(APPEND TALIRO_SANITIZER_FLAGS -fsanitize=fuzzer-no-link)
    endif()
    add_compile_options(${TALIRO_SANITIZER_FLAGS})
    add_link_options(-fsanitize=address,undefined)
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/install_root.h.in
               ${CMAKE_BINARY_DIR}/generated/taliro/install_root.h @ONLY)
add_library(taliro_install_root INTERFACE)
target_include_directories(taliro_install_root INTERFACE ${CMAKE_BINARY_DIR}/generated)

set(TALIRO_TOOLS_DIR ${CMAKE_SOURCE_DIR}/tools)
set(TALIRO_TEST_ENV
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1"
    "LSAN_OPTIONS=suppressions=${TALIRO_TOOLS_DIR}/lsan.supp"
    "QT_QPA_PLATFORM=offscreen")

# taliro_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# A GoogleTest program whose cases are registered with CTest one by one.
function(taliro_add_gtest name)
    if(NOT TALIRO_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    # The test environment goes in through env in front of the test (and of
    # any emulator the caller set): gtest_discover_tests hands a list-valued
    # ENVIRONMENT property on as separate arguments, which sets only its first
    # variable.
    get_target_property(emulator ${name} CROSSCOMPILING_EMULATOR)
    if(NOT emulator)
        set(emulator "")
    endif()
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR /usr/bin/env ${TALIRO_TEST_ENV} ${emulator})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
endfunction()

# taliro_add_blackbox_test(<name> COMMAND <cmd...>)
# Runs <cmd> in a private mount and network namespace after `cmake --install`
# of this build into the real install root on a tmpfs over /opt.
function(taliro_add_blackbox_test name)
    if(NOT TALIRO_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "COMMAND" ${ARGN})
    add_test(NAME ${name}
             COMMAND ${TALIRO_TOOLS_DIR}/private-ns.sh ${TALIRO_TOOLS_DIR}/with-install.sh
                     ${CMAKE_BINARY_DIR} ${TALIRO_INSTALL_ROOT} ${ARG_COMMAND})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${TALIRO_TEST_ENV}" LABELS blackbox)
endfunction()

# taliro_add_fuzzer(<name> SOURCES <files...> LIBS <targets...> [CORPUS <seed dir>])
# A libFuzzer target, built only in a TALIRO_FUZZ build; `fuzzers` builds them all
# and tools/run-fuzzers.sh runs each for a bounded time from its seeds.
if(TALIRO_FUZZ AND NOT TARGET fuzzers)
    add_custom_target(fuzzers)
    file(WRITE ${CMAKE_BINARY_DIR}/fuzz/targets.txt "")
endif()
function(taliro_add_fuzzer name)
    if(NOT TALIRO_FUZZ)
        return()
    endif()
    cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    file(APPEND ${CMAKE_BINARY_DIR}/fuzz/targets.txt "${name} ${ARG_CORPUS}\n")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    add_dependencies(fuzzers ${name})
endfunction()

# taliro_add_bench(<name> SOURCES <files...> LIBS <targets...>)
# A benchmark program; tools/bench.sh runs every one of them.
function(taliro_add_bench name)
    if(NOT TALIRO_BUILD_BENCH)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
