// Late-bound calls by name against objects answered from the test
// program's type libraries, the VARIANT readers, and IDispatch from a chosen
// type library or none.
#include "late_bound.h"

#include <gtest/gtest.h>

#include <string>

#include "dispatch.h"
#include "kit_item.h"
#include "kit_other.h"
#include "object.h"
#include "testing/apartment.h"
#include "testing/counted_dispatch.h"
#include "testing/expect.h"
#include "win/wide_text.h"

namespace mivo::com {
namespace {

using testing::counted_dispatch;

class CKitItem : public object_root, public dispatch<IKitItem> {
 public:
  using interfaces = interface_list<IKitItem, via<IDispatch, IKitItem>>;

  STDMETHODIMP get_Subject(BSTR* value) override try {
    *value = make_bstr(subject.c_str()).release();
    return S_OK;
  }
  CATCH_RETURN()
  STDMETHODIMP put_Subject(BSTR value) override {
    subject = value ? value : L"";
    return S_OK;
  }
  STDMETHODIMP get_Count(LONG* value) override {
    *value = count;
    return S_OK;
  }
  STDMETHODIMP put_Count(LONG value) override {
    count = value;
    return S_OK;
  }
  STDMETHODIMP get_Parent(IDispatch** value) override { return parent.copy_to(value); }
  STDMETHODIMP get_Line(LONG index, BSTR* value) override try {
    *value = make_bstr((L"line " + std::to_wstring(index)).c_str()).release();
    return S_OK;
  }
  CATCH_RETURN()
  STDMETHODIMP Join(BSTR first, BSTR second, BSTR* joined) override try {
    *joined = make_bstr((std::wstring(first) + L"+" + second).c_str()).release();
    return S_OK;
  }
  CATCH_RETURN()
  STDMETHODIMP Echo(VARIANT value, VARIANT* same) override { return VariantCopy(same, &value); }
  STDMETHODIMP Fail(LONG code) override { return static_cast<HRESULT>(code); }

