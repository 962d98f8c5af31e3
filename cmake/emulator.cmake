# Decide how the i386 build's programs run: natively where the kernel can
# execute them, under qemu-i386 elsewhere.  The decision is made once by
# compiling and running a trivial program.
if(QELFIN_I386 AND NOT DEFINED QELFIN_I386_RUNS_NATIVELY)
  set(_probe_dir ${CMAKE_BINARY_DIR}/i386-probe)
  file(WRITE ${_probe_dir}/probe.c "int main(void) { return sizeof(void*) == 4 ? 0 : 1; }\n")
  try_compile(_probe_built ${_probe_dir}/build ${_probe_dir}/probe.c
              COPY_FILE ${_probe_dir}/probe)
  if(NOT _probe_built)
    message(FATAL_ERROR "cannot build 32-bit programs: install g++-multilib")
  endif()
  execute_process(COMMAND ${_probe_dir}/probe RESULT_VARIABLE _probe_rc
                  OUTPUT_QUIET ERROR_QUIET)
  if(_probe_rc EQUAL 0)
    set(QELFIN_I386_RUNS_NATIVELY ON CACHE BOOL "i386 programs run natively")
  else()
    set(QELFIN_I386_RUNS_NATIVELY OFF CACHE BOOL "i386 programs run natively")
  endif()
endif()

if(QELFIN_I386 AND NOT QELFIN_I386_RUNS_NATIVELY)
  find_program(QELFIN_QEMU_I386 qemu-i386)
  if(NOT QELFIN_QEMU_I386)
    message(FATAL_ERROR "this kernel cannot run i386 programs and qemu-i386 is missing: install qemu-user")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QELFIN_QEMU_I386})
else()
  unset(CMAKE_CROSSCOMPILING_EMULATOR)
endif()
