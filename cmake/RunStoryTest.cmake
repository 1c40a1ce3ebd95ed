# Runs one whole-story test (see StoryTests.cmake): cmake -DLANTERN=... -DSTORY=... -DINPUT=...
# -DEXPECTED=... -DACTUAL=... -DERRORS=... -DARGS=a|b -DSTATUS=0|nonzero|<n> -DOPTIONAL=ON|OFF
# -DTIMEOUT=<s> -DKNOWN_FAILURE=ON|OFF -P RunStoryTest.cmake

if(NOT EXISTS "${STORY}")
    if(OPTIONAL)
        message("LANTERN-STORY-SKIPPED: ${STORY} is not here")
        return()
    endif()
    message(FATAL_ERROR "the story ${STORY} is missing (was it built?)")
endif()

string(REPLACE "|" ";" arguments "${ARGS}")
execute_process(
    COMMAND "${LANTERN}" --console ${arguments} "${STORY}"
    INPUT_FILE "${INPUT}"
    OUTPUT_FILE "${ACTUAL}"
    ERROR_FILE "${ERRORS}"
    RESULT_VARIABLE status
    TIMEOUT ${TIMEOUT})

file(READ "${ERRORS}" errors)
set(problems "")

# The exit status: a number (a crash or a time-out gives a text instead).
if(NOT status MATCHES "^[0-9]+$")
    string(APPEND problems "lantern did not exit normally: ${status}\n")
elseif(STATUS STREQUAL "nonzero")
    if(status EQUAL 0)
        string(APPEND problems "exit status 0, expected a failure status\n")
    endif()
elseif(NOT status EQUAL STATUS)
    string(APPEND problems "exit status ${status}, expected ${STATUS}\n")
endif()
# Under the sanitizers a report on standard error is a failure whatever the status.
if(errors MATCHES "(AddressSanitizer|LeakSanitizer|runtime error:)")
    string(APPEND problems "a sanitizer reported a fault (see ${ERRORS})\n")
endif()

# Compared as files: a transcript may hold any byte, which a CMake string cannot.
if(NOT EXISTS "${EXPECTED}")
    set(same FALSE)
    set(missing TRUE)
else()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${EXPECTED}" "${ACTUAL}"
                    RESULT_VARIABLE differs OUTPUT_QUIET ERROR_QUIET)
    if(differs EQUAL 0)
        set(same TRUE)
    else()
        set(same FALSE)
    endif()
endif()

if("$ENV{LANTERN_REBASELINE}" STREQUAL "1" AND NOT KNOWN_FAILURE)
    if(NOT same)
        file(COPY_FILE "${ACTUAL}" "${EXPECTED}")
        message("rebaselined ${EXPECTED}")
    endif()
elseif(missing)
    string(APPEND problems "no expected transcript ${EXPECTED} (LANTERN_REBASELINE=1 writes it)\n")
elseif(NOT same)
    string(APPEND problems "the transcript differs from ${EXPECTED} (actual: ${ACTUAL})\n")
    # Printed as it is: a message would rewrap the lines.
    find_program(DIFF diff)
    if(DIFF)
        execute_process(COMMAND "${DIFF}" -u --text "${EXPECTED}" "${ACTUAL}")
    endif()
endif()

if(problems)
    if(errors)
        message("standard error of lantern:")
        execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${ERRORS}")
    endif()
    message(FATAL_ERROR "${problems}")
endif()
