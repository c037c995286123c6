// Redirect targets: every redirect continues over HTTPS.
#include "redirect.h"

#include <gtest/gtest.h>

using mivo::oiurl::redirect_target;
using mivo::oiurl::url_authority;

TEST(RedirectTarget, PlainHttpLocationKeepsHostPathAndQueryUnderHttps) {
  EXPECT_EQ(redirect_target(L"http://meet.example.com:8080/rest/api/x?id=5&type=1", L"ignored"),
            L"HTTPS://meet.example.com:8080/rest/api/x?id=5&type=1");
}

TEST(RedirectTarget, OnlyTheFirstSchemeSeparatorIsCut) {
  EXPECT_EQ(redirect_target(L"https://a.example/next?u=http://b.example/", L"x"),
            L"HTTPS://a.example/next?u=http://b.example/");
}

TEST(RedirectTarget, BarePathStaysOnTheCurrentServer) {
  EXPECT_EQ(redirect_target(L"/rest/login?x=1", L"127.0.0.1:47420"),
            L"HTTPS://127.0.0.1:47420/rest/login?x=1");
  EXPECT_EQ(redirect_target(L"login", L"meet.example.com"), L"HTTPS://meet.example.com/login");
}

TEST(UrlAuthority, DefaultPortOfTheSchemeIsLeftOut) {
  EXPECT_EQ(url_authority(L"meet.example.com", 443, true), L"meet.example.com");
  EXPECT_EQ(url_authority(L"meet.example.com", 80, false), L"meet.example.com");
  EXPECT_EQ(url_authority(L"meet.example.com", 80, true), L"meet.example.com:80");
  EXPECT_EQ(url_authority(L"127.0.0.1", 47420, false), L"127.0.0.1:47420");
}
