// XmlLite over a UTF-8 copy of the text: the ribbon XML comes from the
// add-in as a string, so any encoding its declaration names is beside the
// point, as it is for Office reading the same string.
#include "xml_reader.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include "com/com_ptr.h"
#include "com/module.h"
#include "win/wide_text.h"

namespace mivo::outlookhost {

namespace {

using create_reader_fn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

std::string text_of(IXmlReader* reader,
                    HRESULT (STDMETHODCALLTYPE IXmlReader::*get)(LPCWSTR*, UINT*)) {
  LPCWSTR value = nullptr;
  UINT length = 0;
  if (FAILED((reader->*get)(&value, &length)) || !value) return "";
  return win::to_utf8(std::wstring_view(value, length));
}

// The declaration's encoding is dropped: the bytes below are UTF-8 whatever
// it says. So is the white space after it, which Wine's XmlLite takes for a
// document without a root element once the declaration is gone.
std::string without_declaration(std::string text) {
  if (text.rfind("<?xml", 0) != 0) return text;
  const auto end = text.find("?>");
  if (end == std::string::npos) return text;
  const auto next = text.find_first_not_of(" \t\r\n", end + 2);
  return next == std::string::npos ? std::string() : text.substr(next);
}

}  // namespace

bool read_xml(const std::wstring& text, XmlElement& root, std::string& error) {
  static const HMODULE library = LoadLibraryW(L"xmllite.dll");
  const auto create =
      library ? com::get_proc_address<create_reader_fn>(library, "CreateXmlReader") : nullptr;
  if (!create) {
    error = "xmllite.dll or its CreateXmlReader is missing";
    return false;
  }
  com::com_ptr<IXmlReader> reader;
  if (FAILED(create(__uuidof(IXmlReader), reader.put_void(), nullptr))) {
    error = "CreateXmlReader failed";
    return false;
  }
  const std::string bytes = without_declaration(win::to_utf8(text));
  com::com_ptr<IStream> stream;
  stream.attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                  static_cast<UINT>(bytes.size())));
  if (!stream ||
      FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader->SetInput(stream.get()))) {
    error = "XmlLite could not take the text";
    return false;
  }

  std::vector<XmlElement*> open;
  bool have_root = false;
  XmlNodeType type;
  HRESULT hr;
  while ((hr = reader->Read(&type)) == S_OK) {
    UINT line = 0;
    reader->GetLineNumber(&line);
    if (type == XmlNodeType_Element) {
      XmlElement element;
      element.name = text_of(reader.get(), &IXmlReader::GetLocalName);
      element.namespace_uri = text_of(reader.get(), &IXmlReader::GetNamespaceUri);
      element.line = static_cast<int>(line);
      const bool empty = reader->IsEmptyElement() != FALSE;
      for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK;
           a = reader->MoveToNextAttribute()) {
        const std::string ns = text_of(reader.get(), &IXmlReader::GetNamespaceUri);
        if (ns == "http://www.w3.org/2000/xmlns/") continue;
        element.attributes.push_back({text_of(reader.get(), &IXmlReader::GetLocalName),
                                      text_of(reader.get(), &IXmlReader::GetValue)});
      }
      XmlElement* placed = nullptr;
      if (open.empty()) {
        root = std::move(element);
        have_root = true;
        placed = &root;
      } else {
        open.back()->children.push_back(std::move(element));
        placed = &open.back()->children.back();
      }
      if (!empty) open.push_back(placed);
    } else if (type == XmlNodeType_EndElement) {
      if (!open.empty()) open.pop_back();
    } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && !open.empty()) {
      const std::string value = text_of(reader.get(), &IXmlReader::GetValue);
      if (value.find_first_not_of(" \t\r\n") != std::string::npos) open.back()->has_text = true;
    }
  }
  if (FAILED(hr)) {
    UINT line = 0, column = 0;
    reader->GetLineNumber(&line);
    reader->GetLinePosition(&column);
    char text_hr[16];
    snprintf(text_hr, sizeof(text_hr), "0x%08lX", static_cast<unsigned long>(hr));
    error = "line " + std::to_string(line) + ", column " + std::to_string(column) +
            ": the XML is not well-formed (XmlLite " + text_hr + ")";
    return false;
  }
  if (!have_root) {
    error = "the XML has no root element";
    return false;
  }
  return true;
}

}  // namespace mivo::outlookhost
