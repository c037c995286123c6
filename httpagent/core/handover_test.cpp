// The agent's hand-over of results: one request at a time, one delivery per
// request to its own sink, nothing after Cancel.
#include "handover.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

struct Sink {};
using Handover = mivo::oiurl::handover<Sink, int>;
constexpr int kSuccess = 0;
constexpr int kTimeout = 2;
constexpr int kConnect = 3;

TEST(Handover, NextRequestStartsOnlyOnceThePreviousOneStoredItsResultAndNeverGetsIt) {
  Handover handover;
  Sink first, second;
  ASSERT_TRUE(handover.start(&first));
  EXPECT_FALSE(handover.start(&second)) << "the first worker still runs";
  handover.finish(kSuccess);
  ASSERT_TRUE(handover.start(&second));
  EXPECT_FALSE(handover.begin_delivery()) << "the first answer went to the second sink";
  handover.fail(kConnect);
  const auto delivery = handover.begin_delivery();
  ASSERT_TRUE(delivery);
  EXPECT_EQ(delivery->sink, &second);
  EXPECT_EQ(delivery->result, kConnect);
  handover.end_delivery();
  EXPECT_FALSE(handover.begin_delivery()) << "delivered twice";
}

TEST(Handover, TimeOutStaysTheResultOfAnOrdinaryEndButNotOfAFailure) {
  Handover handover;
  Sink sink;
  ASSERT_TRUE(handover.start(&sink));
  EXPECT_TRUE(handover.time_out(kTimeout));
  EXPECT_FALSE(handover.time_out(kTimeout)) << "a result waits already";
  handover.finish(kSuccess);
  EXPECT_EQ(handover.begin_delivery()->result, kTimeout);
  handover.end_delivery();

  ASSERT_TRUE(handover.start(&sink));
  handover.time_out(kTimeout);
  handover.fail(kConnect);
  EXPECT_EQ(handover.begin_delivery()->result, kConnect);
  handover.end_delivery();
}

TEST(Handover, NothingIsDeliveredAfterCancelNorForLaterRequests) {
  Handover handover;
  Sink sink;
  ASSERT_TRUE(handover.start(&sink));
  handover.finish(kSuccess);
  handover.cancel();
  EXPECT_FALSE(handover.begin_delivery());
  EXPECT_TRUE(handover.cancelled());
  ASSERT_TRUE(handover.start(&sink));
  handover.finish(kSuccess);
  EXPECT_FALSE(handover.begin_delivery());
}

TEST(Handover, CancelReturnsOnlyAfterADeliveryUnderWayOnAnotherThreadEnded) {
  Handover handover;
  Sink sink;
  ASSERT_TRUE(handover.start(&sink));
  handover.finish(kSuccess);
  std::promise<void> delivering;
  std::atomic<bool> sink_returned{false};
  std::thread delivery([&] {
    const auto call = handover.begin_delivery();
    delivering.set_value();
    // The sink takes its time.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    sink_returned = true;
    if (call) handover.end_delivery();
  });
  delivering.get_future().wait();
  handover.cancel();
  EXPECT_TRUE(sink_returned) << "Cancel returned while the sink was still being called";
  delivery.join();
}

TEST(Handover, CancelFromInsideTheSinkDoesNotWaitForItself) {
  Handover handover;
  Sink sink;
  ASSERT_TRUE(handover.start(&sink));
  handover.finish(kSuccess);
  ASSERT_TRUE(handover.begin_delivery());
  handover.cancel();
  handover.end_delivery();
  EXPECT_TRUE(handover.cancelled());
}

}  // namespace
