# Compiles the help project: chmcmd writes its output into the folder it runs in, so it runs in
# a copy of the sources in the build tree; PACK then writes OUT from its output without the
# folder's path or the time of the build.
# Inputs: CHMCMD, PACK, SOURCE, STAGE, PROJECT_FILE, OUT.
file(REMOVE_RECURSE ${STAGE})
file(COPY ${SOURCE}/ DESTINATION ${STAGE})
string(REGEX REPLACE "\\.hhp$" ".chm" _compiled ${PROJECT_FILE})
execute_process(
  COMMAND ${CHMCMD} --verbosity 1 ${PROJECT_FILE}
  WORKING_DIRECTORY ${STAGE}
  RESULT_VARIABLE _rc
  OUTPUT_VARIABLE _out
  ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0 OR NOT EXISTS ${STAGE}/${_compiled})
  message(FATAL_ERROR "chmcmd could not compile ${PROJECT_FILE} (${_rc}):\n${_out}")
endif()
# A topic the project lists but the compiler could not find is an error, not a silent gap.
if(_out MATCHES "[Ee]rror|[Ww]arning|not found|[Mm]issing")
  message(FATAL_ERROR "chmcmd reported problems in ${PROJECT_FILE}:\n${_out}")
endif()
execute_process(
  COMMAND ${PACK} ${STAGE}/${_compiled} ${STAGE} ${STAGE}/packed.chm
  RESULT_VARIABLE _rc
  OUTPUT_VARIABLE _out
  ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "The compiled help could not be repacked (${_rc}):\n${_out}")
endif()
get_filename_component(_out_dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${_out_dir})
file(COPY_FILE ${STAGE}/packed.chm ${OUT} ONLY_IF_DIFFERENT)