  std::wstring subject;
  LONG count = 0;
  com_ptr<IDispatch> parent;
};

com_ptr<CKitItem> make_item() {
  com_ptr<CKitItem> item;
  THROW_IF_FAILED(make_instance(item));
  return item;
}

class LateBound : public ::testing::Test {
 protected:
  testing::com_apartment com_;
  com_ptr<CKitItem> item_ = make_item();
  com_ptr<IDispatch> object_ = item_.query<IDispatch>();
};

TEST_F(LateBound, PutsAndGetsPropertiesByName) {
  EXPECT_HR(S_OK, put(object_, L"Subject", "Grüße"));
  EXPECT_EQ(L"Grüße", item_->subject);
  EXPECT_EQ("Grüße", *as_text(get(object_, L"Subject")));
  EXPECT_HR(S_OK, put(object_, L"count", 12));
  EXPECT_EQ(12, *as_int(get(object_, L"Count")));
  // An indexed property takes its arguments like a method.
  EXPECT_EQ("line 3", *as_text(get(object_, L"Line", 3)));
}

TEST_F(LateBound, CallsPassArgumentsInTheirNaturalOrder) {
  const dispatch_result joined = call(object_, L"Join", L"first", std::string("second"));
  EXPECT_HR(S_OK, joined.hr());
  EXPECT_EQ("first+second", *as_text(joined));
}

TEST_F(LateBound, ArgumentsConvertFromCppValues) {
  const auto echo = [&](const auto& value) { return call(object_, L"Echo", value); };
  dispatch_result flag = echo(true);
  EXPECT_EQ(VT_BOOL, V_VT(&flag));
  EXPECT_EQ(VARIANT_TRUE, V_BOOL(&flag));
  dispatch_result small = echo(-5);
  EXPECT_EQ(VT_I4, V_VT(&small));
  EXPECT_EQ(-5, V_I4(&small));
  dispatch_result large = echo(5000000000LL);
  EXPECT_EQ(VT_I8, V_VT(&large));
  EXPECT_EQ(5000000000LL, V_I8(&large));
  dispatch_result unsigned_large = echo(3000000000u);
  EXPECT_EQ(VT_UI8, V_VT(&unsigned_large));
  dispatch_result left_out = echo(missing_argument);
  EXPECT_TRUE(as_bool(left_out).is_missing());
  EXPECT_EQ(2.5, *as_double(echo(2.5)));
  EXPECT_EQ("日程", *as_text(echo("日程")));
  EXPECT_EQ("日程", *as_text(echo(std::wstring(L"日程"))));

  counted_dispatch other;
  {
    dispatch_result object = echo(static_cast<IDispatch*>(&other));
    EXPECT_EQ(VT_DISPATCH, V_VT(&object));
    EXPECT_EQ(static_cast<IDispatch*>(&other), V_DISPATCH(&object));
    dispatch_result copied = echo(object);
    EXPECT_EQ(static_cast<IDispatch*>(&other), V_DISPATCH(&copied));
  }
  EXPECT_EQ(0u, other.references);
}

TEST_F(LateBound, ChainedCallsReachTheObjectsEarlierCallsGave) {
  const com_ptr<CKitItem> parent = make_item();
  parent->subject = L"Calendar";
  item_->parent = parent.query<IDispatch>();
  EXPECT_EQ("Calendar", *as_text(get(get(object_, L"Parent"), L"Subject")));
}

TEST_F(LateBound, FailuresCarryTheirHresultAndNoValue) {
  const dispatch_result unknown = get(object_, L"Body");
  EXPECT_HR(DISP_E_UNKNOWNNAME, unknown.hr());
  EXPECT_EQ(VT_EMPTY, V_VT(&unknown));
  EXPECT_TRUE(as_text(unknown).is_missing());

  // A member's own failure comes back as its code, whether the dispatch
  // passes it straight or as an exception.
  EXPECT_HR(E_ACCESSDENIED, call(object_, L"Fail", static_cast<LONG>(E_ACCESSDENIED)).hr());
  EXPECT_HRESULT_FAILED(put(object_, L"Parent", object_));

  EXPECT_HR(E_POINTER, get(static_cast<IDispatch*>(nullptr), L"Subject").hr());
  // No parent: the next call in the chain has nothing to call; an earlier
  // failure is handed on; a value that is not an object cannot be called.
  EXPECT_HR(E_POINTER, get(get(object_, L"Parent"), L"Subject").hr());
  EXPECT_HR(DISP_E_UNKNOWNNAME, get(get(object_, L"Owner"), L"Subject").hr());
  EXPECT_HR(DISP_E_TYPEMISMATCH, get(get(object_, L"Count"), L"Subject").hr());
}

VARIANT typed(VARTYPE type) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = type;
  return value;
}

TEST(VariantReaders, TakeTheirTypesAndValuesByReference) {
  unique_variant text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"Ünïcode");
  EXPECT_EQ("Ünïcode", *as_text(text));
  VARIANT null_text = typed(VT_BSTR);
  EXPECT_EQ("", *as_text(null_text));

  VARIANT number = typed(VT_I2);
  V_I2(&number) = -7;
  EXPECT_EQ(-7, *as_int(number));
  EXPECT_EQ(-7.0, *as_double(number));
  VARIANT date = typed(VT_DATE);
  V_DATE(&date) = 45366.25;
  EXPECT_EQ(45366.25, *as_double(date));
  VARIANT huge = typed(VT_UI8);
  V_UI8(&huge) = ~0ULL;
  EXPECT_TRUE(as_int(huge).is_wrong_type());
  EXPECT_EQ(18446744073709551615.0, *as_double(huge));

  VARIANT flag = typed(VT_BOOL);
  V_BOOL(&flag) = VARIANT_TRUE;
  EXPECT_TRUE(*as_bool(flag));

  LONG stored = 42;
  VARIANT by_reference = typed(VT_I4 | VT_BYREF);
  V_I4REF(&by_reference) = &stored;
  EXPECT_EQ(42, *as_int(by_reference));
  VARIANT nested = typed(VT_VARIANT | VT_BYREF);
  V_VARIANTREF(&nested) = &flag;
  EXPECT_TRUE(*as_bool(nested));

  counted_dispatch object;
  {
    VARIANT unknown = typed(VT_UNKNOWN);
    V_UNKNOWN(&unknown) = &object;
    const auto read = as_dispatch(unknown);
    ASSERT_TRUE(read);
    EXPECT_EQ(static_cast<IDispatch*>(&object), read->get());
    EXPECT_EQ(1u, object.references);
  }
  EXPECT_EQ(0u, object.references);
}

