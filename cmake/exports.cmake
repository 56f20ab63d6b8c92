# zk_export(TARGET [HEADERS header...]): what `#include "<folder>/<header>"`
# finds for TARGET and for the targets that link it, <folder> being the folder
# of the CMakeLists.txt that calls this. Without HEADERS, every header of the
# folder; with them, only those.
#
# Each target gets an include folder of its own in the build tree that holds
# only its own folder, by a link, and never the source root: an include of a
# layer that a target does not link (files/ including window/, say) finds no
# such file and fails to compile. tests/layering checks that it does.
function(zk_export target)
    cmake_parse_arguments(E "" "" "HEADERS" ${ARGN})
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set(root ${PROJECT_BINARY_DIR}/exports/${target})
    # Made anew at every configure, so a header taken out of HEADERS goes too.
    file(REMOVE_RECURSE ${root})
    if(E_HEADERS)
        file(MAKE_DIRECTORY ${root}/${folder})
        foreach(header IN LISTS E_HEADERS)
            file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/${folder}/${header}
                SYMBOLIC)
        endforeach()
    else()
        get_filename_component(parent ${root}/${folder} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
