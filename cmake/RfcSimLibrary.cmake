# tolvaran_rfc_sim_library(<target> OUTPUT_NAME <name> [WINDOWS_PREFIX <prefix>]
#                          SOURCES <file>... [LIBRARIES <lib>...])
#
# A simulated RFC library, built the way SAP builds its own, so that the
# program loads it exactly as it loads SAP's: lib<name>.so on POSIX,
# <prefix><name>.dll on Windows (librfc32.dll, sapnwrfc.dll), exporting only
# its C entry points under their plain names.
function(tolvaran_rfc_sim_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT_NAME;WINDOWS_PREFIX" "SOURCES;LIBRARIES")
  if(NOT arg_OUTPUT_NAME OR NOT arg_SOURCES)
    message(FATAL_ERROR "tolvaran_rfc_sim_library(${target}) needs OUTPUT_NAME and SOURCES")
  endif()
  add_library(${target} SHARED ${arg_SOURCES})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PRIVATE ${arg_LIBRARIES})
  if(WIN32)
    set(prefix "${arg_WINDOWS_PREFIX}")
  else()
    set(prefix lib)
  endif()
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${arg_OUTPUT_NAME} PREFIX "${prefix}" CXX_VISIBILITY_PRESET hidden)
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT MSVC)
    # 32-bit entry points are __stdcall, which the compiler exports as
    # "RfcOpen@4"; SAP's DLLs export "RfcOpen", and so the program looks the
    # plain names up.
    target_link_options(${target} PRIVATE -Wl,--kill-at)
  endif()
  if(TOLVARAN_RUNTIME_LINK)
    # Its copy of the runtime stays its own: hidden, the loader resolves
    # nothing of it by name when the program loads the library.
    target_link_options(${target} PRIVATE ${TOLVARAN_RUNTIME_LINK} -Wl,--exclude-libs,ALL)
  endif()
endfunction()