TEST(VariantReaders, TellAMissingValueFromOneOfTheWrongType) {
  VARIANT missing_argument = typed(VT_ERROR);
  V_ERROR(&missing_argument) = DISP_E_PARAMNOTFOUND;
  VARIANT null_object = typed(VT_DISPATCH);
  VARIANT null_reference = typed(VT_BOOL | VT_BYREF);
  for (const VARIANT& missing :
       {typed(VT_EMPTY), typed(VT_NULL), missing_argument, null_reference}) {
    EXPECT_TRUE(as_text(missing).is_missing()) << V_VT(&missing);
    EXPECT_TRUE(as_double(missing).is_missing()) << V_VT(&missing);
    EXPECT_TRUE(as_int(missing).is_missing()) << V_VT(&missing);
    EXPECT_TRUE(as_bool(missing).is_missing()) << V_VT(&missing);
    EXPECT_TRUE(as_dispatch(missing).is_missing()) << V_VT(&missing);
  }
  EXPECT_TRUE(as_dispatch(null_object).is_missing());

  VARIANT real = typed(VT_R8);
  V_R8(&real) = 1.5;
  VARIANT failure = typed(VT_ERROR);
  V_ERROR(&failure) = E_FAIL;
  EXPECT_TRUE(as_int(real).is_wrong_type());
  EXPECT_TRUE(as_text(real).is_wrong_type());
  EXPECT_TRUE(as_bool(real).is_wrong_type());
  EXPECT_TRUE(as_dispatch(real).is_wrong_type());
  EXPECT_TRUE(as_double(failure).is_wrong_type());
  EXPECT_TRUE(as_double(null_object).is_wrong_type());
  EXPECT_EQ(3.0, as_double(failure).value_or(3.0));

  counted_dispatch object;
  VARIANT unknown_only = typed(VT_UNKNOWN);
  struct : IUnknown {
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
      *out = IsEqualIID(iid, IID_IUnknown) ? this : nullptr;
      return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
  } not_dispatch;
  V_UNKNOWN(&unknown_only) = &not_dispatch;
  EXPECT_TRUE(as_dispatch(unknown_only).is_wrong_type());
}

class CKitOther : public object_root, public dispatch<IKitOther, embedded_type_library<2>> {
 public:
  using interfaces = interface_list<IKitOther, via<IDispatch, IKitOther>>;
  STDMETHODIMP get_Name(BSTR* value) override {
    *value = SysAllocString(L"other");
    return *value ? S_OK : E_OUTOFMEMORY;
  }
};

class CUndescribed : public object_root, public dispatch<IKitOther, no_type_library> {
 public:
  using interfaces = interface_list<IKitOther, via<IDispatch, IKitOther>>;
  STDMETHODIMP get_Name(BSTR* value) override {
    *value = nullptr;
    return S_OK;
  }
};

TEST(Dispatch, AnswersFromTheChosenTypeLibraryOfTheModule) {
  testing::com_apartment com;
  com_ptr<CKitOther> other;
  ASSERT_HR(S_OK, make_instance(other));
  const com_ptr<IDispatch> object = other.query<IDispatch>();
  EXPECT_EQ("other", *as_text(get(object, L"Name")));

  com_ptr<ITypeInfo> info;
  ASSERT_HR(S_OK, object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()));
  com_ptr<ITypeLib> library;
  UINT index = 0;
  ASSERT_HR(S_OK, info->GetContainingTypeLib(library.put(), &index));
  TLIBATTR* attributes = nullptr;
  ASSERT_HR(S_OK, library->GetLibAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(LIBID_MivoKitOtherLib, attributes->guid));
  library->ReleaseTLibAttr(attributes);
}

TEST(Dispatch, WithoutATypeLibraryAnswersNoNamesAndNoMembers) {
  com_ptr<CUndescribed> undescribed;
  ASSERT_HR(S_OK, make_instance(undescribed));
  const com_ptr<IDispatch> object = undescribed.query<IDispatch>();
  UINT count = 7;
  EXPECT_HR(S_OK, object->GetTypeInfoCount(&count));
  EXPECT_EQ(0u, count);
  EXPECT_HR(DISP_E_UNKNOWNNAME, get(object, L"Name").hr());
  DISPPARAMS none = {};
  EXPECT_HR(DISP_E_MEMBERNOTFOUND,
            object->Invoke(7, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr));
  // Its vtable still works.
  BSTR name = reinterpret_cast<BSTR>(0xdeadbeef);
  EXPECT_HR(S_OK, undescribed->get_Name(&name));
  EXPECT_EQ(nullptr, name);
}

}  // namespace
}  // namespace mivo::com
