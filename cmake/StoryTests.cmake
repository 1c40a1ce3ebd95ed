# Whole-story tests: a story played by `lantern --console` with scripted input, its transcript
# compared with the one kept beside the input.
#
#   lantern_story_test(<name> STORY <path> INPUT <file> EXPECTED <file>
#                      [ARGS <argument>...] [STATUS <code>|nonzero] [OPTIONAL] [TIMEOUT <seconds>])
#
# adds the CTest test <name>. It pipes INPUT into `lantern --console ARGS... STORY`, compares
# standard output with EXPECTED byte for byte and checks the exit status (0 unless STATUS says
# otherwise; "nonzero" accepts any ordinary failure status but not a crash). The actual
# transcript and standard error are kept in <build>/story-tests/<name>.{out,err}.
#
# - LANTERN_REBASELINE=1 in the environment of the test run writes the actual transcript over
#   EXPECTED (the exit status is still checked): review the difference before committing it.
# - A file named `known-failure` beside EXPECTED marks a known failure (WILL_FAIL); it says why.
#   Its EXPECTED holds the sound transcript and is never rebaselined.
# - OPTIONAL: the story is a third-party file that may be missing; the test is then skipped.

set(LANTERN_STORY_TEST_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/RunStoryTest.cmake")

function(lantern_story_test name)
    cmake_parse_arguments(PARSE_ARGV 1 ST "OPTIONAL" "STORY;INPUT;EXPECTED;STATUS;TIMEOUT" "ARGS")
    foreach(required STORY INPUT EXPECTED)
        if(NOT ST_${required})
            message(FATAL_ERROR "lantern_story_test(${name}): ${required} is required")
        endif()
    endforeach()
    if(NOT TARGET lantern)
        return()
    endif()
    if(NOT DEFINED ST_STATUS)
        set(ST_STATUS 0)
    endif()
    if(NOT ST_TIMEOUT)
        set(ST_TIMEOUT 60)
    endif()
    get_filename_component(input "${ST_INPUT}" ABSOLUTE)
    get_filename_component(expected "${ST_EXPECTED}" ABSOLUTE)
    get_filename_component(case_folder "${expected}" DIRECTORY)
    set(output_folder "${CMAKE_BINARY_DIR}/story-tests")
    file(MAKE_DIRECTORY "${output_folder}")
    # Looked for at every build, so that adding or removing the file needs no manual reconfigure.
    file(GLOB known_failure CONFIGURE_DEPENDS "${case_folder}/known-failure")
    if(known_failure)
        set(known_failure ON)
    else()
        set(known_failure OFF)
    endif()
    # Arguments travel to the script in one -D value; "|" keeps them apart there.
    string(REPLACE ";" "|" arguments "${ST_ARGS}")
    add_test(NAME ${name}
             COMMAND ${CMAKE_COMMAND}
                     "-DLANTERN=$<TARGET_FILE:lantern>"
                     "-DSTORY=${ST_STORY}"
                     "-DINPUT=${input}"
                     "-DEXPECTED=${expected}"
                     "-DACTUAL=${output_folder}/${name}.out"
                     "-DERRORS=${output_folder}/${name}.err"
                     "-DARGS=${arguments}"
                     "-DSTATUS=${ST_STATUS}"
                     "-DOPTIONAL=${ST_OPTIONAL}"
                     "-DTIMEOUT=${ST_TIMEOUT}"
                     "-DKNOWN_FAILURE=${known_failure}"
                     -P "${LANTERN_STORY_TEST_SCRIPT}")
    math(EXPR ctest_timeout "${ST_TIMEOUT} + 30")
    set_tests_properties(${name} PROPERTIES
        LABELS story
        TIMEOUT ${ctest_timeout}
        SKIP_REGULAR_EXPRESSION "LANTERN-STORY-SKIPPED")
    if(known_failure)
        set_tests_properties(${name} PROPERTIES WILL_FAIL TRUE)
    endif()
endfunction()
