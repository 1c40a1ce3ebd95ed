# Whole-story tests (see cmake/StoryTests.cmake): each case folder holds the commands typed
# (input.txt) and the transcript expected (expected.txt), and may hold a known-failure file.
#
# Stories of our own are compiled here from the sources beside their cases; third-party stories
# are used from the shared folder and skipped when it is missing. Included from the tests'
# CMakeLists.txt, after lantern_compile_story is defined.

include(${PROJECT_SOURCE_DIR}/cmake/StoryTests.cmake)

set(LANTERN_CASES ${CMAKE_CURRENT_LIST_DIR})
set(LANTERN_THIRD_PARTY_STORIES "${CMAKE_SOURCE_DIR}/../shared/stories" CACHE PATH
    "The folder of third-party story files (a worktree elsewhere names it here)")
set(LANTERN_CASE_STORIES "")

# Garden: the small game on the Tiny framework, in versions 3, 5 and 8.
foreach(version 3 5 8)
    lantern_compile_story(story_garden_v${version} ${LANTERN_CASES}/garden/garden.inf ${version}
                          LANTERN_STORY_GARDEN_V${version} INCLUDE_DIRS ${LANTERN_CASES}/common)
    list(APPEND LANTERN_CASE_STORIES story_garden_v${version})
    lantern_story_test(story.garden.v${version}
        STORY ${LANTERN_STORY_GARDEN_V${version}}
        INPUT ${LANTERN_CASES}/garden/v${version}/input.txt
        EXPECTED ${LANTERN_CASES}/garden/v${version}/expected.txt)
endforeach()
# The same story as a Blorb, with its record and a cover: it plays as the bare file does. A
# resource file for the bare story (hostile.blorb puts it beside a copy of the story, so that
# the tests that play garden.z5 in the window meet no cover); and a Blorb of another system.
set(stories ${CMAKE_BINARY_DIR}/stories)
set(garden_record ${LANTERN_CASES}/garden/garden.iFiction)
set(LANTERN_BLORB_GARDEN ${stories}/garden.zblorb)
set(garden_blorbs
    ${stories}/garden.zblorb ${stories}/garden-resources.blb ${stories}/garden.gblorb)
add_custom_command(OUTPUT ${garden_blorbs}
    COMMAND lantern_make_blorb ${stories}/garden.zblorb --zcode ${LANTERN_STORY_GARDEN_V5}
            --record ${garden_record} --cover 64x48
    COMMAND lantern_make_blorb ${stories}/garden-resources.blb --names ${LANTERN_STORY_GARDEN_V5}
            --record ${garden_record} --cover 64x48
    COMMAND lantern_make_blorb ${stories}/garden.gblorb --exec GLUL ${garden_record}
    DEPENDS lantern_make_blorb ${LANTERN_STORY_GARDEN_V5} ${garden_record}
    COMMENT "Making the garden's Blorb files"
    VERBATIM)
add_custom_target(story_garden_blorbs DEPENDS ${garden_blorbs})
list(APPEND LANTERN_CASE_STORIES story_garden_blorbs)
# The header, RESTART and VERIFY's checksum are the Z-code's.
foreach(case v5 verify)
    lantern_story_test(story.garden.${case}.blorb
        STORY ${LANTERN_BLORB_GARDEN}
        INPUT ${LANTERN_CASES}/garden/${case}/input.txt
        EXPECTED ${LANTERN_CASES}/garden/${case}/expected.txt)
endforeach()
lantern_story_test(story.garden.verify
    STORY ${LANTERN_STORY_GARDEN_V5}
    INPUT ${LANTERN_CASES}/garden/verify/input.txt
    EXPECTED ${LANTERN_CASES}/garden/verify/expected.txt)

# Station: a version 3 time game.
lantern_compile_story(story_station ${LANTERN_CASES}/station/station.inf 3 LANTERN_STORY_STATION
                      INCLUDE_DIRS ${LANTERN_CASES}/common)
list(APPEND LANTERN_CASE_STORIES story_station)
lantern_story_test(story.station
    STORY ${LANTERN_STORY_STATION}
    INPUT ${LANTERN_CASES}/station/input.txt
    EXPECTED ${LANTERN_CASES}/station/expected.txt)

