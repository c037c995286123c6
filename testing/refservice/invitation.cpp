// Builds the invitation text of a saved meeting.
#include "invitation.h"

#include <vector>

namespace mivo::refservice {
namespace {

const char* const kDayNames[] = {"一", "二", "三", "四", "五", "六", "日"};

// "每天" for 1, "每3天" otherwise.
std::string every(int interval, const std::string& unit) {
  return interval == 1 ? "每" + unit : "每" + std::to_string(interval) + unit;
}

}  // namespace

std::string describe_recurrence(const Recurrence& r) {
  switch (r.kind) {
    case Recurrence::kDaily:
      return every(r.interval, "天");
    case Recurrence::kWorkdays:
      return "每个工作日";
    case Recurrence::kWeekly: {
      std::string days;
      for (int d : r.weekdays) days += (days.empty() ? "" : "、") + std::string(kDayNames[d - 1]);
      return (r.interval == 1 ? "每周" : every(r.interval, "周的周")) + days;
    }
    case Recurrence::kMonthlyNth: {
      const std::string week =
          r.week_of_month < 0 ? "最后一个" : "第" + std::to_string(r.week_of_month) + "个";
      return (r.interval == 1 ? "每月" : every(r.interval, "个月的")) + week + "周" +
             kDayNames[r.day_of_week - 1];
    }
    case Recurrence::kOnce:
      break;
  }
  return "";
}

std::string invitation_text(const Invitation& inv) {
  std::vector<std::string> lines;
  lines.push_back(inv.host_name + " 邀请您参加视频会议");
  lines.push_back("会议主题：" + inv.subject);
  lines.push_back("会议时间：" + format_date(inv.date) + " " + inv.start_time + "，时长" +
                  std::to_string(inv.duration) + "分钟");
  if (inv.recurrence) {
    std::string line = "重复周期：" + describe_recurrence(*inv.recurrence);
    if (inv.recurrence->end) line += "，至" + format_date(*inv.recurrence->end);
    lines.push_back(line);
  }
  lines.push_back("会议号：" + inv.meeting_key);
  if (!inv.password.empty()) lines.push_back("会议密码：" + inv.password);
  lines.push_back("入会链接：" + inv.join_address);

  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += kLineBreak;
    text += line;
  }
  return text;
}

}  // namespace mivo::refservice
