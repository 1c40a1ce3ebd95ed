# Which shared libraries `lantern` loads, as the dynamic loader lists them: console mode, --help,
# --version and scripted runs load no Qt library; only a window loads it. The audio libraries
# (SDL) are loaded only by a game of the complete Z-machine whose story has sounds.
# cmake -DLANTERN=... -DSTORY=... -DSOUND_STORY=... -P StartupLibrariesTest.cmake

set(problems "")

# run(NAME EXPECT_QT ON|OFF [EXPECT_SDL ON] ENV ... ARGS ...): runs lantern with standard input
# at end of file.
function(run name)
    cmake_parse_arguments(RUN "" "EXPECT_QT;EXPECT_SDL" "ENV;ARGS" ${ARGN})
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                --unset=QT_QPA_PLATFORM LD_DEBUG=libs ${RUN_ENV} "${LANTERN}" ${RUN_ARGS}
        INPUT_FILE /dev/null
        OUTPUT_VARIABLE output
        ERROR_VARIABLE errors
        RESULT_VARIABLE status
        TIMEOUT 60)
    string(REGEX MATCH "libQt[0-9]*[A-Za-z]+\\.so[.0-9]*" qt "${errors}")
    if(RUN_EXPECT_QT AND NOT qt)
        string(APPEND problems "${name}: the window did not load Qt (status ${status})\n")
    elseif(NOT RUN_EXPECT_QT AND qt)
        string(APPEND problems "${name}: loaded ${qt}\n")
    elseif(NOT RUN_EXPECT_QT AND NOT status EQUAL 0)
        string(APPEND problems "${name}: exit status ${status}\n")
    endif()
    string(REGEX MATCH "libSDL2[^ /]*\\.so[.0-9]*" sdl "${errors}")
    if(RUN_EXPECT_SDL AND NOT sdl)
        string(APPEND problems "${name}: the audio libraries were not loaded\n")
    elseif(NOT RUN_EXPECT_SDL AND sdl)
        string(APPEND problems "${name}: loaded ${sdl}\n")
    endif()
    set(problems "${problems}" PARENT_SCOPE)
endfunction()

run("--version" EXPECT_QT OFF ARGS --version)
run("--help" EXPECT_QT OFF ARGS --help)
run("--console" EXPECT_QT OFF ARGS --console "${STORY}")
run("console mode with no display" EXPECT_QT OFF ARGS "${STORY}")
run("the complete Z-machine, a story without sounds" EXPECT_QT OFF
    ARGS --console --standard --sound "${STORY}")
run("a story with sounds, not asked to play them" EXPECT_QT OFF
    ARGS --console --standard "${SOUND_STORY}")
run("a story with sounds" EXPECT_QT OFF EXPECT_SDL ON ENV SDL_AUDIODRIVER=dummy
    ARGS --console --standard --sound "${SOUND_STORY}")
# With a display the window program starts; a platform that does not exist ends it at once,
# after Qt is loaded.
run("a window" EXPECT_QT ON ENV QT_QPA_PLATFORM=lantern-none ARGS "${STORY}")

if(problems)
    message(FATAL_ERROR "${problems}")
endif()
