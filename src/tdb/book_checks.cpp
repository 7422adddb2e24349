#include "tdb/book_checks.h"

#include "framework/diagnostics.h"
#include "tdb/book_format.h"
#include "tdb/book_sections.h"

#include <utility>

namespace quillery {

void reportInconsistentInput(const char* what) {
    reportError("The book could not be written: %s. No output file generated.", what);
}

namespace {

// Pages past the limit were only counted.
bool checkPageCounts(const BookTables& tables) {
    bool ok = true;
    const std::pair<size_t, const char*> fonts[] = {
        {tables.smallPages.size() + tables.smallPagesNotKept, "small"},
        {tables.largePages.size() + tables.largePagesNotKept, "large"}};
    for (const auto& [pages, font] : fonts) {
        if (pages > kMaxPageEntries) {
            reportError(
                "The book has %zu pages in the %s font, more than the %zu a book can hold. No output file "
                "generated.",
                pages, font, kMaxPageEntries);
            ok = false;
        }
    }
    return ok;
}

bool checkImages(const ImageTable& images) {
    bool ok = true;
    for (const ImageEntry& image : images.entries) {
        std::string name(imageRecordName(image.path));
        if (name.size() > kMaxImageNameLength) {
            reportError(kImageNameTooLongMessage, name.c_str());
            ok = false;
        } else if (image.dataSize == 0) {
            reportInconsistentInput("an image has no converted data");
            ok = false;
        } else if (uint64_t{image.dataOffset} + image.dataSize > images.streams.length()) {
            reportInconsistentInput("an image's data lies outside the image data");
            ok = false;
        }
    }
    return ok;
}

bool checkIndexGroups(const IndexTable& index) {
    for (const IndexGroup& group : index.groups) {
        if (group.firstEntry >= index.entries.size()) {
            reportInconsistentInput("an index group starts past the last index entry");
            return false;
        }
    }
    return true;
}

// The directory of a sidebar or footnote section names each body's records; together they are the records
// stored for the section.
bool checkBlockRecords(const RefTable& references, const StoredRecords& bodies) {
    size_t records = 0;
    for (const RefEntry& reference : references) {
        records += reference.recordCount;
    }
    return references.empty() || records == storedRecordCount(bodies.sizes);
}

} // namespace

bool checkBookInput(const BookWriterInput& input) {
    const BookTables& tables = input.tables;
    bool ok = checkPageCounts(tables);
    ok = checkImages(tables.images) && ok;
    ok = checkIndexGroups(tables.index) && ok;
    for (const RefTable* references : {&tables.sidebars, &tables.footnotes}) {
        for (const RefEntry& reference : *references) {
            if (terminatedString(reference.name).size() > kMaxBlockNameLength) {
                reportInconsistentInput("a sidebar or footnote name is longer than 255 bytes");
                return false;
            }
        }
    }
    if (!checkBlockRecords(tables.sidebars, input.sidebars) ||
        !checkBlockRecords(tables.footnotes, input.footnotes)) {
        reportInconsistentInput("the sidebar or footnote record counts do not match their records");
        ok = false;
    }
    size_t sizes = input.text.sizes.count();
    if (sizes > 1 && input.textRecordStarts.count() != sizes) {
        reportInconsistentInput("the text record tables differ in length");
        ok = false;
    }
    return ok;
}

bool checkBookPlan(const BookPlan& plan, const BookTables& tables) {
    // Chapters and links past the most a book can hold were only counted.
    size_t records = plan.recordSizes.size() + tables.chaptersNotKept + tables.linksNotKept;
    if (records > kMaxRecords) {
        reportError(
            "The book needs %zu records, more than the %zu a book can hold. No output file generated.",
            records, kMaxRecords);
        return false;
    }
    if (plan.bookSize > kMaxBookSize) {
        reportError(
            "The book would be %llu bytes long, more than the %llu bytes a book can hold. No output file "
            "generated.",
            static_cast<unsigned long long>(plan.bookSize), static_cast<unsigned long long>(kMaxBookSize));
        return false;
    }
    return true;
}

} // namespace quillery
