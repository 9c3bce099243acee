# Writes the version header: the version from CMakeLists.txt and, for a build
# from a git checkout, the commit ("-dirty" when the tree has changes).  Run at
# every build; the header is rewritten only when its text changes.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=x.y.z -P version.cmake
cmake_minimum_required(VERSION 3.20)
set(commit "")
find_program(GIT git)
if(GIT AND EXISTS ${SOURCE_DIR}/.git)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    set(commit "")
  else()
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} diff --quiet HEAD --
                    RESULT_VARIABLE dirty ERROR_QUIET)
    if(dirty)
      string(APPEND commit "-dirty")
    endif()
  endif()
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT
"// Generated at build time by cmake/version.cmake.
#pragma once
#define OXA_VERSION \"@VERSION@\"
#define OXA_COMMIT \"@commit@\"
" @ONLY)
