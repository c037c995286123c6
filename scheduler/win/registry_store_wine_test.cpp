// The registry primitives and the settings store port, against Wine's real
// registry.
#include "registry_store.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/scheduler_test_support.h"

namespace mivo::scheduler {
namespace {

using testing::SettingsKeyGuard;

// The byte count as stored.
DWORD stored_bytes(const wchar_t* name) {
  HKEY key = nullptr;
  BYTE data[1024];
  DWORD bytes = sizeof(data);
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  RegQueryValueExW(key, name, nullptr, nullptr, data, &bytes);
  RegCloseKey(key);
  return bytes;
}

class RegistryStoreTest : public ::testing::Test {
 protected:
  SettingsKeyGuard settings_;
};

TEST_F(RegistryStoreTest, WriteCreatesTheKeyAndStoresAStringValue) {
  EXPECT_EQ(registry_result::kOk, write_text(kSettingsKey, L"mivousername", L"alice"));
  DWORD type = 0;
  RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"mivousername", RRF_RT_ANY, &type, nullptr,
               nullptr);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);

  std::wstring text = L"stale";
  EXPECT_EQ(registry_result::kOk,
            read_text(HKEY_CURRENT_USER, kSettingsKey, L"mivousername", text));
  EXPECT_EQ(L"alice", text);
}

TEST_F(RegistryStoreTest, EmptyTextIsAnEmptyValueThatReadsBackEmpty) {
  EXPECT_EQ(registry_result::kOk, write_text(kSettingsKey, L"mivotoken", L""));
  EXPECT_TRUE(testing::value_exists(HKEY_CURRENT_USER, kSettingsKey, L"mivotoken"));
  EXPECT_EQ(0u, stored_bytes(L"mivotoken"));
  std::wstring text = L"stale";
  EXPECT_EQ(registry_result::kOk, read_text(HKEY_CURRENT_USER, kSettingsKey, L"mivotoken", text));
  EXPECT_EQ(L"", text);
}

TEST_F(RegistryStoreTest, MissingKeyAndMissingValueReadEmptyWithTheirResults) {
  std::wstring text = L"stale";
  EXPECT_EQ(registry_result::kKeyNotOpened,
            read_text(HKEY_CURRENT_USER, kSettingsKey, L"mivotoken", text));
  EXPECT_EQ(L"", text);

  write_text(kSettingsKey, L"other", L"x");
  text = L"stale";
  EXPECT_EQ(registry_result::kQueryFailed,
            read_text(HKEY_CURRENT_USER, kSettingsKey, L"mivotoken", text));
  EXPECT_EQ(L"", text);
}

TEST_F(RegistryStoreTest, ExpandableStringIsReadLiterally) {
  const wchar_t value[] = L"%TEMP%\\log.txt";
  testing::set_raw_value(HKEY_CURRENT_USER, kSettingsKey, L"SaveUrl", REG_EXPAND_SZ, value,
                         sizeof(value));
  std::wstring text;
  EXPECT_EQ(registry_result::kOk, read_text(HKEY_CURRENT_USER, kSettingsKey, L"SaveUrl", text));
  EXPECT_EQ(L"%TEMP%\\log.txt", text);
}

TEST_F(RegistryStoreTest, ValueOfAnotherTypeGivesItsBytesAsTextButThePortReadsEmpty) {
  const wchar_t bytes[] = L"AB";
  testing::set_raw_value(HKEY_CURRENT_USER, kSettingsKey, L"mivotoken", REG_BINARY, bytes, 4);
  std::wstring text;
  EXPECT_EQ(registry_result::kNotText,
            read_text(HKEY_CURRENT_USER, kSettingsKey, L"mivotoken", text));
  EXPECT_EQ(L"AB", text);

  const DWORD number = 7;
  testing::set_raw_value(HKEY_CURRENT_USER, kSettingsKey, L"mivositename", REG_DWORD, &number,
                         sizeof(number));
  EXPECT_EQ(registry_result::kNotText,
            read_text(HKEY_CURRENT_USER, kSettingsKey, L"mivositename", text));

  const auto store = make_registry_store();
  EXPECT_EQ("", store->read("mivotoken"));
  EXPECT_EQ("", store->read("mivositename"));
}

