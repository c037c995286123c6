// One conformance suite for every in-process COM server of the product:
// registration per machine and per user (exactly the keys of the scripts,
// the type library, and nothing left behind), DllInstall's command line,
// creation by ProgID, the class factory's rules, DllCanUnloadNow, identity
// and type information. A server's Wine test describes the server and
// instantiates the suite:
//
//   INSTANTIATE_TEST_SUITE_P(MivoOIURL, ComServerConformance,
//                            ::testing::Values(agent_description()));
//
// and links mivo_com_conformance. Each test saves every key it may touch and
// puts it back.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "com/com_ptr.h"

namespace mivo::com::testing {

class registry_key_guard;

struct server_description {
  std::wstring file_name;  // the DLL, in the test program's folder
  CLSID clsid;
  IID default_interface;           // what a new object is asked for
  std::wstring class_name;         // "Thing Class": the ProgID and CLSID keys' value
  std::wstring prog_id;            // version-independent: "Library.Thing"
  std::wstring versioned_prog_id;  // "Library.Thing.1"
  std::wstring threading_model;    // InprocServer32's ThreadingModel
  GUID app_id;
  std::wstring app_name;        // value of AppID\{app id}
  std::wstring module_app_key;  // AppID\<this key> names the AppID: "Library.DLL"
  bool class_names_app_id;      // the CLSID key carries an AppID value too
  GUID library_id;
  std::wstring library_name;    // TypeLib\{library}\1.0's value
  std::vector<IID> interfaces;  // registered with the type library
  bool aggregatable;
  // Keys the scripts write outside the classes root (root, path).
  std::vector<std::pair<HKEY, std::wstring>> other_keys;
};

void PrintTo(const server_description& server, std::ostream* out);

class ComServerConformance : public ::testing::TestWithParam<server_description> {
 protected:
  void SetUp() override;
  void TearDown() override;

  const server_description& server() const { return GetParam(); }
  HMODULE library() const { return library_; }
  std::wstring path() const;  // the DLL beside the test program
  DWORD regsvr32(const std::wstring& options) const;
  HRESULT can_unload_now() const;
  HRESULT install(BOOL install, const wchar_t* command_line) const;
  com_ptr<IClassFactory> factory() const;
  com_ptr<IUnknown> create() const;

  std::vector<std::wstring> script_keys() const;  // below a classes root
  std::vector<std::wstring> class_keys() const;   // and the type library's
  std::set<std::wstring> written_lines(HKEY root) const;
  std::set<std::wstring> expected_lines() const;
  void expect_registered(HKEY root) const;
  void expect_unregistered(HKEY root) const;
  bool registered_in(HKEY root) const;

 private:
  HMODULE library_ = nullptr;  // kept loaded, as hosts do
  std::vector<std::unique_ptr<registry_key_guard>> guards_;
};

}  // namespace mivo::com::testing
