// The Group Policy templates against what the product reads: Mivo.admx
// offers exactly the values named in portable/machine_policy.h under the
// policy key, every text and presentation it names is in both languages,
// and nothing but the one policy reader opens that key, so that the list of
// names cannot miss a value the code reads. Read with XmlLite, as Windows
// reads the templates.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "portable/machine_policy.h"
#include "win/wide_text.h"
#include "xml_reader.h"

namespace mivo::installer {
namespace {

using outlookhost::XmlElement;

constexpr char kPolicyKey[] = "Software\\Policies\\Mivo_Outlook\\General";
const char* const kLanguages[] = {"en-US", "zh-CN"};

std::filesystem::path templates() { return std::filesystem::path(L"Z:" MIVO_POLICY_TEMPLATES); }

XmlElement load(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  XmlElement root;
  std::string error;
  EXPECT_FALSE(bytes.str().empty()) << path.string();
  EXPECT_TRUE(outlookhost::read_xml(win::to_wide(bytes.str()), root, error))
      << path.string() << ": " << error;
  return root;
}

std::string attribute(const XmlElement& element, const std::string& name) {
  for (const auto& [key, value] : element.attributes)
    if (key == name) return value;
  return "";
}

void walk(const XmlElement& element, const std::function<void(const XmlElement&)>& visit) {
  visit(element);
  for (const auto& child : element.children) walk(child, visit);
}

std::vector<const XmlElement*> all(const XmlElement& root, const std::string& name) {
  std::vector<const XmlElement*> found;
  walk(root, [&](const XmlElement& e) {
    if (e.name == name) found.push_back(&e);
  });
  return found;
}

// "$(string.X)" and "$(presentation.X)": X, or "" for another text.
std::string reference(const std::string& value, const std::string& kind) {
  const std::string prefix = "$(" + kind + ".";
  if (value.rfind(prefix, 0) != 0 || value.back() != ')') return "";
  return value.substr(prefix.size(), value.size() - prefix.size() - 1);
}

// One .adml: its texts (with whether they hold any) and its presentations
// with the element ids their controls refer to.
struct Resources {
  std::map<std::string, bool> strings;
  std::map<std::string, std::set<std::string>> presentations;
};

Resources resources(const char* language) {
  const XmlElement root = load(templates() / language / "Mivo.adml");
  Resources out;
  for (const XmlElement* text : all(root, "string"))
    out.strings[attribute(*text, "id")] = text->has_text;
  for (const XmlElement* presentation : all(root, "presentation")) {
    auto& refs = out.presentations[attribute(*presentation, "id")];
    for (const auto& control : presentation->children) refs.insert(attribute(control, "refId"));
  }
  return out;
}

TEST(PolicyTemplates, OfferExactlyTheValuesTheProductReadsUnderItsKey) {
  const XmlElement admx = load(templates() / "Mivo.admx");
  std::set<std::string> offered;
  for (const XmlElement* policy : all(admx, "policy")) {
    SCOPED_TRACE(attribute(*policy, "name"));
    EXPECT_EQ(kPolicyKey, attribute(*policy, "key"));
    EXPECT_EQ("Machine", attribute(*policy, "class"));
    walk(*policy, [&](const XmlElement& e) {
      const std::string value_name = attribute(e, "valueName");
      if (value_name.empty()) return;
      EXPECT_TRUE(offered.insert(value_name).second) << value_name << " twice";
      const std::string key = attribute(e, "key");
      EXPECT_TRUE(key.empty() || key == kPolicyKey) << value_name << " under " << key;
    });
  }
  const std::set<std::string> read(std::begin(policy::kAllNames), std::end(policy::kAllNames));
  EXPECT_EQ(read, offered);
}

TEST(PolicyTemplates, EveryTextAndPresentationTheTemplateNamesIsInBothLanguages) {
  const XmlElement admx = load(templates() / "Mivo.admx");
  std::set<std::string> texts;
  std::map<std::string, std::set<std::string>> presentations;  // with the ids of their policy
  walk(admx, [&](const XmlElement& e) {
    for (const auto& [name, value] : e.attributes) {
      const std::string text = reference(value, "string");
      if (!text.empty()) texts.insert(text);
      const std::string presentation = reference(value, "presentation");
      if (presentation.empty()) continue;
      auto& ids = presentations[presentation];
      for (const XmlElement* elements : all(e, "elements"))
        for (const auto& control : elements->children) ids.insert(attribute(control, "id"));
    }
  });
  EXPECT_FALSE(texts.empty());
  EXPECT_FALSE(presentations.empty());

  std::map<std::string, Resources> languages;
  for (const char* language : kLanguages) {
    SCOPED_TRACE(language);
    const Resources& found = languages[language] = resources(language);
    for (const auto& text : texts) {
      ASSERT_TRUE(found.strings.count(text)) << "no text " << text;
      EXPECT_TRUE(found.strings.at(text)) << "empty text " << text;
    }
    for (const auto& [presentation, ids] : presentations) {
      ASSERT_TRUE(found.presentations.count(presentation)) << "no presentation " << presentation;
      EXPECT_EQ(ids, found.presentations.at(presentation)) << presentation;
    }
  }
  // Nothing in one language that the other lacks: a text left behind in
  // one file is one the other has lost, or one the template no longer uses.
  EXPECT_EQ(languages["en-US"].strings.size(), languages["zh-CN"].strings.size());
  for (const auto& [id, has_text] : languages["en-US"].strings)
    EXPECT_TRUE(languages["zh-CN"].strings.count(id)) << id;
  EXPECT_EQ(languages["en-US"].presentations.size(), languages["zh-CN"].presentations.size());
}

// Anything else that opened the key would read a value the list of names,
// and so the template, knows nothing of. Tests set policy values; they are
// left out.
TEST(PolicyTemplates, OnlyTheMachinePolicyReaderOpensThePolicyKey) {
  const std::filesystem::path source(L"Z:" MIVO_SOURCE_ROOT);
  const std::string written = "Policies\\\\Mivo_Outlook";  // as C++ source spells it
  std::set<std::string> readers;
  std::function<void(const std::filesystem::path&)> scan =
      [&](const std::filesystem::path& folder) {
        if (std::filesystem::exists(folder / "CMakeCache.txt")) return;  // a build tree
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
          const std::string name = entry.path().filename().string();
          if (entry.is_directory()) {
            if (name != ".git" && name != "build" && name != "testing") scan(entry.path());
            continue;
          }
          const std::string extension = entry.path().extension().string();
          if ((extension != ".cpp" && extension != ".h") || name.find("test") != std::string::npos)
            continue;
          std::ifstream file(entry.path(), std::ios::binary);
          std::ostringstream text;
          text << file.rdbuf();
          if (text.str().find(written) != std::string::npos)
            readers.insert(std::filesystem::relative(entry.path(), source).generic_string());
        }
      };
  scan(source);
  EXPECT_EQ(std::set<std::string>{"common/win/machine_policy.cpp"}, readers);
}

}  // namespace
}  // namespace mivo::installer
