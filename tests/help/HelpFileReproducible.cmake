# The help file compiled in two folders of different depth, at different moments, comes out
# byte for byte the same: a package built anywhere carries the same guide.
# Inputs: CHMCMD, PACK, SOURCE, WORK, COMPILE_SCRIPT.
file(REMOVE_RECURSE ${WORK})
foreach(_where a/stage bb/one/more/level/stage)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DCHMCMD=${CHMCMD} -DPACK=${PACK} -DSOURCE=${SOURCE} -DSTAGE=${WORK}/${_where}
            -DPROJECT_FILE=Tonalix-STUDIO.hhp -DOUT=${WORK}/${_where}.chm -P ${COMPILE_SCRIPT}
    RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "compiling the help in ${WORK}/${_where} failed")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/a/stage.chm ${WORK}/bb/one/more/level/stage.chm
  RESULT_VARIABLE _same)
if(NOT _same EQUAL 0)
  message(FATAL_ERROR "the help file differs between two build folders")
endif()
file(REMOVE_RECURSE ${WORK})
