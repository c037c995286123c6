// The invitation in a body that holds bookmarks of its own, edited through
// the Outlook host's Word document as Inspector.WordEditor hands it out: the
// invitation's bookmark is found by its name, and the user's bookmarks and
// text around it stay as they were.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "com/late_bound.h"
#include "com/testing/apartment.h"
#include "meeting_body.h"
#include "outlook_session.h"

namespace mivo::addin {
namespace {

namespace host = outlookhost;

TEST(MeetingBody, TheInvitationIsFoundByNameAmongTheUsersBookmarks) {
  const com::testing::com_apartment com;
  const auto outlook = host::session::create();
  const auto item = outlook->create_appointment();
  item->set_body_text(L"Agenda: figures");
  host::WordDocument& body = *item->fields().body;
  body.add_bookmark(u"agenda", host::Span{0, 6});
  const auto editor =
      com::as_dispatch(com::get(com::get(item.get(), L"GetInspector"), L"WordEditor"))
          .value_or(nullptr);
  ASSERT_TRUE(editor);

  ASSERT_TRUE(InsertMeetingBody(editor.get(), "Join: A"));
  body.add_bookmark(u"zulu", host::Span{7, 15});  // over the user's text, after it by name
  ReplaceMeetingBody(editor.get(), "Join: B");
  EXPECT_EQ(u"Agenda: figures\r\r\rJoin: B\r", body.text());
  const auto invitation = body.find_bookmark(u"MivoMailBody");
  ASSERT_TRUE(invitation);
  EXPECT_EQ((host::Span{19, 26}), body.bookmark_span(*invitation));  // Word's late start
  EXPECT_EQ((host::Span{0, 6}), body.bookmark_span(*body.find_bookmark(u"agenda")));
  EXPECT_EQ((host::Span{7, 15}), body.bookmark_span(*body.find_bookmark(u"zulu")));

  ReplaceMeetingBody(editor.get(), "");
  EXPECT_EQ(u"Agenda: figures\r\r\r", body.text().substr(0, 18));
  EXPECT_FALSE(body.find_bookmark(u"MivoMailBody"));
  EXPECT_TRUE(body.find_bookmark(u"agenda") && body.find_bookmark(u"zulu"));
  outlook->shutdown();
}

}  // namespace
}  // namespace mivo::addin
