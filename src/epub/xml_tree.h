// The XML of an EPUB read with libxml2, safely: no DTD is loaded, no entity of a DTD is substituted, nothing
// touches the network and the parser's own size and depth limits stay on. Content documents are read as XML
// first; one that is not well-formed (real books often are not) is read again by the HTML parser in recovery
// mode, which also knows HTML's named entities (&nbsp;, &mdash;) from its own table.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct _xmlDoc;
struct _xmlNode;

namespace quillery::epub {

using XmlNode = _xmlNode;

struct XmlFree {
    void operator()(_xmlDoc* document) const;
};
using XmlDocument = std::unique_ptr<_xmlDoc, XmlFree>;

// A well-formed XML document, or null.
XmlDocument parseXml(std::string_view bytes);
// A content document: XML when well-formed, else what the HTML parser recovers; null only when nothing is
// left.
XmlDocument parseContent(std::string_view bytes);

XmlNode* rootOf(const XmlDocument& document);

// The element's name without its namespace prefix ("svg:svg" read by the HTML parser is "svg"), lower case.
std::string localName(const XmlNode* node);
bool isElement(const XmlNode* node);
// The value of the attribute `name` (without prefix, case ignored), or "".
std::string attribute(const XmlNode* node, std::string_view name);
// epub:type (in the EPUB namespace, or written "epub:type" as the HTML parser keeps it), or "".
std::string epubType(const XmlNode* node);
// Whether the space-separated `list` holds `word` (case ignored).
bool hasWord(std::string_view list, std::string_view word);
// The text of the node and everything under it.
std::string textOf(const XmlNode* node);
// The line of the node in its document, or 0.
unsigned lineOf(const XmlNode* node);

// Depth-first order without recursion: the node after `node` under `top`, or null.
const XmlNode* nextInTree(const XmlNode* node, const XmlNode* top, bool descend = true);

// The code point of an HTML named entity ("nbsp"), or 0.
unsigned htmlEntity(std::string_view name);

} // namespace quillery::epub
