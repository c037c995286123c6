// Failure reporting of the result macros: what is reported, where, and once.
#include "result.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "testing/expect.h"

namespace mivo::com {
namespace {

struct reported {
  std::string file;
  int line;
  std::string expression;
  HRESULT hr;
};

std::vector<reported> g_reports;

void record(const failure& f) noexcept {
  const char* name = std::strrchr(f.file, '/');
  g_reports.push_back({name ? name + 1 : f.file, f.line, f.expression, f.hr});
}

class FailureReports : public ::testing::Test {
 protected:
  void SetUp() override {
    g_reports.clear();
    previous_ = set_failure_observer(&record);
  }
  void TearDown() override { set_failure_observer(previous_); }

  failure_observer previous_ = nullptr;
};

HRESULT denied() { return E_ACCESSDENIED; }

int g_line = 0;

HRESULT returns_failure() {
  RETURN_IF_FAILED(S_FALSE);
  g_line = __LINE__ + 1;
  RETURN_IF_FAILED(denied());
  return S_OK;
}

HRESULT returns_conditions(int which) {
  RETURN_HR_IF(S_FALSE, which == 0);
  SetLastError(ERROR_FILE_NOT_FOUND);
  RETURN_IF_WIN32_BOOL_FALSE(which != 1);
  RETURN_LAST_ERROR_IF_NULL(which == 2 ? nullptr : &g_line);
  RETURN_IF_WIN32_ERROR(which == 3 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS);
  RETURN_HR_IF(E_INVALIDARG, which == 4);
  return S_OK;
}

TEST_F(FailureReports, EachReturnedFailureIsReportedOnceWithWhereAndWhat) {
  EXPECT_HR(E_ACCESSDENIED, returns_failure());
  ASSERT_EQ(1u, g_reports.size());
  EXPECT_EQ("result_wine_test.cpp", g_reports[0].file);
  EXPECT_EQ(g_line, g_reports[0].line);
  EXPECT_EQ("denied()", g_reports[0].expression);
  EXPECT_HR(E_ACCESSDENIED, g_reports[0].hr);

  g_reports.clear();
  EXPECT_HR(S_FALSE, returns_conditions(0));
  EXPECT_HR(S_OK, returns_conditions(5));
  EXPECT_TRUE(g_reports.empty());
  EXPECT_HR(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), returns_conditions(1));
  EXPECT_HR(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), returns_conditions(2));
  EXPECT_HR(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), returns_conditions(3));
  EXPECT_HR(E_INVALIDARG, returns_conditions(4));
  ASSERT_EQ(4u, g_reports.size());
  EXPECT_EQ("which != 1", g_reports[0].expression);
  EXPECT_HR(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), g_reports[2].hr);
  EXPECT_EQ("which == 4", g_reports[3].expression);
}

TEST_F(FailureReports, ALoggedFailureIsReportedAndTheCodeGoesOnWithItsResult) {
  const int line = __LINE__ + 1;
  EXPECT_HR(E_ACCESSDENIED, LOG_IF_FAILED(denied()));
  EXPECT_HR(S_FALSE, LOG_IF_FAILED(S_FALSE));
  ASSERT_EQ(1u, g_reports.size());
  EXPECT_EQ(line, g_reports[0].line);
  EXPECT_EQ("denied()", g_reports[0].expression);
  EXPECT_HR(E_ACCESSDENIED, g_reports[0].hr);
}

void throws_failure() {
  g_line = __LINE__ + 1;
  THROW_IF_FAILED(denied());
}

HRESULT catches(int which) try {
  if (which == 0) throws_failure();
  if (which == 1) throw std::bad_alloc();
  if (which == 2) throw hresult_error(E_ABORT);
  return S_OK;
}
CATCH_RETURN()

TEST_F(FailureReports, AThrownFailureIsReportedWhereItIsThrownAndOtherExceptionsWhereCaught) {
  EXPECT_HR(E_ACCESSDENIED, catches(0));
  ASSERT_EQ(1u, g_reports.size());
  EXPECT_EQ(g_line, g_reports[0].line);

  EXPECT_HR(E_OUTOFMEMORY, catches(1));
  EXPECT_HR(E_ABORT, catches(2));
  ASSERT_EQ(3u, g_reports.size());
  EXPECT_HR(E_OUTOFMEMORY, g_reports[1].hr);
  EXPECT_HR(E_ABORT, g_reports[2].hr);
  EXPECT_EQ(g_reports[1].line, g_reports[2].line);
  EXPECT_NE(g_line, g_reports[1].line);
}

}  // namespace
}  // namespace mivo::com