# Keeping a game under --standard: save and restore (versions 3 and 5), undo (version 5).
foreach(version 3 5)
    lantern_compile_story(story_standard_v${version} ${LANTERN_CASES}/standard/standard.inf
                          ${version} LANTERN_STORY_STANDARD_V${version})
    list(APPEND LANTERN_CASE_STORIES story_standard_v${version})
    lantern_story_test(story.standard.v${version} ARGS --standard
        STORY ${LANTERN_STORY_STANDARD_V${version}}
        INPUT ${LANTERN_CASES}/standard/v${version}/input.txt
        EXPECTED ${LANTERN_CASES}/standard/v${version}/expected.txt)
endforeach()

# Gallery: version 6's windows, pictures and mouse under --standard. In a terminal no picture
# exists; the window test plays it with its resource file beside it.
lantern_compile_story(story_gallery ${LANTERN_CASES}/gallery/gallery.inf 6 LANTERN_STORY_GALLERY)
set(LANTERN_BLORB_GALLERY ${stories}/gallery.blb)
add_custom_command(OUTPUT ${LANTERN_BLORB_GALLERY}
    COMMAND lantern_make_blorb ${LANTERN_BLORB_GALLERY} --names ${LANTERN_STORY_GALLERY}
            --release 7 --picture 1 16x8 --indexed 2 8x8 00C000 --rect 3 12x6
            --indexed 4 8x8 C00000 --adaptive 4 --reso 320x200
    DEPENDS lantern_make_blorb ${LANTERN_STORY_GALLERY}
    COMMENT "Making the gallery's pictures"
    VERBATIM)
add_custom_target(story_gallery_pictures DEPENDS ${LANTERN_BLORB_GALLERY})
list(APPEND LANTERN_CASE_STORIES story_gallery story_gallery_pictures)
lantern_story_test(story.gallery ARGS --standard
    STORY ${LANTERN_STORY_GALLERY}
    INPUT ${LANTERN_CASES}/gallery/input.txt
    EXPECTED ${LANTERN_CASES}/gallery/expected.txt)

# Sounds: the story in versions 3 and 5, with the resource file beside it that both share. The
# sound test plays them (tests/console/Sound.sh).
foreach(version 3 5)
    lantern_compile_story(story_sounds_v${version} ${LANTERN_CASES}/sounds/sounds.inf ${version}
                          LANTERN_STORY_SOUNDS_V${version})
    list(APPEND LANTERN_CASE_STORIES story_sounds_v${version})
endforeach()
add_custom_command(OUTPUT ${stories}/sounds.blb
    COMMAND lantern_make_blorb ${stories}/sounds.blb --aiff 3:1000:60 --ogg 4:440:150
            --mod 5:4 --truncated 6:800:50 --junk 7:OGGV --aiff 8:600:40 --loop 3:3,8:1,9:0
    DEPENDS lantern_make_blorb
    COMMENT "Making the sounds' resource file"
    VERBATIM)
add_custom_target(story_sounds_blb DEPENDS ${stories}/sounds.blb)
list(APPEND LANTERN_CASE_STORIES story_sounds_blb)

# Keys that type no character: a machine test presses them (a script cannot type them).
lantern_compile_story(story_keys ${LANTERN_CASES}/keys/keys.inf 5 LANTERN_STORY_KEYS)
list(APPEND LANTERN_CASE_STORIES story_keys)

# The status line is not in a transcript: a machine test draws it on a cell surface.
add_dependencies(lantern_core_tests story_garden_v3 story_garden_v5 story_station
                 story_standard_v3 story_standard_v5 story_keys story_sounds_v3 story_sounds_v5
                 story_sounds_blb)
target_compile_definitions(lantern_core_tests PRIVATE
    LANTERN_STORY_GARDEN_V3="${LANTERN_STORY_GARDEN_V3}"
    LANTERN_STORY_GARDEN_V5="${LANTERN_STORY_GARDEN_V5}"
    LANTERN_STORY_STATION="${LANTERN_STORY_STATION}"
    LANTERN_STORY_STANDARD_V3="${LANTERN_STORY_STANDARD_V3}"
    LANTERN_STORY_STANDARD_V5="${LANTERN_STORY_STANDARD_V5}"
    LANTERN_STORY_KEYS="${LANTERN_STORY_KEYS}"
    LANTERN_STORY_SOUNDS_V3="${LANTERN_STORY_SOUNDS_V3}"
    LANTERN_STORY_SOUNDS_V5="${LANTERN_STORY_SOUNDS_V5}")

