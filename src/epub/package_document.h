// The package of an EPUB: META-INF/container.xml names the package document, whose metadata give the header
// fields, whose manifest names every resource and whose spine gives the reading order. Also the signs of DRM.
#pragma once

#include "convert/front_matter.h"
#include "epub/epub_archive.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillery::epub {

struct ManifestItem {
    std::string path; // the entry name in the archive
    std::string mediaType;
    std::string properties;
};

struct Package {
    std::string path;                          // the package document's entry name
    convert::HeaderFields fields;              // from its metadata
    std::map<std::string, ManifestItem> items; // by id
    std::vector<std::string> spine; // entry names in reading order, linear="no" items after the others
    std::string navPath;            // the EPUB 3 navigation document, or ""
    std::string ncxPath;            // the EPUB 2 NCX, or ""
};

// A link target inside the archive.
struct Href {
    enum class Kind { Internal, External, Invalid } kind = Kind::Invalid;
    std::string path;     // entry name ("" for a fragment of the same document)
    std::string fragment; // without "#", percent escapes resolved
};

// `href` as written in the document at entry `base`. A path that climbs above the archive's root, or an
// absolute one, is Invalid; one with a scheme ("https:", "mailto:") is External.
Href resolveHref(std::string_view base, std::string_view href);

// Reads the package. On failure `error` holds the message to give.
bool readPackage(EpubArchive& archive, Package& package, std::string& error);

// Whether META-INF/encryption.xml (or a rights file) says that content documents or images are encrypted.
// Fonts obfuscated under the usual font obfuscation algorithms alone do not count.
bool isEncrypted(EpubArchive& archive);

} // namespace quillery::epub
