# Compiles Inform 6 story sources of our own at build time, for the story tests.
#
#   lantern_compile_story(<target> <source.inf> <version 3|5|8> <output-variable>)
#
# builds <build>/stories/<name>.z<version> from the source with Debian's inform6, through a
# custom command and a target named <target>, and sets <output-variable> to the story's path.
# The Inform library and the source's own folder are on the include path; the compile is redone
# whenever a file in the source's folder changes.

find_program(LANTERN_INFORM6 inform6 REQUIRED)
set(LANTERN_INFORM6_LIBRARY "/usr/share/inform6/library" CACHE PATH
    "Folder of the Inform 6 library for the story tests")

function(lantern_compile_story target source version output_variable)
    if(NOT version MATCHES "^[358]$")
        message(FATAL_ERROR "lantern_compile_story: version must be 3, 5 or 8, not '${version}'")
    endif()
    get_filename_component(source "${source}" ABSOLUTE)
    get_filename_component(name "${source}" NAME_WE)
    get_filename_component(folder "${source}" DIRECTORY)
    set(story_folder "${CMAKE_BINARY_DIR}/stories")
    set(story "${story_folder}/${name}.z${version}")
    file(GLOB dependencies CONFIGURE_DEPENDS "${folder}/*.inf" "${folder}/*.h")
    file(MAKE_DIRECTORY "${story_folder}")
    add_custom_command(
        OUTPUT "${story}"
        COMMAND ${CMAKE_COMMAND} -E remove -f "${story}"
        COMMAND "${LANTERN_INFORM6}" -v${version}
                "+include_path=${LANTERN_INFORM6_LIBRARY},${folder}" "${source}" "${story}"
        DEPENDS ${dependencies} "${source}"
        WORKING_DIRECTORY "${story_folder}"
        COMMENT "Compiling story ${name}.z${version}"
        VERBATIM)
    add_custom_target(${target} DEPENDS "${story}")
    set(${output_variable} "${story}" PARENT_SCOPE)
endfunction()
