# The update publisher a build trusts: the certificate subject compiled into
# the scheduler and the key pins compiled into the resource library. Kept
# apart so that cmake/publisher_check_test.cmake can run the check.

# The subject a fresh configuration starts with; no release may keep it.
set(MIVO_PLACEHOLDER_PUBLISHER "CN=Mivo, O=Mivo, C=CN")

# mivo_publisher_problem(<out-var> <publisher> <keys> <release>)
# Sets <out-var> to what is wrong with the publisher's subject and key list
# (a CMake list of SHA-256 hashes of DER SubjectPublicKeyInfo, 64 hex
# digits each), or to "" when nothing is. A release needs a subject of its
# own and at least one key.
function(mivo_publisher_problem out publisher keys release)
  if(publisher STREQUAL "" OR publisher MATCHES "[\"\\]")
    set(${out} "MIVO_INSTALLER_PUBLISHER must be a certificate subject without quotes or backslashes"
        PARENT_SCOPE)
    return()
  endif()
  foreach(key IN LISTS keys)
    string(LENGTH "${key}" length)
    if(NOT key MATCHES "^[0-9A-Fa-f]+$" OR NOT length EQUAL 64)
      set(${out} "MIVO_INSTALLER_PUBLISHER_KEYS: \"${key}\" is not a SHA-256 of 64 hex digits"
          PARENT_SCOPE)
      return()
    endif()
  endforeach()
  if(release AND publisher STREQUAL MIVO_PLACEHOLDER_PUBLISHER)
    set(${out} "a release needs the release certificate's subject in MIVO_INSTALLER_PUBLISHER, not the placeholder \"${MIVO_PLACEHOLDER_PUBLISHER}\""
        PARENT_SCOPE)
    return()
  endif()
  if(release AND keys STREQUAL "")
    set(${out} "a release needs the hash of the release certificate's public key in MIVO_INSTALLER_PUBLISHER_KEYS"
        PARENT_SCOPE)
    return()
  endif()
  set(${out} "" PARENT_SCOPE)
endfunction()

# mivo_write_publisher_keys_header(<file> <keys>)
# Writes the header that gives MivoOlkRes its string IDS_PUBLISHER_KEYS: the
# keys in lower case, separated by commas ("" for none). Rewrites the file
# only when its text changes.
function(mivo_write_publisher_keys_header file keys)
  string(TOLOWER "${keys}" lower)
  string(REPLACE ";" "," text "${lower}")
  file(CONFIGURE OUTPUT "${file}" CONTENT
    "/* The update publisher's key pins of one variant of MivoOlkRes, written by the build. */
#pragma once
#define MIVO_PUBLISHER_KEYS_TEXT \"${text}\"
")
endfunction()
