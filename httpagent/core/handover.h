// The hand-over of an agent object's results from its worker to its sink:
// which request may start, which result is delivered, to which sink, once,
// and when Cancel may return. Everything happens under one lock; the sink is
// called outside it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace mivo::oiurl {

template <class Sink, class Result>
class handover {
 public:
  struct delivery {
    Sink* sink;
    Result result;
  };

  // A request call. False while the previous request is still running: its
  // worker has not stored its result, so this call is ignored. A result of
  // an earlier request that was never delivered is not this request's.
  bool start(Sink* sink) {
    std::lock_guard<std::mutex> guard(lock_);
    if (busy_) return false;
    busy_ = true;
    sink_ = sink;
    delivered_ = false;
    pending_ = false;
    return true;
  }

  // The worker's last act. A failure is stored whatever came before; an
  // ordinary end stores `result` unless a time-out was stored meanwhile, and
  // nothing once the request was delivered or cancelled. Either way the
  // request is over: the next one may start, and cannot take this result.
  void fail(Result result) { end(result, true); }
  void finish(Result result) { end(result, false); }

  // Stores the time-out as the result unless a result is already waiting
  // (then false) or nothing can be delivered any more.
  bool time_out(Result result) {
    std::lock_guard<std::mutex> guard(lock_);
    if (pending_) return false;
    if (sink_ && !delivered_) {
      result_ = result;
      pending_ = true;
    }
    return true;
  }

  bool pending() {
    std::lock_guard<std::mutex> guard(lock_);
    return pending_;
  }

  // The sink to call and with what, once per request; the caller calls it
  // and then end_delivery(). Nothing when no result waits or nobody is to be
  // told (cancelled).
  std::optional<delivery> begin_delivery() {
    std::lock_guard<std::mutex> guard(lock_);
    if (delivered_ || !pending_) return std::nullopt;
    delivered_ = true;
    pending_ = false;
    Sink* const sink = sink_;
    sink_ = nullptr;
    if (!sink) return std::nullopt;
    delivering_ = true;
    delivering_thread_ = std::this_thread::get_id();
    return delivery{sink, result_};
  }

  void end_delivery() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      delivering_ = false;
    }
    delivery_ended_.notify_all();
  }

  // No sink is called after this returns: a delivery under way on another
  // thread is waited for (one on this thread is the caller itself, calling
  // from inside its sink). Never undone.
  void cancel() {
    cancelled_ = true;
    std::unique_lock<std::mutex> guard(lock_);
    sink_ = nullptr;
    delivery_ended_.wait(
        guard, [this] { return !delivering_ || delivering_thread_ == std::this_thread::get_id(); });
  }

  bool cancelled() const noexcept { return cancelled_; }

 private:
  void end(Result result, bool failure) {
    std::lock_guard<std::mutex> guard(lock_);
    busy_ = false;
    if (!failure && (!sink_ || delivered_ || cancelled_)) return;
    // A time-out stored meanwhile stays the result of an ordinary end.
    if (failure || !pending_) result_ = result;
    delivered_ = false;
    pending_ = true;
  }

  std::mutex lock_;
  std::condition_variable delivery_ended_;
  Sink* sink_ = nullptr;
  Result result_{};
  bool pending_ = false;
  bool delivered_ = false;
  bool busy_ = false;
  bool delivering_ = false;
  std::thread::id delivering_thread_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace mivo::oiurl
