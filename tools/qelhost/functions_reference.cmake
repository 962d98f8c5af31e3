# docs/functions.md is qelhost's `describe --markdown`, the reference that
# the function catalogue renders.  MODE=WRITE regenerates the file; MODE=CHECK
# regenerates it in memory and fails when the file differs.
#   cmake -DQELHOST=path -DEMULATOR="cmd|arg" -DREFERENCE=docs/functions.md -DMODE=CHECK -P functions_reference.cmake
string(REPLACE "|" ";" _emulator "${EMULATOR}")
execute_process(COMMAND ${_emulator} ${QELHOST} describe --markdown
                OUTPUT_VARIABLE _text ERROR_VARIABLE _error RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "qelhost describe --markdown failed (${_rc}): ${_error}")
endif()
if(MODE STREQUAL "WRITE")
  file(WRITE "${REFERENCE}" "${_text}")
  return()
endif()
if(NOT EXISTS "${REFERENCE}")
  message(FATAL_ERROR "${REFERENCE} is missing: build the target functions_reference")
endif()
file(READ "${REFERENCE}" _current)
if(NOT _text STREQUAL _current)
  message(FATAL_ERROR "${REFERENCE} differs from the catalogue's reference: build the target "
                      "functions_reference (cmake --build --preset x64 --target functions_reference) and commit it")
endif()
