# Builds the probes of PROBES ("target|forbidden header" entries) in BUILD_DIR,
# all in one build that goes on past failures (KEEP_GOING, the build tool's own
# flag): every one must fail on its second line, the forbidden header not
# found, which shows that its first, the offered one, was.
set(targets)
foreach(probe IN LISTS PROBES)
    string(REPLACE "|" ";" parts "${probe}")
    list(GET parts 0 target)
    list(APPEND targets ${target})
endforeach()
separate_arguments(keep_going NATIVE_COMMAND "${KEEP_GOING}")
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --parallel 2 --target ${targets}
    -- ${keep_going}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
foreach(probe IN LISTS PROBES)
    string(REPLACE "|" ";" parts "${probe}")
    list(GET parts 0 target)
    list(GET parts 1 forbidden)
    string(FIND "${output}" "${target}.cpp:2:10: fatal error: ${forbidden}: No such file or directory"
        at)
    if(result EQUAL 0 OR at EQUAL -1)
        message(FATAL_ERROR "${target}: ${forbidden} was not refused as it should be:\n${output}")
    endif()
    message(STATUS "${target}: ${forbidden} refused")
endforeach()
