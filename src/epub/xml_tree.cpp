#include "epub/xml_tree.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <mutex>

namespace quillery::epub {
namespace {

constexpr const char* kOpsNamespace = "http://www.idpf.org/2007/ops";

// Refuses every external resource: a DTD, an external entity or an XInclude never loads.
xmlParserInputPtr refuseExternal(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

void setUpParser() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternal);
    });
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t k = 0; k < a.size(); ++k) {
        if (lowerAscii(a[k]) != lowerAscii(b[k])) {
            return false;
        }
    }
    return true;
}

std::string_view withoutPrefix(std::string_view name) {
    size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view nameOf(const xmlChar* name) {
    return name != nullptr ? std::string_view(reinterpret_cast<const char*>(name)) : std::string_view();
}

std::string valueOf(const xmlAttr* property) {
    std::string value;
    for (const xmlNode* child = property->children; child != nullptr; child = child->next) {
        if (child->content != nullptr) {
            value += reinterpret_cast<const char*>(child->content);
        }
    }
    return value;
}

XmlDocument readXml(std::string_view bytes, bool requireWellFormed) {
    setUpParser();
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
        return nullptr;
    }
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == nullptr) {
        return nullptr;
    }
    // No XML_PARSE_NOENT (no substitution), no DTD loading or defaulting, no XML_PARSE_HUGE.
    int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES |
                  XML_PARSE_NOCDATA | XML_PARSE_NOXINCNODE;
    xmlDocPtr document =
        xmlCtxtReadMemory(context, bytes.data(), static_cast<int>(bytes.size()), "", nullptr, options);
    bool wellFormed = context->wellFormed != 0;
    xmlFreeParserCtxt(context);
    if (document != nullptr && requireWellFormed && !wellFormed) {
        xmlFreeDoc(document);
        return nullptr;
    }
    return XmlDocument(document);
}

// The HTML parser does not know a document type's internal subset and would show its declarations as text:
// it is blanked out (line ends kept, so that lines stay those of the file). Its entities are never used.
std::string withoutInternalSubset(std::string_view bytes) {
    std::string text(bytes);
    size_t start = std::string::npos;
    for (size_t at = text.find('<'); at != std::string::npos && at < 4096; at = text.find('<', at + 1)) {
        if (text.size() - at >= 9 &&
            (text.compare(at, 9, "<!DOCTYPE") == 0 || text.compare(at, 9, "<!doctype") == 0)) {
            start = at;
            break;
        }
    }
    if (start == std::string::npos) {
        return text;
    }
    size_t bracket = text.find('[', start);
    size_t close = text.find('>', start);
    if (bracket == std::string::npos || close < bracket) {
        return text;
    }
    size_t end = text.find("]>", bracket);
    end = end == std::string::npos ? text.size() : end + 2;
    for (size_t at = start; at < end; ++at) {
        if (text[at] != '\n') {
            text[at] = ' ';
        }
    }
    return text;
}

} // namespace

void XmlFree::operator()(_xmlDoc* document) const {
    xmlFreeDoc(document);
}

XmlDocument parseXml(std::string_view bytes) {
    return readXml(bytes, true);
}

XmlDocument parseContent(std::string_view bytes) {
    if (XmlDocument document = readXml(bytes, true)) {
        return document;
    }
    setUpParser();
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
        return nullptr;
    }
    int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;
    std::string text = withoutInternalSubset(bytes);
    return XmlDocument(htmlReadMemory(text.data(), static_cast<int>(text.size()), "", "UTF-8", options));
}

XmlNode* rootOf(const XmlDocument& document) {
    return document ? xmlDocGetRootElement(document.get()) : nullptr;
}

bool isElement(const XmlNode* node) {
    return node != nullptr && node->type == XML_ELEMENT_NODE;
}

std::string localName(const XmlNode* node) {
    std::string name(withoutPrefix(nameOf(node->name)));
    for (char& c : name) {
        c = lowerAscii(c);
    }
    return name;
}

std::string attribute(const XmlNode* node, std::string_view name) {
    if (!isElement(node)) {
        return {};
    }
    for (const xmlAttr* property = node->properties; property != nullptr; property = property->next) {
        if (equalsIgnoringCase(withoutPrefix(nameOf(property->name)), name)) {
            return valueOf(property);
        }
    }
    return {};
}

std::string epubType(const XmlNode* node) {
    if (!isElement(node)) {
        return {};
    }
    for (const xmlAttr* property = node->properties; property != nullptr; property = property->next) {
        std::string_view name = nameOf(property->name);
        bool inOps = property->ns != nullptr && nameOf(property->ns->href) == kOpsNamespace && name == "type";
        if (inOps || equalsIgnoringCase(name, "epub:type")) {
            return valueOf(property);
        }
    }
    return {};
}

bool hasWord(std::string_view list, std::string_view word) {
    while (!list.empty()) {
        size_t start = list.find_first_not_of(" \t\r\n\f");
        if (start == std::string_view::npos) {
            return false;
        }
        list.remove_prefix(start);
        size_t end = list.find_first_of(" \t\r\n\f");
        if (equalsIgnoringCase(list.substr(0, end), word)) {
            return true;
        }
        if (end == std::string_view::npos) {
            return false;
        }
        list.remove_prefix(end);
    }
    return false;
}

const XmlNode* nextInTree(const XmlNode* node, const XmlNode* top, bool descend) {
    if (descend && node->children != nullptr && node->type != XML_ENTITY_REF_NODE) {
        return node->children;
    }
    while (node != nullptr && node != top) {
        if (node->next != nullptr) {
            return node->next;
        }
        node = node->parent;
    }
    return nullptr;
}

std::string textOf(const XmlNode* node) {
    std::string text;
    for (const XmlNode* at = node; at != nullptr; at = nextInTree(at, node)) {
        if ((at->type == XML_TEXT_NODE || at->type == XML_CDATA_SECTION_NODE) && at->content != nullptr) {
            text += reinterpret_cast<const char*>(at->content);
        }
    }
    return text;
}

unsigned lineOf(const XmlNode* node) {
    for (; node != nullptr; node = node->parent) {
        long line = xmlGetLineNo(node);
        if (line > 0) {
            return static_cast<unsigned>(line);
        }
        if (node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE) {
            break;
        }
    }
    return 0;
}

unsigned htmlEntity(std::string_view name) {
    std::string key(name);
    const htmlEntityDesc* entity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(key.c_str()));
    return entity != nullptr ? entity->value : 0;
}

} // namespace quillery::epub
