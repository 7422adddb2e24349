#include "epub/package_document.h"

#include "epub/xml_tree.h"

#include <libxml/tree.h>

namespace quillery::epub {
namespace {

constexpr std::string_view kIdpfObfuscation = "http://www.idpf.org/2008/embedding";
constexpr std::string_view kOtherObfuscation = "http://ns.adobe.com/pdf/enc#RC";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '%' && k + 2 < text.size() && hexValue(text[k + 1]) >= 0 &&
            hexValue(text[k + 2]) >= 0) {
            char decoded = static_cast<char>(hexValue(text[k + 1]) * 16 + hexValue(text[k + 2]));
            if (decoded != '\0') {
                out += decoded;
                k += 2;
                continue;
            }
        }
        out += text[k];
    }
    return out;
}

std::string trimmed(std::string_view text) {
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) {
        return {};
    }
    size_t end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(start, end - start + 1));
}

std::string folderOf(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

// The first element named `name` under `top`, depth first.
const XmlNode* findElement(const XmlNode* top, std::string_view name) {
    for (const XmlNode* node = top; node != nullptr; node = nextInTree(node, top)) {
        if (isElement(node) && localName(node) == name) {
            return node;
        }
    }
    return nullptr;
}

bool isIsbn(std::string_view value) {
    std::string digits;
    for (char c : value) {
        if ((c >= '0' && c <= '9') || c == 'X' || c == 'x') {
            digits += c;
        } else if (c != '-' && c != ' ') {
            return false;
        }
    }
    if (digits.size() == 13) {
        int sum = 0;
        for (size_t k = 0; k < 13; ++k) {
            if (digits[k] < '0' || digits[k] > '9') {
                return false;
            }
            sum += (digits[k] - '0') * (k % 2 == 0 ? 1 : 3);
        }
        return sum % 10 == 0;
    }
    if (digits.size() == 10) {
        int sum = 0;
        for (size_t k = 0; k < 10; ++k) {
            int digit = digits[k] == 'X' || digits[k] == 'x' ? 10 : digits[k] - '0';
            if (digit == 10 && k != 9) {
                return false;
            }
            sum += digit * static_cast<int>(10 - k);
        }
        return sum % 11 == 0;
    }
    return false;
}

void readMetadata(const XmlNode* metadata, convert::HeaderFields& fields) {
    std::string creators;
    for (const XmlNode* node = metadata; node != nullptr; node = nextInTree(node, metadata)) {
        if (!isElement(node) || node == metadata) {
            continue;
        }
        std::string name = localName(node);
        std::string value = trimmed(textOf(node));
        if (value.empty()) {
            continue;
        }
        if (name == "title" && !fields.title) {
            fields.title = value;
        } else if (name == "creator") {
            creators += (creators.empty() ? "" : ", ") + value;
        } else if (name == "publisher" && !fields.publisher) {
            fields.publisher = value;
        } else if (name == "rights" && !fields.copyright) {
            fields.copyright = value;
        } else if (name == "identifier" && !fields.isbn) {
            std::string_view isbn = value;
            bool named = hasWord(attribute(node, "scheme"), "isbn");
            if (isbn.size() > 9 && (isbn.substr(0, 9) == "urn:isbn:" || isbn.substr(0, 9) == "URN:ISBN:")) {
                isbn.remove_prefix(9);
                named = true;
            }
            if (named || isIsbn(isbn)) {
                fields.isbn = trimmed(isbn);
            }
        }
    }
    if (!creators.empty()) {
        fields.author = creators;
    }
}

} // namespace

Href resolveHref(std::string_view base, std::string_view href) {
    Href result;
    std::string_view text = href;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) {
        text.remove_prefix(1);
    }
    size_t hash = text.find('#');
    if (hash != std::string_view::npos) {
        result.fragment = percentDecoded(text.substr(hash + 1));
        text = text.substr(0, hash);
    }
    size_t query = text.find('?');
    if (query != std::string_view::npos) {
        text = text.substr(0, query);
    }
    size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon < text.find('/')) {
        result.kind = Href::Kind::External;
        return result;
    }
    if (text.empty()) {
        result.kind = Href::Kind::Internal;
        result.path = std::string(base);
        return result;
    }
    std::string decoded = percentDecoded(text);
    if (decoded.front() == '/' || decoded.find('\\') != std::string::npos) {
        return result;
    }
    std::vector<std::string> parts;
    std::string joined = folderOf(base) + decoded;
    std::string_view rest = joined;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (parts.empty()) {
                return result; // above the root of the archive
            }
            parts.pop_back();
            continue;
        }
        parts.emplace_back(part);
    }
    for (const std::string& part : parts) {
        if (!result.path.empty()) {
            result.path += '/';
        }
        result.path += part;
    }
    result.kind =
        result.path.empty() || !isSafeEntryName(result.path) ? Href::Kind::Invalid : Href::Kind::Internal;
    return result;
}

