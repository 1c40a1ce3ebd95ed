# Compiles Inform 6 story sources of our own at build time, for the story tests and the bundled
# story.
#
#   lantern_compile_story(<target> <source.inf> <version 3|5|6|8> <output-variable>
#                         [INCLUDE_DIRS <folder>...])
#
# builds <build>/stories/<name>.z<version> from the source with Debian's inform6, through a
# custom command and a target named <target>, and sets <output-variable> to the story's path.
# The Inform library, the source's own folder and the INCLUDE_DIRS are on the include path; the
# compile is redone whenever a source or header in those folders changes.

find_program(LANTERN_INFORM6 inform6 REQUIRED)
set(LANTERN_INFORM6_LIBRARY "/usr/share/inform6/library" CACHE PATH
    "Folder of the Inform 6 library for the story tests")

function(lantern_compile_story target source version output_variable)
    cmake_parse_arguments(PARSE_ARGV 4 CS "" "" "INCLUDE_DIRS")
    if(NOT version MATCHES "^[3568]$")
        message(FATAL_ERROR
                "lantern_compile_story: version must be 3, 5, 6 or 8, not '${version}'")
    endif()
    get_filename_component(source "${source}" ABSOLUTE)
    get_filename_component(name "${source}" NAME_WE)
    get_filename_component(folder "${source}" DIRECTORY)
    set(story_folder "${CMAKE_BINARY_DIR}/stories")
    set(story "${story_folder}/${name}.z${version}")
    set(include_path "${LANTERN_INFORM6_LIBRARY},${folder}")
    set(dependencies "")
    foreach(include_folder ${folder} ${CS_INCLUDE_DIRS})
        get_filename_component(include_folder "${include_folder}" ABSOLUTE)
        if(NOT include_folder STREQUAL folder)
            string(APPEND include_path ",${include_folder}")
        endif()
        file(GLOB found CONFIGURE_DEPENDS "${include_folder}/*.inf" "${include_folder}/*.h")
        list(APPEND dependencies ${found})
    endforeach()
    file(MAKE_DIRECTORY "${story_folder}")
    add_custom_command(
        OUTPUT "${story}"
        COMMAND ${CMAKE_COMMAND} -E remove -f "${story}"
        COMMAND "${LANTERN_INFORM6}" -v${version} "+include_path=${include_path}" "${source}"
                "${story}"
        DEPENDS ${dependencies} "${source}"
        WORKING_DIRECTORY "${story_folder}"
        COMMENT "Compiling story ${name}.z${version}"
        VERBATIM)
    add_custom_target(${target} DEPENDS "${story}")
    set(${output_variable} "${story}" PARENT_SCOPE)
endfunction()
