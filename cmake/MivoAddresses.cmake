# The check of the service and download addresses compiled into a resource
# library; kept apart so that cmake/address_check_test.cmake can run it.

# mivo_address_problem(<out-var> <address> <allow-loopback-http>)
# Sets <out-var> to what is wrong with <address>, or to "" when nothing is.
# An address is a scheme and a host, optionally ":port", without a trailing
# slash (it ends up inside a quoted resource string). The scheme is https;
# only with <allow-loopback-http> (the tests' resource library) may it be
# http, and then to 127.0.0.1 or localhost only.
function(mivo_address_problem out address allow_loopback_http)
  if(NOT address MATCHES "^(https?)://([A-Za-z0-9.-]+)(:[0-9]+)?$")
    set(${out} "must be a scheme and a host (optionally :port) without a trailing slash"
        PARENT_SCOPE)
    return()
  endif()
  set(scheme "${CMAKE_MATCH_1}")
  set(host "${CMAKE_MATCH_2}")
  if(scheme STREQUAL "http" AND NOT allow_loopback_http)
    set(${out} "must use https" PARENT_SCOPE)
    return()
  endif()
  if(scheme STREQUAL "http" AND NOT host MATCHES "^(127\\.0\\.0\\.1|localhost)$")
    set(${out} "may use http only to 127.0.0.1 or localhost" PARENT_SCOPE)
    return()
  endif()
  set(${out} "" PARENT_SCOPE)
endfunction()
