# Builds each probe of PROBES ("target|forbidden header" entries) in BUILD_DIR:
# every build must fail, and fail because the forbidden header is not found.
foreach(probe IN LISTS PROBES)
    string(REPLACE "|" ";" parts "${probe}")
    list(GET parts 0 target)
    list(GET parts 1 forbidden)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    string(FIND "${output}" "${forbidden}: No such file or directory" at)
    if(result EQUAL 0 OR at EQUAL -1)
        message(FATAL_ERROR "${target}: ${forbidden} was not refused as it should be:\n${output}")
    endif()
    message(STATUS "${target}: ${forbidden} refused")
endforeach()
