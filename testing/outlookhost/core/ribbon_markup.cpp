// Checks of the customUI schema ([MS-CUSTOMUI] for 2006, [MS-CUSTOMUI2] for
// 2009) for the elements an Outlook add-in's ribbon uses: which children an
// element may have and in what order, which attributes it may carry, the
// attributes that MUST NOT be used together, exactly one of id, idQ and
// idMso on every control, identifiers unique within the document. Elements
// the host does not draw (menus, galleries, backstage, ...) are accepted
// with their contents unchecked, apart from the ids and callbacks in them.
#include "ribbon_markup.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace mivo::outlookhost {

namespace {

using Names = std::set<std::string>;

struct ElementRule {
  Names attributes;
  std::vector<std::string> children;  // allowed, in the order they may come
  bool ordered = false;               // children in the listed order, each at most once
  bool needs_id = false;              // exactly one of id, idQ, idMso
};

const Names kInsert = {"insertAfterMso", "insertBeforeMso", "insertAfterQ", "insertBeforeQ"};
const Names kIds = {"id", "idQ", "idMso", "tag"};

Names join(std::initializer_list<Names> parts) {
  Names all;
  for (const auto& part : parts) all.insert(part.begin(), part.end());
  return all;
}

const Names kControlChildren = {"button",       "toggleButton", "checkBox", "separator",
                                "labelControl", "splitButton",  "menu",     "box",
                                "buttonGroup",  "dropDown",     "comboBox", "editBox",
                                "gallery",      "dynamicMenu",  "control",  "dialogBoxLauncher"};

// Elements whose contents the host neither draws nor checks.
const Names kUnchecked = {
    "splitButton", "menu",      "box",          "buttonGroup", "dropDown",          "comboBox",
    "editBox",     "gallery",   "dynamicMenu",  "control",     "dialogBoxLauncher", "qat",
    "officeMenu",  "backstage", "contextMenus", "commands"};

const std::map<std::string, ElementRule>& rules() {
  static const Names looks = {
      "label",        "getLabel",    "image",         "imageMso",  "getImage",     "screentip",
      "getScreentip", "supertip",    "getSupertip",   "keytip",    "getKeytip",    "visible",
      "getVisible",   "enabled",     "getEnabled",    "showLabel", "getShowLabel", "showImage",
      "getShowImage", "description", "getDescription"};
  static const std::map<std::string, ElementRule> table = {
      {"customUI",
       {{"onLoad", "loadImage"}, {"commands", "ribbon", "backstage", "contextMenus"}, true}},
      {"ribbon", {{"startFromScratch"}, {"officeMenu", "qat", "tabs", "contextualTabs"}, true}},
      {"tabs", {{}, {"tab"}}},
      {"contextualTabs", {{}, {"tabSet"}}},
      {"tabSet", {{"idMso", "visible", "getVisible"}, {"tab"}}},
      {"tab",
       {join(
            {kIds, kInsert, {"label", "getLabel", "visible", "getVisible", "keytip", "getKeytip"}}),
        {"group"},
        false,
        true}},
      {"group",
       {join({kIds,
              kInsert,
              {"label", "getLabel", "image", "imageMso", "getImage", "screentip", "getScreentip",
               "supertip", "getSupertip", "keytip", "getKeytip", "visible", "getVisible",
               "autoScale", "centerVertically"}}),
        std::vector<std::string>(kControlChildren.begin(), kControlChildren.end()), false, true}},
      {"button", {join({kIds, kInsert, looks, {"size", "getSize", "onAction"}}), {}, false, true}},
      {"toggleButton",
       {join({kIds, kInsert, looks, {"size", "getSize", "onAction", "getPressed"}}),
        {},
        false,
        true}},
      {"checkBox", {join({kIds, kInsert, looks, {"onAction", "getPressed"}}), {}, false, true}},
      {"labelControl", {join({kIds, kInsert, looks}), {}, false, true}},
      {"separator", {join({{"id", "idQ", "tag"}, kInsert, {"visible", "getVisible"}}), {}}},
  };
  return table;
}

// Attribute sets of which at most one may be given.
const std::vector<Names>& exclusive() {
  static const std::vector<Names> sets = {
      {"visible", "getVisible"},
      {"enabled", "getEnabled"},
      {"label", "getLabel"},
      {"image", "imageMso", "getImage"},
      {"screentip", "getScreentip"},
      {"supertip", "getSupertip"},
      {"keytip", "getKeytip"},
      {"showLabel", "getShowLabel"},
      {"showImage", "getShowImage"},
      {"size", "getSize"},
      {"description", "getDescription"},
      kInsert,
  };
  return sets;
}

bool is_callback_attribute(const std::string& name) {
  if (name == "loadImage") return true;
  auto starts = [&](const char* prefix, std::size_t n) {
    return name.size() > n && name.compare(0, n, prefix) == 0 &&
           std::isupper(static_cast<unsigned char>(name[n]));
  };
  return starts("get", 3) || starts("on", 2);
}

// xsd:ID (an NCName): a letter or '_' first, then letters, digits, '_',
// '-' and '.'; characters beyond ASCII count as letters.
bool is_ncname(const std::string& value) {
  if (value.empty() || value.size() > 1024) return false;
  const auto letter = [](unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; };
  if (!letter(static_cast<unsigned char>(value[0]))) return false;
  return std::all_of(value.begin(), value.end(), [&](char c) {
    const auto u = static_cast<unsigned char>(c);
    return letter(u) || std::isdigit(u) || c == '-' || c == '.';
  });
}

std::string where(int line) { return "line " + std::to_string(line) + ": "; }

class Checker {
 public:
  explicit Checker(RibbonMarkup& markup) : markup_(markup) {}

