# Runs an asset tool into OUT and compares every file it writes byte for byte
# with the committed one under ROOT. TOOL is the tool, NAME its name for the
# messages, MIN_FILES how many files it must write at least.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${TOOL} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NAME} failed: ${result}")
endif()
file(GLOB_RECURSE made RELATIVE ${OUT} ${OUT}/*)
list(LENGTH made count)
if(count LESS MIN_FILES)
    message(FATAL_ERROR "${NAME} wrote only ${count} files")
endif()
foreach(name ${made})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${ROOT}/${name}
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        message(FATAL_ERROR "${name} differs from what ${NAME} makes (run make assets)")
    endif()
endforeach()
message(STATUS "${count} files match what ${NAME} makes")
