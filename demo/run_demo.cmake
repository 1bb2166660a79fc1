# Runs the demo: a single-system check of PRD, a health check of it and a
# listing over the demo's systems, in a scratch copy of this folder, against
# the simulated RFC library built next to the program.
#   cmake -DTOLVARAN=<path of tolvaran> -DDEMO=<this folder> -DWORK=<scratch> -P run_demo.cmake
# A program built for another system is started through -DLAUNCHER=<command>
# (e.g. wine).

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(GLOB demo_files "${DEMO}/*.ini" "${DEMO}/*.txt" "${DEMO}/*.P00" "${DEMO}/*.Prf")
file(COPY ${demo_files} DESTINATION "${WORK}")

function(run_check title)
  set(shown "")
  foreach(arg IN LISTS ARGN)
    # Shown as a POSIX shell takes it: blanks and parentheses quoted.
    if(arg MATCHES "[ ()]")
      string(APPEND shown " \"${arg}\"")
    else()
      string(APPEND shown " ${arg}")
    endif()
  endforeach()
  message("\n=== ${title}\n=== $ tolvaran${shown}\n")
  execute_process(COMMAND ${LAUNCHER} "${TOLVARAN}" ${ARGN}
    WORKING_DIRECTORY "${WORK}" OUTPUT_VARIABLE out RESULT_VARIABLE status)
  message("${out}")
  message("=== exit status ${status}")
  set(last_status "${status}" PARENT_SCOPE)
endfunction()

run_check("Check of system PRD, as the monitor starts it" PRD)
if(NOT last_status EQUAL 0)
  message(FATAL_ERROR "the check of PRD failed")
endif()
run_check("The same check for client 100 only, as a plain check listing" PRD "CLIENT=100 /CHECK")
run_check("A health check of PRD: work processes, short dumps, cancelled jobs, update errors and locks"
  PRD "MEASURE=WP+DUMPS+JOBS+UPDATES+LOCKS")
if(NOT last_status EQUAL 0)
  message(FATAL_ERROR "the health check of PRD failed")
endif()
run_check("Listing: active users of every system in Dalvenor.Prf (DEV refuses the logon)"
  X "ITEM=Active:User(s)")
if(NOT last_status EQUAL 0)
  message(FATAL_ERROR "the listing failed")
endif()
