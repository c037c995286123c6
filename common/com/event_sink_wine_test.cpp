// Dispinterface event sinks and event connections, against an event source
// that counts what it is asked.
#include "event_sink.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "connection.h"
#include "testing/apartment.h"
#include "testing/counted_dispatch.h"
#include "testing/expect.h"
#include "unique.h"
#include "variant_read.h"

namespace mivo::com {
namespace {

using testing::counted_dispatch;

// Outlook's ItemEvents and InspectorEvents, with two of their DISPIDs.
constexpr IID kItemEvents = {
    0x0006303A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kInspectorEvents = {
    0x0006307D, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kSend = 0xF005;
constexpr DISPID kBeforeDelete = 0xFA75;
constexpr DISPID kClose = 0xF008;

// An object with two sinks, as a tracker watches its item and its window.
class EventOwner : public object_root, public IUnknown {
 public:
  using interfaces = interface_list<IUnknown>;
  EventOwner() { ++alive; }
  ~EventOwner() override { --alive; }

  HRESULT on_item_event(DISPID id, const event_args& args) {
    std::string seen = "item " + std::to_string(id) + " args " + std::to_string(args.size());
    if (id == kBeforeDelete) {
      const auto item = as_dispatch(args[0]);
      seen += item ? " item" : " no item";
      seen += args.set_bool(1, true) ? " cancelled" : " not cancellable";
    }
    if (id == kSend) seen += args.set_bool(0, true) ? " cancelled" : " not cancellable";
    if (as_dispatch(args[5]).is_missing()) seen += " (past the end is empty)";
    events.push_back(seen);
    return S_OK;
  }

  HRESULT on_inspector_event(DISPID id, const event_args&) {
    events.push_back("inspector " + std::to_string(id));
    if (on_close) on_close();
    if (throw_on_event) throw std::bad_alloc();
    return S_OK;
  }

  static inline int alive = 0;
  std::vector<std::string> events;
  std::function<void()> on_close;
  bool throw_on_event = false;
  event_sink<EventOwner> item_events{*this, kItemEvents, &EventOwner::on_item_event};
  event_sink<EventOwner> inspector_events{*this, kInspectorEvents, &EventOwner::on_inspector_event};
};

com_ptr<EventOwner> make_owner() {
  com_ptr<EventOwner> owner;
  THROW_IF_FAILED(make_instance(owner));
  return owner;
}

IUnknown* identity(const com_ptr<EventOwner>& owner) { return static_cast<IUnknown*>(owner.get()); }

// Calls a sink's Invoke as an event source does: arguments last to first.
HRESULT fire(IDispatch* sink, DISPID id, std::vector<VARIANT> arguments) {
  std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                      nullptr);
}

VARIANT dispatch_value(IDispatch* object) {
  VARIANT value;
  V_VT(&value) = VT_DISPATCH;
  V_DISPATCH(&value) = object;
  return value;
}

VARIANT bool_reference(VARIANT_BOOL* target) {
  VARIANT value;
  V_VT(&value) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&value) = target;
  return value;
}

TEST(EventSink, AnswersIUnknownIDispatchAndItsSourceInterfaceOnly) {
  const com_ptr<EventOwner> owner = make_owner();
  IDispatch* sink = &owner->item_events;
  for (const IID& iid : {IID_IUnknown, IID_IDispatch, kItemEvents}) {
    com_ptr<IUnknown> answer;
    EXPECT_HR(S_OK, sink->QueryInterface(iid, answer.put_void()));
    EXPECT_EQ(static_cast<IUnknown*>(sink), answer.get());
  }
  void* other = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_HR(E_NOINTERFACE, sink->QueryInterface(kInspectorEvents, &other));
  EXPECT_EQ(nullptr, other);

  UINT count = 7;
  EXPECT_HR(S_OK, sink->GetTypeInfoCount(&count));
  EXPECT_EQ(0u, count);
  DISPPARAMS none = {};
  EXPECT_HR(DISP_E_UNKNOWNINTERFACE,
            sink->Invoke(kSend, kItemEvents, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
}

TEST(EventSink, SinksOfOneOwnerShareItsReferenceCount) {
  com_ptr<EventOwner> owner = make_owner();
  EXPECT_REF(identity(owner), 1);
  owner->item_events.AddRef();
  owner->inspector_events.AddRef();
  EXPECT_REF(identity(owner), 3);
  EXPECT_REF(&owner->item_events, 3);

  // The owner goes with the last reference, whoever holds it.
  IDispatch* inspector_sink = &owner->inspector_events;
  owner->item_events.Release();
  owner.reset();
  EXPECT_EQ(1, EventOwner::alive);
  inspector_sink->Release();
  EXPECT_EQ(0, EventOwner::alive);
}

TEST(EventSink, InvokeHandsArgumentsInDeclarationOrderAndWritesCancelThrough) {
  const com_ptr<EventOwner> owner = make_owner();
  counted_dispatch item;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  EXPECT_HR(S_OK, fire(&owner->item_events, kBeforeDelete,
                       {dispatch_value(&item), bool_reference(&cancel)}));
  EXPECT_EQ(VARIANT_TRUE, cancel);

  // A VARIANT by reference holding the flag, as script hosts pass it.
  VARIANT held;
  V_VT(&held) = VT_BOOL;
  V_BOOL(&held) = VARIANT_FALSE;
  VARIANT by_reference;
  V_VT(&by_reference) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&by_reference) = &held;
  EXPECT_HR(S_OK, fire(&owner->item_events, kSend, {by_reference}));
  EXPECT_EQ(VARIANT_TRUE, V_BOOL(&held));

  // A flag passed by value cannot be written.
  EXPECT_HR(S_OK, fire(&owner->item_events, kSend, {held}));

  const std::string before_delete = std::to_string(kBeforeDelete);
  const std::string send = std::to_string(kSend);
  EXPECT_EQ((std::vector<std::string>{
                "item " + before_delete + " args 2 item cancelled (past the end is empty)",
                "item " + send + " args 1 cancelled (past the end is empty)",
                "item " + send + " args 1 not cancellable (past the end is empty)"}),
            owner->events);
  EXPECT_EQ(0u, item.references);
}

TEST(EventSink, OwnerOutlivesAHandlerThatLetsGoOfItAndExceptionsStayInside) {
  com_ptr<EventOwner> owner = make_owner();
  IDispatch* sink = &owner->inspector_events;
  owner->throw_on_event = true;
  EXPECT_HR(E_OUTOFMEMORY, fire(sink, kClose, {}));

  // The window's Close drops the last outside reference while the handler
  // still runs; the owner goes only once the event has returned.
  owner->throw_on_event = false;
  EventOwner* raw = owner.get();
  raw->on_close = [&] {
    owner.reset();
    EXPECT_EQ(1, EventOwner::alive);
  };
  EXPECT_HR(S_OK, fire(sink, kClose, {}));
  EXPECT_EQ(0, EventOwner::alive);
}

// An event source with one connection point, counting what it is asked. It
// holds the advised sink as a real connection point does.
class CountingSource final : public IConnectionPointContainer, public IConnectionPoint {
 public:
  explicit CountingSource(const IID& events) : events_(events) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPointContainer)) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPoint)) {
      *out = static_cast<IConnectionPoint*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }

  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    *out = nullptr;
    if (!IsEqualIID(iid, events_)) return CONNECT_E_NOCONNECTION;
    *out = this;
    AddRef();
    return S_OK;
  }

  STDMETHODIMP GetConnectionInterface(IID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    ++advises;
    if (refuse_advise) return CONNECT_E_CANNOTCONNECT;
    RETURN_IF_FAILED(sink->QueryInterface(events_, sink_.put_void()));
    *cookie = next_cookie++;
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    ++unadvises;
    if (!sink_ || cookie != next_cookie - 1) return CONNECT_E_NOCONNECTION;
    sink_.reset();
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  IUnknown* unknown() { return static_cast<IConnectionPointContainer*>(this); }

  // Drops its sinks without being asked, as a source that shuts down does.
  void disconnect() { sink_.reset(); }

  ULONG references = 0;
  int advises = 0;
  int unadvises = 0;
  bool refuse_advise = false;
  DWORD next_cookie = 41;

 private:
  const IID events_;
  com_ptr<IUnknown> sink_;
};

