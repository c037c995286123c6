# cmake -P cmake/publisher_check_test.cmake: the publisher subjects and key
# lists a build accepts, for a release and otherwise.
include(${CMAKE_CURRENT_LIST_DIR}/MivoPublisher.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/check_test_support.cmake)

set(key_a "3b0f8d5c6e1a2f4b9c7d8e0a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e")
set(key_b "3B0F8D5C6E1A2F4B9C7D8E0A1B2C3D4E5F60718293A4B5C6D7E8F90A1B2C3D4F")
function(expect publisher keys release accepted)
  mivo_publisher_problem(problem "${publisher}" "${keys}" ${release})
  mivo_expect_verdict("${problem}" ${accepted} "${publisher} [${keys}] (release ${release})")
endfunction()

# Development builds may keep the placeholder and pin no key.
expect("CN=Mivo, O=Mivo, C=CN" "" FALSE TRUE)
expect("CN=Mivo, O=Mivo, C=CN" "${key_a}" FALSE TRUE)
# A release needs its own subject and at least one key; two let a key roll.
expect("CN=Vendor Ltd, O=Vendor Ltd, C=CN" "${key_a}" TRUE TRUE)
expect("CN=Vendor Ltd, O=Vendor Ltd, C=CN" "${key_a};${key_b}" TRUE TRUE)
expect("CN=Mivo, O=Mivo, C=CN" "${key_a}" TRUE FALSE)
expect("CN=Vendor Ltd, O=Vendor Ltd, C=CN" "" TRUE FALSE)
# Whatever the build: a subject the generated header can hold, and keys of
# 64 hex digits.
expect("" "" FALSE FALSE)
expect("CN=\"Quoted\"" "" FALSE FALSE)
expect("CN=Back\\slash" "" FALSE FALSE)
expect("CN=Mivo, O=Mivo, C=CN" "${key_a}0" FALSE FALSE)
expect("CN=Mivo, O=Mivo, C=CN" "sha256:${key_a}" FALSE FALSE)
expect("CN=Vendor Ltd, O=Vendor Ltd, C=CN" "${key_a};not-a-key" TRUE FALSE)

mivo_report_verdicts("publisher check")
