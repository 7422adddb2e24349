// Helpers of the EPUB tests: archives made in memory, small books around given documents, and conversions
// whose reports are kept with the document they name.
#pragma once

#include "epub/epub_converter.h"
#include "test_support.h"

#include <string>
#include <vector>
#include <zip.h>

namespace quillery::test {

struct ZipEntry {
    std::string name;
    std::string bytes;
    bool link = false; // stored as a symbolic link
};

// The bytes of a ZIP archive holding `entries`, deflated.
inline std::string makeZip(const std::vector<ZipEntry>& entries) {
    ScratchDir dir;
    std::string path = dir.file("made.zip");
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
        zip_int64_t index =
            zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index >= 0 && entry.link) {
            zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             (0120777u) << 16);
        }
    }
    zip_close(archive);
    return readFile(path);
}

inline std::string containerXml(const std::string& packagePath = "OEBPS/content.opf") {
    return "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
           "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile full-path=\"" +
           packagePath + "\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>\n";
}

// An XHTML document whose body is `body`.
inline std::string xhtml(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" "
           "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>t</title></head>\n<body>\n" +
           body + "\n</body></html>\n";
}

struct BookFile {
    BookFile(std::string fileName, std::string content, std::string spine = "",
             std::string type = "application/xhtml+xml", bool spined = true)
        : name(std::move(fileName)), bytes(std::move(content)), mediaType(std::move(type)), inSpine(spined),
          spineAttributes(std::move(spine)) {}
    std::string name; // inside OEBPS/
    std::string bytes;
    std::string mediaType;
    bool inSpine;
    std::string spineAttributes;
};

// An EPUB 3 book of `files` (spine in order), titled "Test", with `extra` entries beside them and `nav` (the
// body of a navigation document, if any).
inline std::string makeBook(const std::vector<BookFile>& files, const std::string& nav = "",
                            const std::vector<ZipEntry>& extra = {}, const std::string& metadata = "") {
    std::string manifest;
    std::string spine;
    for (size_t k = 0; k < files.size(); ++k) {
        std::string id = "item" + std::to_string(k);
        manifest += "<item id=\"" + id + "\" href=\"" + files[k].name + "\" media-type=\"" +
                    files[k].mediaType + "\"/>\n";
        if (files[k].inSpine) {
            spine += "<itemref idref=\"" + id + "\" " + files[k].spineAttributes + "/>\n";
        }
    }
    if (!nav.empty()) {
        manifest +=
            "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n";
    }
    std::string opf =
        "<?xml version=\"1.0\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\">"
        "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">" +
        (metadata.empty() ? std::string("<dc:title>Test</dc:title>") : metadata) +
        "</metadata>\n<manifest>\n" + manifest + "</manifest>\n<spine>\n" + spine + "</spine></package>\n";
    std::vector<ZipEntry> entries = {{"mimetype", "application/epub+zip"},
                                     {"META-INF/container.xml", containerXml()},
                                     {"OEBPS/content.opf", opf}};
    for (const BookFile& file : files) {
        entries.push_back({"OEBPS/" + file.name, file.bytes});
    }
    if (!nav.empty()) {
        entries.push_back({"OEBPS/nav.xhtml", xhtml("<nav epub:type=\"toc\">" + nav + "</nav>")});
    }
    entries.insert(entries.end(), extra.begin(), extra.end());
    return makeZip(entries);
}

// A report with the document it names.
struct PartReport {
    ReportLevel level;
    std::string text;
    std::string part;
    uint32_t line = 0;
};

class PartCollector : public DiagnosticSink {
  public:
    PartCollector() : scope_(this) {}
    int report(const Report& report) override {
        reports.push_back({report.level, std::string(report.text), std::string(report.part),
                           report.place ? report.place->line : 0});
        return 0;
    }
    bool hasErrors() const {
        for (const PartReport& report : reports) {
            if (report.level == ReportLevel::Error) {
                return true;
            }
        }
        return false;
    }
    std::vector<PartReport> reports;

  private:
    ReportSinkScope scope_;
};

// The markup of an EPUB after its header block.
inline std::string epubBody(const epub::EpubConversion& conversion) {
    size_t end = conversion.markup.find("\n\n\\v");
    return end == std::string::npos ? conversion.markup : conversion.markup.substr(end + 4);
}

inline epub::EpubConversion convertBook(const std::string& bytes) {
    return epub::convertEpub(bytes, epub::EpubSettings{});
}

} // namespace quillery::test
