// The ribbon markup checks the host makes before it applies an add-in's
// XML: what passes, what Office would refuse, and what is only a warning.
#include "ribbon_markup.h"

#include <gtest/gtest.h>

namespace mivo::outlookhost {
namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

// Elements in the 2009 namespace, numbered by line in creation order.
XmlElement el(std::string name, Attributes attributes = {}, std::vector<XmlElement> children = {},
              std::string ns = kCustomUi2009) {
  static int line = 0;
  return XmlElement{std::move(ns), std::move(name), ++line, std::move(attributes),
                    std::move(children)};
}

XmlElement document(std::vector<XmlElement> groups,
                    Attributes root = {{"onLoad", "OnRibbonLoaded"},
                                       {"loadImage", "OnLoadImage"}}) {
  return el("customUI", std::move(root),
            {el("ribbon", {},
                {el("tabs", {}, {el("tab", {{"idMso", "TabCalendar"}}, std::move(groups))})})});
}

XmlElement button(std::string id, Attributes more = {}) {
  more.insert(more.begin(), {"id", std::move(id)});
  return el("button", std::move(more));
}

bool mentions(const std::vector<std::string>& messages, const std::string& text) {
  for (const auto& message : messages) {
    if (message.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(RibbonMarkup, ValidDocumentKeepsItsTreeAndEveryCallbackName) {
  const RibbonMarkup markup = check_ribbon_markup(document(
      {el("group", {{"id", "Mivo"}, {"label", "Mivo"}},
          {button("MIVO-00_AccountSetting", {{"label", "登录"},
                                             {"size", "large"},
                                             {"image", "Setup_Meeting_Btn"},
                                             {"getVisible", "OnGetVisible"},
                                             {"onAction", "OnDefaultAction"}}),
           el("separator", {{"id", "sep"}}),
           button("MIVO-00_AboutDlg", {{"visible", "false"}, {"onAction", "OnDefaultAction"}})})}));
  EXPECT_TRUE(markup.usable()) << markup.errors.front();
  EXPECT_TRUE(markup.warnings.empty());
  std::vector<std::string> names;
  for (const auto& use : markup.callbacks) names.push_back(use.attribute + "=" + use.name);
  EXPECT_EQ((std::vector<std::string>{"onLoad=OnRibbonLoaded", "loadImage=OnLoadImage",
                                      "getVisible=OnGetVisible", "onAction=OnDefaultAction",
                                      "onAction=OnDefaultAction"}),
            names);
  const RibbonNode& group = markup.root.children[0].children[0].children[0].children[0];
  EXPECT_EQ("MIVO-00_AccountSetting", group.children[0].attribute("id"));
  EXPECT_EQ("登录", group.children[0].attribute("label"));
}

TEST(RibbonMarkup, RootMustBeCustomUiInOneOfTheTwoNamespaces) {
  EXPECT_FALSE(check_ribbon_markup(el("customUI", {}, {}, "urn:other")).usable());
  EXPECT_FALSE(check_ribbon_markup(el("ribbon")).usable());
  EXPECT_TRUE(check_ribbon_markup(el("customUI", {}, {}, kCustomUi2006)).usable());
  // A child in another namespace than its document's.
  EXPECT_FALSE(
      check_ribbon_markup(el("customUI", {}, {el("ribbon", {}, {}, kCustomUi2006)})).usable());
}

TEST(RibbonMarkup, DuplicateMissingOrDoubleIdsAreErrors) {
  const RibbonMarkup markup = check_ribbon_markup(document(
      {el("group", {{"id", "Group"}},
          {button("Same"), button("Same"), el("button", {{"label", "no id"}}),
           el("button", {{"id", "Both"}, {"idMso", "FileSave"}}), button("9starts-with-digit")})}));
  EXPECT_EQ(4u, markup.errors.size());
  EXPECT_TRUE(mentions(markup.errors, "the id \"Same\" is used twice"));
  EXPECT_TRUE(mentions(markup.errors, "<button> needs exactly one of id, idQ and idMso"));
  EXPECT_TRUE(mentions(markup.errors, "is not a valid identifier"));
}

TEST(RibbonMarkup, SchemaMistakesAreErrorsThatStopTheWholeMarkup) {
  const RibbonMarkup markup = check_ribbon_markup(
      document({el("group", {{"id", "G"}},
                   {button("A", {{"visible", "true"}, {"getVisible", "OnGetVisible"}}),
                    button("B", {{"colour", "red"}}), button("C", {{"size", "huge"}}),
                    button("D", {{"enabled", "yes"}}), el("tab", {{"id", "TabInGroup"}}),
                    el("knob", {{"id", "K"}})})}));
  EXPECT_FALSE(markup.usable());
  for (const char* expected :
       {"getVisible and visible must not be used together", "<button> has no attribute colour",
        "size=\"huge\"", "enabled=\"yes\"", "<tab> cannot be inside <group>",
        "<knob> is not a customUI element"})
    EXPECT_TRUE(mentions(markup.errors, expected)) << expected;

  const RibbonMarkup disordered =
      check_ribbon_markup(el("customUI", {}, {el("ribbon", {}, {el("tabs"), el("qat")})}));
  EXPECT_TRUE(mentions(disordered.errors, "<qat> is out of order"));
}

TEST(RibbonMarkup, ImageWithoutLoadImageIsOnlyAWarning) {
  const RibbonMarkup markup =
      check_ribbon_markup(document({el("group", {{"id", "G"}}, {button("A", {{"image", "Pic"}})})},
                                   {{"onLoad", "OnRibbonLoaded"}}));
  EXPECT_TRUE(markup.usable());
  EXPECT_TRUE(mentions(markup.warnings, "without loadImage"));
}

TEST(RibbonMarkup, ElementsTheHostDoesNotDrawPassButTheirIdsStillCount) {
  const RibbonMarkup markup = check_ribbon_markup(
      document({el("group", {{"id", "G"}},
                   {el("menu", {{"id", "Menu"}, {"itemSize", "large"}},
                       {button("Inner", {{"onAction", "OnMenu"}}), button("G")})})}));
  EXPECT_EQ(1u, markup.errors.size());
  EXPECT_TRUE(mentions(markup.errors, "the id \"G\" is used twice"));
  EXPECT_EQ("OnMenu", markup.callbacks.back().name);
}

}  // namespace
}  // namespace mivo::outlookhost