class EventConnection : public ::testing::Test {
 protected:
  com_ptr<EventOwner> owner_ = make_owner();
  CountingSource item_{kItemEvents};
};

TEST_F(EventConnection, AdvisesOnceAndUnadvisesOnResetLeavingTheSentinel) {
  event_connection connection;
  EXPECT_EQ(event_connection::not_advised, connection.cookie());
  EXPECT_HR(S_OK, connection.advise(item_.unknown(), kItemEvents, owner_->item_events.unknown()));
  EXPECT_EQ(41u, connection.cookie());
  EXPECT_REF(identity(owner_), 2);

  // Advised already: nothing happens, the sink is not connected twice.
  EXPECT_HR(S_FALSE,
            connection.advise(item_.unknown(), kItemEvents, owner_->item_events.unknown()));
  EXPECT_EQ(1, item_.advises);
  EXPECT_EQ(41u, connection.cookie());

  connection.reset();
  EXPECT_EQ(1, item_.unadvises);
  EXPECT_EQ(event_connection::not_advised, connection.cookie());
  EXPECT_FALSE(connection.advised());
  EXPECT_REF(identity(owner_), 1);
  EXPECT_EQ(0u, item_.references);
  EXPECT_HR(S_FALSE, connection.unadvise());
  EXPECT_EQ(1, item_.unadvises);
}

