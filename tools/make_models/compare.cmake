# Regenerates the models into OUT and compares them with the committed ones.
set(MODELS plane.x ground.x skybox.x Body/sphereLow.x Body/sphereMedium.x)
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${TOOL} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "make_models failed (${result})")
endif()
foreach(model ${MODELS})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
        ${OUT}/Assets/Models/${model} ${REPO}/Assets/Models/${model} RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        message(FATAL_ERROR "Assets/Models/${model} differs from what make_models writes; run `make assets`")
    endif()
endforeach()
