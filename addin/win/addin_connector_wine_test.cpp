// The connector as Office meets it before any window opens: the interfaces
// it answers, the ribbon markup and pictures from the resource library, and
// the sibling libraries loaded from the add-in's own folder, wherever that
// is.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "MivoOutlookPlugin.h"
#include "OfficeAddin.h"
#include "com/late_bound.h"
#include "com/module.h"
#include "com/testing/apartment.h"
#include "com/testing/expect.h"
#include "com/testing/server_conformance.h"
#include "com/unique.h"
#include "win/wide_text.h"
#include "agent_test_support.h"
#include "testing/addin_test_support.h"

namespace mivo::addin {
namespace {

using com::com_ptr;
using com::unique_bstr;
namespace testing = mivo::scheduler::testing;

// The add-in as a COM server, like the scheduler and the agent: its
// Addins key is written beside the classes, under HKCU for a per-user
// registration as for a machine one.
mivo::com::testing::server_description addin_description() {
  return {L"MivoOutlookPlugin.dll",
          CLSID_OutlookConnector,
          IID_IOutlookConnector,
          L"OutlookConnector Class",
          L"MivoOutlookPlugin.OutlookConnector",
          L"MivoOutlookPlugin.OutlookConnector.1",
          L"Apartment",
          {0x8CD77BEF, 0xAF44, 0x4F46, {0x8F, 0x13, 0xA7, 0x79, 0xC4, 0xC3, 0x72, 0x21}},
          L"MivoOutlookPlugin",
          L"MivoOutlookPlugin.DLL",
          false,
          LIBID_MivoOutlookPluginLib,
          L"MivoOutlookPlugin 1.0 Type Library",
          {IID_IOutlookConnector},
          false,
          {{HKEY_CURRENT_USER,
            L"Software\\Microsoft\\Office\\Outlook\\Addins\\MivoOutlookPlugin.OutlookConnector"}}};
}

using mivo::com::testing::ComServerConformance;
INSTANTIATE_TEST_SUITE_P(MivoOutlookPlugin, ComServerConformance,
                         ::testing::Values(addin_description()));

// The add-in DLL loaded from a folder and its connector, as Outlook makes
// it through the registered class.
class Addin {
 public:
  explicit Addin(const std::wstring& dll_path) {
    library_.reset(LoadLibraryExW(dll_path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library_) throw com::hresult_error(com::hresult_from_last_error());
    com_ptr<IClassFactory> factory;
    THROW_IF_FAILED(com::class_object_from_library(library_.get(), CLSID_OutlookConnector,
                                                   IID_IClassFactory, factory.put_void()));
    THROW_IF_FAILED(factory->CreateInstance(nullptr, IID_IOutlookConnector, connector.put_void()));
    extensibility = connector.query<_IDTExtensibility2>();
    ribbon = connector.query<IRibbonExtensibility>();
  }

  std::wstring markup(const wchar_t* ribbon_id) {
    unique_bstr xml;
    const HRESULT hr = ribbon->GetCustomUI(com::make_bstr(ribbon_id).get(), xml.put());
    if (FAILED(hr)) throw com::hresult_error(hr);
    return xml ? std::wstring(xml.get(), SysStringLen(xml.get())) : std::wstring();
  }

  com_ptr<IPicture> picture(const wchar_t* name) {
    com_ptr<IDispatch> picture;
    const HRESULT hr = connector->OnLoadImage(com::make_bstr(name).get(), picture.put());
    if (FAILED(hr)) throw com::hresult_error(hr);
    return picture.try_query<IPicture>();
  }

  HRESULT connect() {
    return extensibility->OnConnection(nullptr, ext_cm_Startup, nullptr, nullptr);
  }
  HRESULT disconnect() { return extensibility->OnDisconnection(ext_dm_UserClosed, nullptr); }

  // Freed after the connector (members go in reverse order).
  com::unique_hmodule library_;
  com_ptr<IOutlookConnector> connector;
  com_ptr<_IDTExtensibility2> extensibility;
  com_ptr<IRibbonExtensibility> ribbon;
};

std::wstring bin_addin() { return addin::testing::bin_file(L"MivoOutlookPlugin.dll"); }

// The picture drawn 32 x 32 as Office draws a large button's picture.
std::vector<COLORREF> render(IPicture* picture) {
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Width(&width);
  picture->get_Height(&height);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, target);
  picture->Render(dc, 0, 0, 32, 32, 0, height, width, -height, nullptr);
  GdiFlush();
  std::vector<COLORREF> pixels;
  for (int i = 0; i < 32 * 32; ++i) {
    const DWORD bgr = static_cast<const DWORD*>(bits)[i];
    pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
  }
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteDC(dc);
  return pixels;
}

std::wstring loaded_path(const wchar_t* module_name) {
  const HMODULE module = GetModuleHandleW(module_name);
  if (!module) return std::wstring();
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

class ConnectorTest : public ::testing::Test {
 protected:
  com::testing::com_apartment com_;
  testing::SettingsKeyGuard settings_;
};

TEST_F(ConnectorTest, OfficeReachesTheRibbonCallbacksByNameThroughEveryInterface) {
  Addin addin(bin_addin());
  const std::vector<IDispatch*> pointers = {addin.connector.get(), addin.extensibility.get(),
                                            addin.ribbon.get(),
                                            addin.connector.query<IDispatch>().get()};
  for (IDispatch* pointer : pointers) {
    const com::dispatch_result picture = com::call(pointer, L"OnLoadImage", "setup_meeting_btn");
    EXPECT_HR(S_OK, picture.hr());
    EXPECT_TRUE(com::as_dispatch(picture));
    for (const wchar_t* name : {L"OnGetVisible", L"OnDefaultAction", L"OnRibbonLoaded"}) {
      DISPID id = 0;
      LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
      EXPECT_HR(S_OK, pointer->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    }
  }
}

TEST_F(ConnectorTest, EachRibbonGetsItsOwnMarkupAndOtherRibbonsNone) {
  const auto policy = oiurl::testing::scoped_setting::policy_text(L"Language", L"zh-CN");
  Addin addin(bin_addin());
  const std::wstring explorer = addin.markup(L"microsoft.outlook.explorer");
  ASSERT_EQ(0u, explorer.rfind(L"<customUI ", 0));
  EXPECT_EQ(L'>', explorer.back());
  for (const wchar_t* id :
       {L"MIVO-00_ScheduleMeeting", L"MIVO-00_AccountSetting", L"MIVO-00_Cancellation",
        L"MIVO-00_AboutDlg", L"MIVO-00_StartInstantMeeting", L"MIVO-01_ScheduleMeeting"})
    EXPECT_NE(std::wstring::npos, explorer.find(std::wstring(L"id=\"") + id + L"\"")) << id;
  EXPECT_NE(std::wstring::npos, explorer.find(L"label=\"预约会议\""));

  const std::wstring appointment = addin.markup(L"Microsoft.Outlook.Appointment");
  EXPECT_EQ(L'>', appointment.back());
  for (const wchar_t* id : {L"Mivo-03_Group", L"Mivo-03_Add", L"Mivo-03_Cancel", L"Mivo-03_Setting",
                            L"MIVO-03_AccountSetting", L"MIVO-03_Cancellation"})
    EXPECT_NE(std::wstring::npos, appointment.find(std::wstring(L"id=\"") + id + L"\"")) << id;

  EXPECT_EQ(L"", addin.markup(L"Microsoft.Outlook.Mail.Read"));
}

// The administrator's language, as a locale name or a language identifier,
// decides without Office; one the add-in does not carry gets English.
TEST_F(ConnectorTest, TheLanguagePolicyPicksTheMarkup) {
  using oiurl::testing::scoped_setting;
  Addin addin(bin_addin());
  std::optional<scoped_setting> policy;
  // Each value replaces the one before: the old setting is put back before
  // the next is written, so that it cannot restore over the new one.
  const auto label_with = [&](auto set_policy, const wchar_t* text) {
    policy.reset();
    policy.emplace(set_policy());
    return addin.markup(L"Microsoft.Outlook.Explorer").find(std::wstring(L"label=\"") + text) !=
           std::wstring::npos;
  };
  const auto name = [](const wchar_t* locale) {
    return [locale] { return scoped_setting::policy_text(L"Language", locale); };
  };
  EXPECT_TRUE(label_with(name(L"en-GB"), L"Schedule Meeting"));
  EXPECT_TRUE(label_with(name(L"zh-TW"), L"预约会议"));
  EXPECT_TRUE(label_with(name(L"is-IS"), L"Schedule Meeting"));
  EXPECT_TRUE(label_with([] { return scoped_setting::policy_dword(L"Language", 2052); }, L"预约会议"));
  EXPECT_TRUE(label_with(name(L"zh"), L"预约会议"));
}

TEST_F(ConnectorTest, ButtonPicturesKeepTheirLookThroughOleLoadPicture) {
  Addin addin(bin_addin());
  for (const wchar_t* name : {L"Attend_Meeting_Btn", L"schedule_meeting_btn", L"ONLING_MEETING_BTN",
                              L"Setup_Meeting_Btn"}) {
    const auto picture = addin.picture(name);
    ASSERT_TRUE(picture) << win::to_utf8(name);
    const std::vector<COLORREF> pixels = render(picture.get());
    // The tile's corner shows the light ribbon grey, its edge the brand blue.
    EXPECT_EQ(RGB(246, 246, 246), pixels[0]) << win::to_utf8(name);
    const COLORREF edge = pixels[16 * 32 + 2];
    EXPECT_GT(GetBValue(edge), GetRValue(edge) + 100) << win::to_utf8(name);
  }
  EXPECT_FALSE(addin.picture(L"Online_Meeting_Btn"));
}

TEST_F(ConnectorTest, WithoutItsResourceLibraryTheAddinHasNoRibbonAndNoPictures) {
  const addin::testing::InstallFolder folder({L"MivoOutlookPlugin.dll", MIVO_SCHEDULER_DLL_NAME});
  Addin addin(folder.file_path(L"MivoOutlookPlugin.dll"));
  EXPECT_HR(S_OK, addin.connect());
  EXPECT_EQ(L"", addin.markup(L"Microsoft.Outlook.Explorer"));
  EXPECT_FALSE(addin.picture(L"Schedule_Meeting_Btn"));
  EXPECT_HR(S_OK, addin.disconnect());
}

TEST_F(ConnectorTest, TurningTheAddinOffAndOnAgainBringsTheRibbonBack) {
  Addin addin(bin_addin());
  EXPECT_HR(S_OK, addin.connect());
  EXPECT_NE(L"", addin.markup(L"Microsoft.Outlook.Explorer"));
  EXPECT_NE(L"", loaded_path(L"MivoOlkRes64.dll"));
  EXPECT_HR(S_OK, addin.disconnect());
  EXPECT_EQ(L"", loaded_path(L"MivoOlkRes64.dll"));
  EXPECT_HR(S_OK, addin.connect());
  EXPECT_NE(L"", addin.markup(L"Microsoft.Outlook.Explorer"));
}

TEST_F(ConnectorTest, AnInstallFolderBeyondMaxPathStillFindsBothSiblings) {
  std::wstring deep;
  for (wchar_t level = L'a'; level <= L'h'; ++level)
    deep += std::wstring(L"\\") + std::wstring(40, level);
  const addin::testing::InstallFolder folder(addin::testing::kProductFiles, deep);
  ASSERT_GT(folder.path().size(), 300u);
  Addin addin(folder.file_path(L"MivoOutlookPlugin.dll"));
  EXPECT_NE(L"", addin.markup(L"Microsoft.Outlook.Explorer"));
  EXPECT_EQ(0, _wcsicmp(folder.file_path(L"MivoOlkRes64.dll").c_str(),
                        loaded_path(L"MivoOlkRes64.dll").c_str()));
  // Loading the ribbon asks a scheduler object whether anyone is signed in.
  EXPECT_HR(S_OK, addin.connector->OnRibbonLoaded(nullptr));
  EXPECT_EQ(0, _wcsicmp(folder.file_path(MIVO_SCHEDULER_DLL_NAME).c_str(),
                        loaded_path(MIVO_SCHEDULER_DLL_NAME).c_str()));
}

}  // namespace
}  // namespace mivo::addin