TEST_F(EventConnection, DestructionAndReassignmentUnadviseAndAMoveHandsTheConnectionOver) {
  CountingSource inspector(kInspectorEvents);
  {
    event_connection first;
    ASSERT_HR(S_OK, first.advise(item_.unknown(), kItemEvents, owner_->item_events.unknown()));
    event_connection second(std::move(first));
    EXPECT_FALSE(first.advised());
    EXPECT_EQ(41u, second.cookie());
    EXPECT_EQ(0, item_.unadvises);

    event_connection other;
    ASSERT_HR(S_OK, other.advise(inspector.unknown(), kInspectorEvents,
                                 owner_->inspector_events.unknown()));
    other = std::move(second);
    EXPECT_EQ(1, inspector.unadvises);
    EXPECT_EQ(0, item_.unadvises);
  }
  EXPECT_EQ(1, item_.unadvises);
  EXPECT_EQ(0u, item_.references);
  EXPECT_EQ(0u, inspector.references);
  EXPECT_REF(identity(owner_), 1);
}

TEST_F(EventConnection, FailedAdviseHoldsNothing) {
  event_connection connection;
  counted_dispatch no_events;
  EXPECT_HR(E_NOINTERFACE,
            connection.advise(&no_events, kItemEvents, owner_->item_events.unknown()));
  EXPECT_HR(CONNECT_E_NOCONNECTION, connection.advise(item_.unknown(), kInspectorEvents,
                                                      owner_->inspector_events.unknown()));
  item_.refuse_advise = true;
  EXPECT_HR(CONNECT_E_CANNOTCONNECT,
            connection.advise(item_.unknown(), kItemEvents, owner_->item_events.unknown()));
  EXPECT_FALSE(connection.advised());
  EXPECT_EQ(0u, item_.references);
  EXPECT_EQ(0u, no_events.references);
  EXPECT_REF(identity(owner_), 1);

  // A source that answers with the sentinel itself could never be unadvised.
  item_.refuse_advise = false;
  item_.next_cookie = event_connection::not_advised;
  EXPECT_HR(E_UNEXPECTED,
            connection.advise(item_.unknown(), kItemEvents, owner_->item_events.unknown()));
  EXPECT_FALSE(connection.advised());
  EXPECT_REF(identity(owner_), 1);
}

TEST_F(EventConnection, ASourceThatAlreadyDroppedTheSinkStillEndsTheConnection) {
  event_connection connection;
  ASSERT_HR(S_OK, connection.advise(item_.unknown(), kItemEvents, owner_->item_events.unknown()));
  item_.disconnect();
  EXPECT_HR(CONNECT_E_NOCONNECTION, connection.unadvise());
  EXPECT_FALSE(connection.advised());
  EXPECT_EQ(0u, item_.references);
}

}  // namespace
}  // namespace mivo::com
