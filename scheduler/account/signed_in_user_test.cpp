// Tests of reading the signed-in user from the service's answers.
#include "signed_in_user.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

SignedInUser signed_in() {
  SignedInUser user;
  user.token = "tok";
  user.host_user_id = "hid";
  user.host_user_name = "Host";
  user.personal_meeting_key = "pmk";
  return user;
}

TEST(SignedInUser, StoresHostTokenAndPersonalKeyWhateverTheCode) {
  SignedInUser user;
  EXPECT_TRUE(read_signed_in_user(
      R"({"code":0,"data":{"id":"u1","name":"Ann Lee","token":"t-1","meetingKey":"pk-1"}})", user));
  EXPECT_EQ("u1", user.host_user_id);
  EXPECT_EQ("Ann Lee", user.host_user_name);
  EXPECT_EQ("t-1", user.token);
  EXPECT_EQ("pk-1", user.personal_meeting_key);

  EXPECT_FALSE(read_signed_in_user(R"({"code":401,"data":{"id":"u2"}})", user));
  EXPECT_EQ("u2", user.host_user_id);
  EXPECT_EQ("", user.token);

  EXPECT_TRUE(read_signed_in_user(R"({"data":{"id":7,"token":"t-3"}})", user));
  EXPECT_EQ("7", user.host_user_id);  // a numeric id reads as its text
  EXPECT_EQ("t-3", user.token);
}

TEST(SignedInUser, MalformedTextChangesNothingAndCountsAsSuccess) {
  SignedInUser user = signed_in();
  for (const char* text : {"", "<html>", "{\"code\":0,\"data\":{"}) {
    EXPECT_TRUE(read_signed_in_user(text, user)) << text;
    EXPECT_EQ("tok", user.token);
    EXPECT_EQ("Host", user.host_user_name);
  }
}

TEST(SignedInUser, WrongTypedMembersOrAnUnsafeTokenFailAndChangeNothing) {
  for (const char* text :
       {R"({"code":"0","data":{"token":"x"}})", R"({"code":{},"data":{"token":"x"}})",
        R"({"code":0,"data":[{"token":"x"}]})", R"({"code":0,"data":"x"})",
        R"({"code":0,"data":{"token":{"v":"x"}}})",
        R"({"code":0,"data":{"token":"x","name":["n"]}})", R"({"code":1e12,"data":{"token":"x"}})",
        R"(["code",0])", R"({"code":0,"data":{"token":"t\r\nX-Other: 1"}})"}) {
    SignedInUser user = signed_in();
    EXPECT_FALSE(read_signed_in_user(text, user)) << text;
    EXPECT_EQ("tok", user.token) << text;
    EXPECT_EQ("hid", user.host_user_id) << text;
    EXPECT_EQ("pmk", user.personal_meeting_key) << text;
  }
}

}  // namespace
}  // namespace mivo
