# The layering check must fail on what it is there to catch, or a slip in it would let every
# upward include through unseen. Builds small trees in SCRATCH and runs the check on each.
#   cmake -DCHECK=<CheckLayers.cmake> -DSCRATCH=<dir> -P LayeringCheckTest.cmake
cmake_minimum_required(VERSION 3.25)

set(failures "")

# Runs the check on a tree of FILES (path, content, path, content...) under the given rules;
# `outcome` gets the exit code and what the check said.
function(run_check name rules)
  set(tree "${SCRATCH}/${name}")
  file(REMOVE_RECURSE "${tree}")
  file(WRITE "${tree}/layers.txt" "${rules}")
  set(files ${ARGN})
  while(files)
    list(POP_FRONT files path content)
    file(WRITE "${tree}/${path}" "${content}")
  endwhile()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -DRULES=${tree}/layers.txt -P ${CHECK}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(code "${code}" PARENT_SCOPE)
  set(said "${out}${err}" PARENT_SCOPE)
endfunction()

macro(fail what)
  list(APPEND failures "${what}; the check said:\n${said}")
endmacro()

# Fails with `what` unless the check said `text`.
macro(expect_said text what)
  string(FIND "${said}" "${text}" at)
  if(at EQUAL -1)
    fail("${what}")
  endif()
endmacro()

set(rules "low:\nlow/deep:\nhigh: low\n")

# Downward, sideways within a folder, a bare name: all allowed. A build tree is not read.
run_check(clean "${rules}"
  low/Low.h "#pragma once\n"
  low/deep/Deep.h "#include \"low/deep/Other.h\"\n"
  high/High.cpp "// a comment\n#include <vector>\n#include \"low/Low.h\"\n#include \"High.moc\"\n"
  out/CMakeCache.txt "# a build tree\n"
  out/Generated.cpp "#include \"high/High.h\"\n")
if(NOT code EQUAL 0)
  fail("a tree that keeps to its layering fails")
endif()

# Upward; and a nested folder holds to its own rule, not its parent's.
run_check(upward "${rules}"
  low/Low.h "#pragma once\n\n#include \"high/High.h\"\n"
  low/deep/Deep.cpp "#include \"low/Low.h\"\n")
if(code EQUAL 0)
  fail("an upward include passes")
endif()
expect_said("low/Low.h:3: includes high/High.h, which low may not include"
            "the upward include is not named with its file and line")
expect_said("low/deep/Deep.cpp:1: includes low/Low.h, which low/deep may not include"
            "a nested folder is let off by its parent's rule")

# A file outside every folder, and a rule that names a folder above it.
run_check(strays "low: high\nhigh:\n"
  stray/Stray.h "#pragma once\n")
expect_said("stray/Stray.h: lies in no folder" "a file outside the layering passes")
expect_said("low names high, which is not a folder above it" "a rule that runs upward passes")

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