# A game saved in the window comes back in a new one; a sound's routine runs in the window; the
# gallery shows its pictures there.
if(TARGET lantern_window_tests)
    add_dependencies(lantern_window_tests story_standard_v5 story_sounds_v5 story_sounds_blb
                     lantern-sound story_gallery story_gallery_pictures)
    target_compile_definitions(lantern_window_tests PRIVATE
        LANTERN_STORY_STANDARD_V5="${LANTERN_STORY_STANDARD_V5}"
        LANTERN_STORY_SOUNDS_V5="${LANTERN_STORY_SOUNDS_V5}"
        LANTERN_SOUND_MODULE="$<TARGET_FILE:lantern-sound>"
        LANTERN_STORY_GALLERY="${LANTERN_STORY_GALLERY}")
endif()

# Programs play the garden through the JSON protocol, and through `lantern --json` itself.
if(TARGET lantern_json_tests)
    add_dependencies(lantern_json_tests story_garden_v5)
    target_compile_definitions(lantern_json_tests PRIVATE
        LANTERN_STORY_GARDEN_V5="${LANTERN_STORY_GARDEN_V5}")
endif()
if(TARGET lantern)
    add_test(NAME json.program
             COMMAND bash ${PROJECT_SOURCE_DIR}/tests/json/Program.sh $<TARGET_FILE:lantern>
                     ${LANTERN_STORY_GARDEN_V5})
    set_tests_properties(json.program PROPERTIES TIMEOUT 120)
endif()

# Built with everything else, so that the story tests find them.
add_custom_target(lantern_case_stories ALL)
add_dependencies(lantern_case_stories ${LANTERN_CASE_STORIES})

# The bundled story, played to its end (it is built by stories/CMakeLists.txt).
if(LANTERN_BUNDLED_STORY)
    lantern_story_test(story.lamplighter
        STORY ${LANTERN_BUNDLED_STORY}
        INPUT ${LANTERN_CASES}/lamplighter/input.txt
        EXPECTED ${LANTERN_CASES}/lamplighter/expected.txt)
endif()

# Third-party stories.
set(third_party ${LANTERN_CASES}/third_party)
lantern_story_test(story.praxix OPTIONAL
    STORY ${LANTERN_THIRD_PARTY_STORIES}/praxix.z5
    INPUT ${third_party}/praxix/input.txt
    EXPECTED ${third_party}/praxix/expected.txt)
# The complete machine passes every check, the Standard 1.1 ones included.
lantern_story_test(story.praxix.standard OPTIONAL
    STORY ${LANTERN_THIRD_PARTY_STORIES}/praxix.z5
    ARGS --standard
    INPUT ${third_party}/praxix_standard/input.txt
    EXPECTED ${third_party}/praxix_standard/expected.txt)
lantern_story_test(story.strictz OPTIONAL
    STORY ${LANTERN_THIRD_PARTY_STORIES}/strictz.z5
    INPUT ${third_party}/strictz/input.txt
    EXPECTED ${third_party}/strictz/expected.txt)
# Random code: with these seeds one run ends in a story fault, the other cleanly.
lantern_story_test(story.crashme OPTIONAL
    STORY ${LANTERN_THIRD_PARTY_STORIES}/crashme.z5
    ARGS --seed 7
    STATUS nonzero
    INPUT ${third_party}/crashme/input.txt
    EXPECTED ${third_party}/crashme/expected.txt)
lantern_story_test(story.crashme.clean OPTIONAL
    STORY ${LANTERN_THIRD_PARTY_STORIES}/crashme.z5
    ARGS --seed 20261208
    INPUT ${third_party}/crashme_clean/input.txt
    EXPECTED ${third_party}/crashme_clean/expected.txt)
lantern_story_test(story.zork2 OPTIONAL
    STORY ${LANTERN_THIRD_PARTY_STORIES}/zork2.z3
    ARGS --seed 2
    INPUT ${third_party}/zork2/input.txt
    EXPECTED ${third_party}/zork2/expected.txt)
# The graphical story's opening as text: its prologue, the curse, undo and RESTART.
lantern_story_test(story.zork0 OPTIONAL
    STORY ${LANTERN_THIRD_PARTY_STORIES}/zork0.z6
    ARGS --standard --seed 5
    INPUT ${third_party}/zork0/input.txt
    EXPECTED ${third_party}/zork0/expected.txt)
lantern_story_test(story.zork3 OPTIONAL
    STORY ${LANTERN_THIRD_PARTY_STORIES}/zork3.z3
    ARGS --seed 3
    INPUT ${third_party}/zork3/input.txt
    EXPECTED ${third_party}/zork3/expected.txt)
