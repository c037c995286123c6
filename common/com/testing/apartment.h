// COM for the test's thread: a single-threaded apartment for the object's
// life, as on Outlook's user-interface thread.
#pragma once

namespace mivo::com::testing {

class com_apartment {
 public:
  com_apartment();
  ~com_apartment();
  com_apartment(const com_apartment&) = delete;
  com_apartment& operator=(const com_apartment&) = delete;
};

}  // namespace mivo::com::testing
