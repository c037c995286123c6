// The agent object linked in, for what the DLL's exports cannot provoke: a
// worker thread that cannot be created.
#include <windows.h>

#include <gtest/gtest.h>

#include "CMivoOIURLObject.h"
#include "agent_test_support.h"
#include "delivery.h"

using mivo::com::com_ptr;
using namespace mivo::oiurl::testing;

namespace {

HANDLE refuse_thread(LPTHREAD_START_ROUTINE, void*) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

class WorkerThread : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_HRESULT_SUCCEEDED(mivo::com::make_instance(agent)); }
  void TearDown() override { CMivoOIURLObject::CreateWorkerThread = original; }

  com_ptr<CMivoOIURLObject> agent;
  const CMivoOIURLObject::thread_creator original = CMivoOIURLObject::CreateWorkerThread;
};

TEST_F(WorkerThread, ThreadThatCannotBeCreatedIsReportedOnceAndLeavesTheObjectUsable) {
  CMivoOIURLObject::CreateWorkerThread = &refuse_thread;
  mivo::com::unique_bstr url(SysAllocString(L"http://127.0.0.1:9/x"));
  recording_sink sink;
  ASSERT_EQ(agent->Get(url.get(), nullptr, &sink), S_OK);
  ASSERT_TRUE(pump_until([&] { return !sink.calls.empty(); }));
  pump_for(2500);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0].type, OIURL_ERROR_THREAD);
  EXPECT_EQ(sink.calls[0].bytes, "");
  EXPECT_EQ(sink.calls[0].length, 0);
  EXPECT_FALSE(sink.calls[0].data_null);

  // The object is not left busy: with threads available again it runs the
  // next request (to a closed port: success without data).
  CMivoOIURLObject::CreateWorkerThread = original;
  recording_sink next;
  ASSERT_EQ(agent->Get(url.get(), nullptr, &next), S_OK);
  ASSERT_TRUE(pump_until([&] { return !next.calls.empty(); }));
  EXPECT_EQ(next.calls[0].type, OIURL_SUCCESS);
  EXPECT_TRUE(next.calls[0].data_null);
}

}  // namespace