bool isEncrypted(EpubArchive& archive) {
    if (archive.has("META-INF/rights.xml")) {
        return true;
    }
    std::string bytes;
    EntryRead read = archive.read("META-INF/encryption.xml", bytes);
    if (read == EntryRead::Missing) {
        return false;
    }
    XmlDocument document = parseXml(bytes);
    const XmlNode* root = rootOf(document);
    if (root == nullptr) {
        return true; // what it encrypts cannot be told
    }
    for (const XmlNode* node = root; node != nullptr; node = nextInTree(node, root)) {
        if (!isElement(node) || localName(node) != "encrypteddata") {
            continue;
        }
        const XmlNode* method = findElement(node, "encryptionmethod");
        std::string algorithm = method != nullptr ? attribute(method, "algorithm") : std::string();
        if (algorithm != kIdpfObfuscation && algorithm != kOtherObfuscation) {
            return true;
        }
    }
    return false;
}

bool readPackage(EpubArchive& archive, Package& package, std::string& error) {
    std::string bytes;
    if (archive.read("META-INF/container.xml", bytes) != EntryRead::Ok) {
        error = "The EPUB has no readable META-INF/container.xml, so its package document cannot be found.";
        return false;
    }
    XmlDocument container = parseXml(bytes);
    const XmlNode* rootfile = findElement(rootOf(container), "rootfile");
    std::string fullPath = rootfile != nullptr ? attribute(rootfile, "full-path") : std::string();
    if (fullPath.empty()) {
        error = "META-INF/container.xml of the EPUB names no package document (it is missing or not "
                "well-formed).";
        return false;
    }
    Href where = resolveHref("", fullPath);
    package.path = where.path;
    if (where.kind != Href::Kind::Internal || archive.read(package.path, bytes) != EntryRead::Ok) {
        error = "The package document \"" + fullPath + "\" of the EPUB is missing or cannot be read.";
        return false;
    }
    XmlDocument document = parseXml(bytes);
    const XmlNode* root = rootOf(document);
    if (root == nullptr || localName(root) != "package") {
        error = "The package document \"" + package.path + "\" of the EPUB is not well-formed.";
        return false;
    }
    if (const XmlNode* metadata = findElement(root, "metadata")) {
        readMetadata(metadata, package.fields);
    }
    if (const XmlNode* manifest = findElement(root, "manifest")) {
        for (const XmlNode* node = manifest->children; node != nullptr; node = node->next) {
            if (!isElement(node) || localName(node) != "item") {
                continue;
            }
            Href href = resolveHref(package.path, attribute(node, "href"));
            std::string id = attribute(node, "id");
            if (href.kind != Href::Kind::Internal || id.empty() || package.items.count(id) != 0) {
                continue;
            }
            ManifestItem item{href.path, attribute(node, "media-type"), attribute(node, "properties")};
            if (hasWord(item.properties, "nav") && package.navPath.empty()) {
                package.navPath = item.path;
            }
            if (item.mediaType == "application/x-dtbncx+xml" && package.ncxPath.empty()) {
                package.ncxPath = item.path;
            }
            package.items.emplace(id, std::move(item));
        }
    }
    const XmlNode* spine = findElement(root, "spine");
    if (spine == nullptr) {
        error = "The package document \"" + package.path + "\" of the EPUB has no spine (no reading order).";
        return false;
    }
    if (std::string toc = attribute(spine, "toc"); !toc.empty() && package.items.count(toc) != 0) {
        package.ncxPath = package.items[toc].path;
    }
    std::vector<std::string> after;
    for (const XmlNode* node = spine->children; node != nullptr; node = node->next) {
        if (!isElement(node) || localName(node) != "itemref") {
            continue;
        }
        auto item = package.items.find(attribute(node, "idref"));
        if (item == package.items.end()) {
            continue;
        }
        bool linear = attribute(node, "linear") != "no";
        std::vector<std::string>& order = linear ? package.spine : after;
        bool seen = false;
        for (const std::string& path : package.spine) {
            seen = seen || path == item->second.path;
        }
        for (const std::string& path : after) {
            seen = seen || path == item->second.path;
        }
        if (!seen) {
            order.push_back(item->second.path);
        }
    }
    package.spine.insert(package.spine.end(), after.begin(), after.end());
    if (package.spine.empty()) {
        error = "The spine of the package document \"" + package.path + "\" names no document to read.";
        return false;
    }
    return true;
}

} // namespace quillery::epub
