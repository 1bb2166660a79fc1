# Tests of a cross build run under CMAKE_CROSSCOMPILING_EMULATOR (Wine), all
# in one scratch prefix. A fresh prefix takes seconds to set up on its first
# use, so one fixture test does that first and the real tests do not time
# out on it.
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(TOLVARAN_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH
    "Wine prefix the tests of a cross build run in")
  # Without .NET and the HTML engine Wine does not offer to download them
  # while it sets the prefix up; the programs need neither.
  # The prefix is made for the build's bitness (WINEARCH, from the toolchain
  # file): win32 for the x86 build. Wine decides that when it creates the
  # prefix, so each build folder has a prefix of its own, and one made before
  # 32-bit Wine was installed must be deleted ("could not load kernel32.dll").
  set(TOLVARAN_EMULATOR_ENVIRONMENT
    "WINEDEBUG=-all" "WINEPREFIX=${TOLVARAN_WINEPREFIX}" "WINEDLLOVERRIDES=mscoree,mshtml="
    # Under Wine every worker of a long listing starts a Windows process, which
    # on a busy two-core machine takes the 300-system case close to the
    # harness's native 60 s; ctest's own limit for a case is 120 s.
    "TOLVARAN_TIMEOUT=110")
  if(TOLVARAN_WINEARCH)
    list(APPEND TOLVARAN_EMULATOR_ENVIRONMENT "WINEARCH=${TOLVARAN_WINEARCH}")
  endif()
  # The end-to-end cases that give the program a drive C: of its own stop
  # their wineserver when done; it is the one beside the emulator.
  get_filename_component(tolvaran_emulator_dir "${CMAKE_CROSSCOMPILING_EMULATOR}" DIRECTORY)
  find_program(TOLVARAN_WINESERVER NAMES wineserver wineserver64
    HINTS ${tolvaran_emulator_dir} PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(TOLVARAN_WINESERVER)
    # The prefix's wineserver then runs until the suite ends. Left to itself
    # it ends 3 s after its last program, and the next program starts a new
    # one; a program that meets a wineserver which fails to start ends with
    # status 1 and not a word, as if the tested program had. The wineserver
    # and the Windows services the first program after it starts (and which
    # now live as long as it does) inherit that program's output: here
    # nothing, as otherwise a test's output would never end and ctest would
    # wait for it.
    add_test(NAME emulator-prefix COMMAND sh -c
      "\"$0\" cmd /c exit && \"$1\" -w && exec </dev/null >/dev/null 2>&1 && \"$1\" -p && \"$0\" cmd /c exit"
      ${CMAKE_CROSSCOMPILING_EMULATOR} ${TOLVARAN_WINESERVER})
    # One that is gone already (someone ended it) is no fault of the suite's.
    add_test(NAME emulator-stop COMMAND sh -c "\"$0\" -k || true" ${TOLVARAN_WINESERVER})
    set_tests_properties(emulator-stop PROPERTIES
      FIXTURES_CLEANUP emulator
      ENVIRONMENT "${TOLVARAN_EMULATOR_ENVIRONMENT}"
      TIMEOUT 60)
  else()
    add_test(NAME emulator-prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd /c exit)
  endif()
  set_tests_properties(emulator-prefix PROPERTIES
    FIXTURES_SETUP emulator
    ENVIRONMENT "${TOLVARAN_EMULATOR_ENVIRONMENT}"
    TIMEOUT 300)
endif()

if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  # The package workflows (build and zip) need no Wine; the test workflows do.
  if(TOLVARAN_WINEARCH STREQUAL "win32")
    set(tolvaran_wine_package "32-bit Wine (wine32:i386)")
  else()
    set(tolvaran_wine_package "Wine (wine64)")
  endif()
  message(WARNING "${tolvaran_wine_package} not found: the tests of this build are built but "
    "cannot run; building and packing need no Wine")
endif()

# Makes tests of a cross build run in the emulator's prefix, after it is set
# up; does nothing for a native build.
function(tolvaran_emulated_tests)
  if(TOLVARAN_EMULATOR_ENVIRONMENT)
    set_tests_properties(${ARGN} PROPERTIES
      FIXTURES_REQUIRED emulator
      ENVIRONMENT "${TOLVARAN_EMULATOR_ENVIRONMENT}")
  endif()
endfunction()
