// The request log accepts only paths on this machine.
#include "local_path.h"

#include <gtest/gtest.h>

using mivo::oiurl::is_local_absolute_path;

TEST(LocalAbsolutePath, DriveLetterPathsAreLocal) {
  EXPECT_TRUE(is_local_absolute_path(L"C:\\logs\\agent.txt"));
  EXPECT_TRUE(is_local_absolute_path(L"d:/temp/agent.txt"));
  EXPECT_TRUE(is_local_absolute_path(L"Z:\\"));
}

TEST(LocalAbsolutePath, PathsThatReachAnotherHostOrDependOnTheCurrentFolderAreNot) {
  for (const wchar_t* path :
       {L"\\\\host\\share\\agent.txt", L"//host/share/agent.txt", L"\\/host\\share\\agent.txt",
        L"\\\\?\\UNC\\host\\share\\agent.txt", L"\\\\?\\C:\\agent.txt", L"\\\\.\\pipe\\agent",
        L"C:agent.txt", L"agent.txt", L"\\agent.txt", L"1:\\agent.txt", L"C:", L""}) {
    EXPECT_FALSE(is_local_absolute_path(path)) << path;
  }
}