// Long values (a protected password runs to several hundred characters)
// read whole, whether or not the stored value carries a terminator, and
// nothing past the stored characters is taken.
TEST_F(RegistryStoreTest, LongValuesReadWholeWithOrWithoutTerminator) {
  const std::wstring long_text(1500, L'b');
  std::wstring text;

  write_text(kSettingsKey, L"written", long_text);
  EXPECT_EQ(registry_result::kOk, read_text(HKEY_CURRENT_USER, kSettingsKey, L"written", text));
  EXPECT_EQ(long_text, text);

  testing::set_string(HKEY_CURRENT_USER, kSettingsKey, L"terminated", long_text);
  text = L"stale";
  EXPECT_EQ(registry_result::kOk, read_text(HKEY_CURRENT_USER, kSettingsKey, L"terminated", text));
  EXPECT_EQ(long_text, text);

  // Stored without a terminator, with more text right after it in the
  // writer's memory: only the stored characters come back.
  const std::wstring followed = long_text + L"c";
  testing::set_raw_value(HKEY_CURRENT_USER, kSettingsKey, L"unterminated", REG_SZ, followed.c_str(),
                         static_cast<DWORD>(long_text.size() * sizeof(wchar_t)));
  text = L"stale";
  EXPECT_EQ(registry_result::kOk,
            read_text(HKEY_CURRENT_USER, kSettingsKey, L"unterminated", text));
  EXPECT_EQ(long_text, text);

  EXPECT_EQ(std::string(1500, 'b'), make_registry_store()->read("unterminated"));
}

TEST_F(RegistryStoreTest, DeleteRemovesOneValueAndLeavesAMissingKeyAlone) {
  delete_value(L"mivotoken");
  EXPECT_FALSE(testing::key_exists(HKEY_CURRENT_USER, kSettingsKey));

  write_text(kSettingsKey, L"mivotoken", L"t");
  write_text(kSettingsKey, L"SaveUrl", L"C:\\log.txt");
  delete_value(L"mivotoken");
  delete_value(L"mivoorgName");
  EXPECT_EQ(std::vector<std::wstring>{L"SaveUrl"},
            testing::value_names(HKEY_CURRENT_USER, kSettingsKey));
}

TEST_F(RegistryStoreTest, PortKeepsNonAsciiTextThroughUtf16) {
  const auto store = make_registry_store();
  EXPECT_TRUE(store->write("mivousername", "李雷"));
  EXPECT_EQ(L"李雷", testing::string_value(HKEY_CURRENT_USER, kSettingsKey, L"mivousername"));
  EXPECT_EQ("李雷", store->read("mivousername"));
  store->remove("mivousername");
  EXPECT_FALSE(testing::value_exists(HKEY_CURRENT_USER, kSettingsKey, L"mivousername"));
}

TEST(RegistryClassesRootTest, ReadsTheDefaultValueOfAClassesRootKey) {
  const std::wstring path = L"MivoSchedulerTestProtocol\\shell\\open\\command";
  testing::registry_key_guard guard(HKEY_CLASSES_ROOT, L"MivoSchedulerTestProtocol");
  const auto store = make_registry_store();
  EXPECT_EQ("", store->read_classes_root("MivoSchedulerTestProtocol\\shell\\open\\command"));

  testing::set_string(HKEY_CLASSES_ROOT, path, nullptr, L"\"C:\\Mivo\\client.exe\" \"%1\"");
  EXPECT_EQ("\"C:\\Mivo\\client.exe\" \"%1\"",
            store->read_classes_root("MivoSchedulerTestProtocol\\shell\\open\\command"));
}

}  // namespace
}  // namespace mivo::scheduler
