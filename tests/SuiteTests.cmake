# Included by ctest before it runs anything: one test per GoogleTest suite of
# a test program, which runs that suite's tests in one process. A process
# per test would start the program's libraries, and under the sanitizers
# their runtimes, once for every test: about a fifth of a second each in a
# sanitizer build, a quarter of its whole test run.
#
# The including file sets:
#   zo_executable   the test program
#   zo_directory    the folder the tests run in
#   zo_listing      the file that keeps the tests found, until the program or
#                   their properties change
#   zo_properties   the tests' properties, as set_tests_properties takes them
#                   (ENVIRONMENT's list as one bracket argument)
#   zo_each_test    true for a process per test instead (tests that share
#                   nothing but a sound server would share more in one)

if(NOT EXISTS "${zo_executable}")
    get_filename_component(zo_name "${zo_executable}" NAME)
    add_test(${zo_name}_NOT_BUILT ${zo_name}_NOT_BUILT)
    return()
endif()

if(NOT EXISTS "${zo_listing}" OR NOT "${zo_listing}" IS_NEWER_THAN "${zo_executable}"
   OR NOT "${zo_listing}" IS_NEWER_THAN "${CMAKE_CURRENT_LIST_FILE}"
   OR NOT "${zo_listing}" IS_NEWER_THAN "${CMAKE_PARENT_LIST_FILE}")
    execute_process(COMMAND "${zo_executable}" --gtest_list_tests
                    WORKING_DIRECTORY "${zo_directory}"
                    TIMEOUT 60
                    OUTPUT_VARIABLE zo_output
                    ERROR_VARIABLE zo_errors
                    RESULT_VARIABLE zo_result)
    if(NOT zo_result EQUAL 0)
        message(FATAL_ERROR "${zo_executable} --gtest_list_tests failed (${zo_result}):\n"
                            "${zo_output}${zo_errors}")
    endif()
    # A suite's line is its name and a full stop, and for a typed suite a
    # comment after it; its tests follow, indented, each with a comment
    # after it for a parameterised test. List separators and brackets, which
    # no name holds, are taken out of the comments first.
    string(REPLACE ";" "," zo_output "${zo_output}")
    string(REPLACE "[" "(" zo_output "${zo_output}")
    string(REPLACE "]" ")" zo_output "${zo_output}")
    string(REPLACE "\n" ";" zo_lines "${zo_output}")
    set(zo_tests "")
    set(zo_suite "")
    foreach(zo_line IN LISTS zo_lines)
        set(zo_test "")
        if(zo_line MATCHES "^([^ #]+)\\.( .*)?$")
            set(zo_suite "${CMAKE_MATCH_1}")
            if(NOT zo_each_test)
                set(zo_test "${zo_suite}")
                set(zo_filter "${zo_suite}.*")
            endif()
        elseif(zo_each_test AND zo_line MATCHES "^  ([^ #]+)( .*)?$")
            set(zo_test "${zo_suite}.${CMAKE_MATCH_1}")
            set(zo_filter "${zo_test}")
        endif()
        if(NOT zo_test STREQUAL "")
            string(APPEND zo_tests
                   "add_test([==[${zo_test}]==] [==[${zo_executable}]==] "
                   "[==[--gtest_filter=${zo_filter}]==] --gtest_also_run_disabled_tests)\n"
                   "set_tests_properties([==[${zo_test}]==] PROPERTIES "
                   "WORKING_DIRECTORY [==[${zo_directory}]==] ${zo_properties})\n")
        endif()
    endforeach()
    if(zo_tests STREQUAL "")
        message(FATAL_ERROR "${zo_executable} lists no tests:\n${zo_output}")
    endif()
    file(WRITE "${zo_listing}" "${zo_tests}")
endif()
include("${zo_listing}")
