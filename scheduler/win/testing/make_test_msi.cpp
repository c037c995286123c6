// make_test_msi.exe <file>: writes a small Windows Installer database (a
// Property table with a product name) for the update tests to sign, tamper
// with and verify. Run at build time under Wine. Exit code 0 on success.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

namespace {

struct msi_handle {
  MSIHANDLE value = 0;
  ~msi_handle() {
    if (value) MsiCloseHandle(value);
  }
};

bool run(msi_handle& database, const wchar_t* query) {
  msi_handle view;
  return MsiDatabaseOpenViewW(database.value, query, &view.value) == ERROR_SUCCESS &&
         MsiViewExecute(view.value, 0) == ERROR_SUCCESS;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  DeleteFileW(argv[1]);
  msi_handle database;
  if (MsiOpenDatabaseW(argv[1], MSIDBOPEN_CREATE, &database.value) != ERROR_SUCCESS) return 1;
  const bool written =
      run(database,
          L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
          L"PRIMARY KEY `Property`)") &&
      run(database,
          L"INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', 'Mivo Test "
          L"Package')");
  return written && MsiDatabaseCommit(database.value) == ERROR_SUCCESS ? 0 : 1;
}
