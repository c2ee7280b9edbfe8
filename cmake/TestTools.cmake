# The tools that only the tests need. They are looked for only when tests are
# built, and every one is required: a missing tool fails the configuration
# instead of silently dropping the tests that need it.

find_package(GTest REQUIRED)
include(GoogleTest)

# The compiler's own formatted output is the reference for the number fields
# of the rates record.
find_program(GFORTRAN_EXECUTABLE gfortran REQUIRED)

# The converter's output is read back by VTK's own readers (Debian's
# python3-vtk9, which lives with the system interpreter).
set(ZV_VTK_PYTHON /usr/bin/python3)
execute_process(COMMAND ${ZV_VTK_PYTHON} -c "import vtk"
                RESULT_VARIABLE vtk_python_missing OUTPUT_QUIET ERROR_QUIET)
if(vtk_python_missing)
  message(FATAL_ERROR "The tests need ${ZV_VTK_PYTHON} with VTK's Python module (Debian: python3-vtk9)")
endif()

# Sanitizer builds cannot run under valgrind, and their library cannot be
# loaded by the plain programs of the install test.
if(NOT ZV_SANITIZE)
  find_program(PKG_CONFIG_EXECUTABLE pkg-config REQUIRED)
  # "ctest -T memcheck" runs tests under valgrind's memory checker; a test
  # with any error or leak fails.
  find_program(MEMORYCHECK_COMMAND valgrind REQUIRED)
  set(MEMORYCHECK_COMMAND_OPTIONS "--leak-check=full --error-exitcode=1 -q")
endif()

# include(CTest) enables testing and, with the settings above, memcheck runs.
include(CTest)
