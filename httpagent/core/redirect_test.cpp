// Redirect targets: every redirect continues over HTTPS, and only on the
// host and port that sent it.
#include "redirect.h"

#include <gtest/gtest.h>

using mivo::oiurl::redirect_target;
using mivo::oiurl::url_authority;

TEST(RedirectTarget, AbsoluteLocationOnTheSameHostAndPortKeepsPathAndQueryUnderHttps) {
  EXPECT_EQ(redirect_target(L"http://meet.example.com:8080/rest/api/x?id=5&type=1",
                            L"meet.example.com", 8080),
            L"HTTPS://meet.example.com:8080/rest/api/x?id=5&type=1");
  EXPECT_EQ(redirect_target(L"HTTPS://MEET.Example.com/next?u=http://b.example/",
                            L"meet.example.com", 443),
            L"HTTPS://MEET.Example.com/next?u=http://b.example/");
  // Without a port the next attempt goes to HTTPS's own, 443.
  EXPECT_EQ(redirect_target(L"http://meet.example.com/x", L"meet.example.com", 443),
            L"HTTPS://meet.example.com/x");
  EXPECT_EQ(redirect_target(L"https://meet.example.com:/x", L"meet.example.com", 443),
            L"HTTPS://meet.example.com:/x");
  EXPECT_EQ(redirect_target(L"http://[::1]:8443/x", L"[::1]", 8443), L"HTTPS://[::1]:8443/x");
}

TEST(RedirectTarget, AbsoluteLocationOnAnotherHostIsNotFollowed) {
  for (const wchar_t* location :
       {L"https://portal.example.org/cb", L"http://meet.example.com.evil.example/x",
        L"https://meet.example.com@evil.example/x", L"https://evil.example\\@meet.example.com/",
        L"https://evil.example?meet.example.com", L"ftp://evil.example/meet.example.com",
        L"https:///rest/login", L"https://[::1]x/"}) {
    EXPECT_EQ(redirect_target(location, L"meet.example.com", 443), std::nullopt) << location;
  }
}

TEST(RedirectTarget, AbsoluteLocationOnAnotherPortOfTheSameHostIsNotFollowed) {
  for (const wchar_t* location :
       {L"https://meet.example.com:8443/x", L"http://meet.example.com:443x/",
        L"https://meet.example.com:100443/x", L"https://meet.example.com:-443/x"}) {
    EXPECT_EQ(redirect_target(location, L"meet.example.com", 443), std::nullopt) << location;
  }
  // A plain-HTTP request on port 80 whose Location names no port would next
  // go to 443 over HTTPS.
  EXPECT_EQ(redirect_target(L"http://127.0.0.1/x", L"127.0.0.1", 80), std::nullopt);
  EXPECT_EQ(redirect_target(L"http://127.0.0.1:47441/x", L"127.0.0.1", 47440), std::nullopt);
  EXPECT_EQ(redirect_target(L"http://[::1]:8443/x", L"[::1]", 443), std::nullopt);
}

TEST(RedirectTarget, LocationWithoutALeadingSchemeIsAPathOnTheCurrentHostAndPort) {
  // "://" inside the path or query does not make the Location absolute.
  EXPECT_EQ(redirect_target(L"/sso?return=https://portal.example.org/cb", L"127.0.0.1", 47420),
            L"HTTPS://127.0.0.1:47420/sso?return=https://portal.example.org/cb");
  EXPECT_EQ(redirect_target(L"login", L"meet.example.com", 443), L"HTTPS://meet.example.com/login");
  // Port 80 is spelt out: HTTPS alone would mean 443.
  EXPECT_EQ(redirect_target(L"/x", L"meet.example.com", 80), L"HTTPS://meet.example.com:80/x");
  EXPECT_EQ(redirect_target(L"//evil.example/x", L"meet.example.com", 443),
            L"HTTPS://meet.example.com//evil.example/x");
  EXPECT_EQ(redirect_target(L"1http://evil.example/", L"meet.example.com", 443),
            L"HTTPS://meet.example.com/1http://evil.example/");
}

TEST(UrlAuthority, DefaultPortOfTheSchemeIsLeftOut) {
  EXPECT_EQ(url_authority(L"meet.example.com", 443, true), L"meet.example.com");
  EXPECT_EQ(url_authority(L"meet.example.com", 80, false), L"meet.example.com");
  EXPECT_EQ(url_authority(L"meet.example.com", 80, true), L"meet.example.com:80");
  EXPECT_EQ(url_authority(L"127.0.0.1", 47420, false), L"127.0.0.1:47420");
}