  void document(const XmlElement& root) {
    if (root.name != "customUI" ||
        (root.namespace_uri != kCustomUi2006 && root.namespace_uri != kCustomUi2009)) {
      error(root.line, "the root element is {" + root.namespace_uri + "}" + root.name +
                           ", not customUI in the 2006/01 or 2009/07 customUI namespace");
      return;
    }
    namespace_ = root.namespace_uri;
    markup_.root = element(root, false);
    if (markup_.root.attribute("loadImage").empty()) {
      for (const auto& use : image_uses_)
        warning(use, "an image attribute without loadImage on customUI: no picture is loaded");
    }
  }

 private:
  RibbonNode element(const XmlElement& xml, bool unchecked) {
    RibbonNode node{xml.name, xml.line, {}, {}};
    if (xml.namespace_uri != namespace_)
      error(xml.line, "<" + xml.name + "> is not in the document's customUI namespace");
    const bool version_2009_only = xml.name == "backstage" || xml.name == "contextMenus";
    if (version_2009_only && namespace_ == kCustomUi2006)
      error(xml.line, "<" + xml.name + "> needs the 2009/07 customUI namespace");
    if (xml.name == "officeMenu" && namespace_ == kCustomUi2009)
      error(xml.line, "<officeMenu> belongs to the 2006/01 customUI namespace only");

    if (xml.has_text && !unchecked)
      error(xml.line, "<" + xml.name + "> holds text; customUI elements hold none");
    const auto rule = rules().find(xml.name);
    const bool check = !unchecked && rule != rules().end();
    for (const auto& [name, value] : xml.attributes) {
      if (node.attributes.count(name)) error(xml.line, "attribute " + name + " given twice");
      node.attributes[name] = value;
      if (check && !rule->second.attributes.count(name))
        error(xml.line, "<" + xml.name + "> has no attribute " + name);
      attribute(xml.line, name, value);
    }
    if (check) {
      rule_checks(node, rule->second);
      for (const auto& child : xml.children) {
        const auto& allowed = rule->second.children;
        if (std::find(allowed.begin(), allowed.end(), child.name) == allowed.end())
          error(child.line, "<" + child.name + "> cannot be inside <" + xml.name + ">");
      }
      if (rule->second.ordered) order(xml, rule->second.children);
    } else if (!unchecked && !kUnchecked.count(xml.name)) {
      error(xml.line, "<" + xml.name + "> is not a customUI element");
    }
    const bool contents_unchecked = unchecked || kUnchecked.count(xml.name) != 0;
    for (const auto& child : xml.children)
      node.children.push_back(element(child, contents_unchecked));
    return node;
  }

  void rule_checks(const RibbonNode& node, const ElementRule& rule) {
    if (rule.needs_id) {
      const int ids = static_cast<int>(node.has("id")) + node.has("idQ") + node.has("idMso");
      if (ids != 1)
        error(node.line, "<" + node.element + "> needs exactly one of id, idQ and idMso");
    }
    for (const auto& set : exclusive()) {
      std::string given;
      int count = 0;
      for (const auto& name : set) {
        if (!node.has(name)) continue;
        given += (count++ ? " and " : "") + name;
      }
      if (count > 1) error(node.line, given + " must not be used together");
    }
  }

  void attribute(int line, const std::string& name, const std::string& value) {
    if (name == "id") {
      if (!is_ncname(value)) error(line, "id \"" + value + "\" is not a valid identifier");
      if (!ids_.insert(value).second) error(line, "the id \"" + value + "\" is used twice");
    } else if (is_callback_attribute(name)) {
      if (value.empty() || value.size() > 1024)
        error(line, name + " names no callback");
      else
        markup_.callbacks.push_back({value, name, line});
    } else if (name == "visible" || name == "enabled" || name == "showLabel" ||
               name == "showImage" || name == "startFromScratch") {
      bool flag;
      if (!ribbon_boolean(value, flag))
        error(line, name + "=\"" + value + "\" is not true, false, 1 or 0");
    } else if (name == "size" && value != "normal" && value != "large") {
      error(line, "size=\"" + value + "\" is not normal or large");
    } else if (name == "image") {
      image_uses_.push_back(line);
    }
  }

  void order(const XmlElement& xml, const std::vector<std::string>& sequence) {
    std::size_t position = 0;
    for (const auto& child : xml.children) {
      const auto found = std::find(sequence.begin(), sequence.end(), child.name);
      if (found == sequence.end()) continue;
      const auto index = static_cast<std::size_t>(found - sequence.begin());
      if (index < position)
        error(child.line, "<" + child.name + "> is out of order or repeated in <" + xml.name + ">");
      position = index + 1;
    }
  }

  void error(int line, const std::string& message) {
    markup_.errors.push_back(where(line) + message);
  }
  void warning(int line, const std::string& message) {
    markup_.warnings.push_back(where(line) + message);
  }

  RibbonMarkup& markup_;
  std::string namespace_;
  std::set<std::string> ids_;
  std::vector<int> image_uses_;
};

}  // namespace

const std::string& RibbonNode::attribute(const std::string& name) const {
  static const std::string none;
  auto found = attributes.find(name);
  return found == attributes.end() ? none : found->second;
}

bool ribbon_boolean(const std::string& value, bool& out) {
  if (value == "true" || value == "1") {
    out = true;
    return true;
  }
  if (value == "false" || value == "0") {
    out = false;
    return true;
  }
  return false;
}

RibbonMarkup check_ribbon_markup(const XmlElement& document) {
  RibbonMarkup markup;
  Checker(markup).document(document);
  return markup;
}

}  // namespace mivo::outlookhost
