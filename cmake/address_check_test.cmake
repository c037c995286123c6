# cmake -P cmake/address_check_test.cmake: the addresses a build accepts for
# the shipped resource library and for the tests' one.
include(${CMAKE_CURRENT_LIST_DIR}/MivoAddresses.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/check_test_support.cmake)

function(expect address allow_loopback_http accepted)
  mivo_address_problem(problem "${address}" ${allow_loopback_http})
  mivo_expect_verdict("${problem}" ${accepted} "${address} (loopback http ${allow_loopback_http})")
endfunction()

# What ships: https only.
expect("https://meet.mivo.com" FALSE TRUE)
expect("https://meet.mivo.com:8443" FALSE TRUE)
expect("http://meet.mivo.com" FALSE FALSE)
expect("http://127.0.0.1:47380" FALSE FALSE)
expect("https://meet.mivo.com/" FALSE FALSE)
expect("https://meet.mivo.com/path" FALSE FALSE)
expect("https://user@meet.mivo.com" FALSE FALSE)
expect("ftp://meet.mivo.com" FALSE FALSE)
expect("meet.mivo.com" FALSE FALSE)
# The tests' library: http to the loopback address as well, nowhere else.
expect("http://127.0.0.1:47380" TRUE TRUE)
expect("http://localhost:47380" TRUE TRUE)
expect("https://127.0.0.1:47381" TRUE TRUE)
expect("http://meet.mivo.com" TRUE FALSE)
expect("http://127.0.0.1.evil.example" TRUE FALSE)
expect("http://10.0.0.1:47380" TRUE FALSE)

mivo_report_verdicts("address check")
