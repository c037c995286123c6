# What the configure-check tests (cmake -P cmake/*_check_test.cmake) share:
# each case's verdict against the expected one, and the report at the end.

# mivo_expect_verdict(<problem> <accepted> <case>): <problem> is what the
# check found wrong ("" for nothing); <accepted> whether it should find
# nothing.
function(mivo_expect_verdict problem accepted case)
  if(accepted AND NOT problem STREQUAL "")
    set_property(GLOBAL APPEND_STRING PROPERTY MIVO_CHECK_FAILURES "\n  ${case}: ${problem}")
  elseif(NOT accepted AND problem STREQUAL "")
    set_property(GLOBAL APPEND_STRING PROPERTY MIVO_CHECK_FAILURES "\n  ${case} was accepted")
  endif()
endfunction()

# mivo_report_verdicts(<check>): fails the test when a case went wrong.
function(mivo_report_verdicts check)
  get_property(failures GLOBAL PROPERTY MIVO_CHECK_FAILURES)
  if(failures)
    message(FATAL_ERROR "${check}:${failures}")
  endif()
endfunction()
