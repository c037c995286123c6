// An add-in's ribbon XML as the Office ribbon host checks it: the customUI
// namespaces, the elements and attributes of the part of the schema an
// Outlook add-in uses, unique control ids, and the callback names it binds.
// The XML is read by a real parser (XmlLite on Windows) into XmlElement.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace mivo::outlookhost {

// One element as the parser read it; texts are UTF-8.
struct XmlElement {
  std::string namespace_uri;
  std::string name;  // local name
  int line = 0;
  std::vector<std::pair<std::string, std::string>> attributes;  // xmlns ones left out
  std::vector<XmlElement> children;
  bool has_text = false;  // text other than white space directly inside
};

// The 2006 schema (Office 2007) and the 2009 one (Office 2010 and later).
inline constexpr char kCustomUi2006[] = "http://schemas.microsoft.com/office/2006/01/customui";
inline constexpr char kCustomUi2009[] = "http://schemas.microsoft.com/office/2009/07/customui";

// A callback the markup names: where, and for which attribute.
struct CallbackUse {
  std::string name;       // the add-in's method name
  std::string attribute;  // onLoad, loadImage, getVisible, onAction, ...
  int line = 0;
};

struct RibbonNode {
  std::string element;
  int line = 0;
  std::map<std::string, std::string> attributes;
  std::vector<RibbonNode> children;

  // The attribute's value, or "" when it is absent.
  const std::string& attribute(const std::string& name) const;
  bool has(const std::string& name) const { return attributes.count(name) != 0; }
};

struct RibbonMarkup {
  RibbonNode root;  // customUI
  // Schema errors: Office applies none of the markup when there is one.
  std::vector<std::string> errors;
  // Mistakes Office lets pass at load time but that break something.
  std::vector<std::string> warnings;
  std::vector<CallbackUse> callbacks;
  bool usable() const { return errors.empty(); }
};

// Checks the parsed document and keeps what the host draws and calls.
RibbonMarkup check_ribbon_markup(const XmlElement& document);

// Boolean attribute values as the schema writes them: true, false, 1, 0.
bool ribbon_boolean(const std::string& value, bool& out);

}  // namespace mivo::outlookhost
