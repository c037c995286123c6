// The conference record: the JSON body that creates or updates a meeting on
// the service.
#pragma once

#include <string>
#include <string_view>

#include "meeting_info.h"

namespace mivo {

// Who hosts the meeting, as the signed-in user's details name them.
struct ConferenceHost {
  std::string_view user_id;
  std::string_view user_name;
};

// The record of `draft` for the service's `meeting` (its key and conference
// identifier go in once it has a key). An empty subject first becomes the
// host's name followed by `default_subject_suffix` (string 111 of the
// resource library; "" when it is missing), and stays so in the draft.
std::string build_conference_record(CMeetingInfo& draft, const ServiceMeeting& meeting,
                                    const ConferenceHost& host,
                                    std::string_view default_subject_suffix);

}  // namespace mivo
