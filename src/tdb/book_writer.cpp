#include "tdb/book_writer.h"

#include "framework/byte_order.h"
#include "framework/diagnostics.h"
#include "tdb/book_checks.h"
#include "tdb/book_container.h"
#include "tdb/book_format.h"
#include "tdb/book_output.h"
#include "tdb/book_plan.h"
#include "tdb/book_sections.h"

#include <array>
#include <string>

namespace quillery {
namespace {

// The five strings of the book info, each ended by a NUL byte; a long one is stored whole, with a warning.
std::string metadataRecord(const BookInfo& info) {
    std::string record;
    for (const WideString* field :
         {&info.title, &info.author, &info.copyright, &info.publisher, &info.isbn}) {
        std::string text(terminatedString(field->toAnsi()));
        if (text.size() > kMetadataWarningLength) {
            reportWarning("The string \"%s\" is longer than %d characters; is this necessary?", text.c_str(),
                          static_cast<int>(kMetadataWarningLength));
        }
        record += text;
        record += '\0';
    }
    return record;
}

// The first record: the page counts, where each section lies and the random tag.
std::array<uint8_t, kBookHeaderSize> bookHeaderRecord(const BookWriterInput& input, const BookPlan& plan) {
    std::array<uint8_t, kBookHeaderSize> record{};
    uint8_t* bytes = record.data();
    putU16BE(bytes + kBookFormatOffset, kBookFormatCode);
    putU32BE(bytes + kBookConstantOffset, kBookHeaderConstant);
    putU16BE(bytes + kSmallPageCountOffset, static_cast<uint16_t>(input.tables.smallPages.size()));
    putU16BE(bytes + kLargePageCountOffset, static_cast<uint16_t>(input.tables.largePages.size()));
    putU16BE(bytes + kFirstNonTextRecordOffset, static_cast<uint16_t>(plan.textRecords + 1));
    bytes[kBookByte34Offset] = kBookHeaderByte34;
    for (size_t section = 0; section < kSectionCount; ++section) {
        putU16BE(bytes + kSectionFields[section].countOffset,
                 static_cast<uint16_t>(plan.sectionRecords[section]));
        putU16BE(bytes + kSectionFields[section].firstRecordOffset,
                 static_cast<uint16_t>(plan.firstRecord[section]));
    }
    putU32BE(bytes + kRandomTagOffset, input.randomTag);
    return record;
}

// Writes every record in list order. After the text and after each section the running byte count is held
// against the record list; a difference is reported (and sets `reported`) as input that contradicts itself.
bool writeRecords(const BookSource& book, const BookPlan& plan, BookOutput& out, bool& reported) {
    const BookWriterInput& input = book.input;
    std::string_view type = (input.flags & kFlagDictionary) != 0 ? kDictionaryType : kBookType;
    std::vector<uint8_t> prefix =
        encodeContainerPrefix({input.bookName, type, input.creationTime}, plan.recordSizes);
    std::array<uint8_t, kBookHeaderSize> header = bookHeaderRecord(input, plan);
    if (!out.put(prefix.data(), prefix.size()) || !out.put(header.data(), header.size())) {
        return false;
    }
    uint64_t expected = out.written();
    size_t record = 1;
    auto asPlanned = [&](size_t records) {
        for (size_t end = record + records; record < end; ++record) {
            expected += plan.recordSizes[record];
        }
        if (out.written() != expected) {
            reportInconsistentInput("a record's bytes differ from its size in the record list");
            reported = true;
            return false;
        }
        return true;
    };
    if (!putTextRecords(book, out) || !asPlanned(plan.textRecords)) {
        return false;
    }
    for (size_t section = 0; section < kSectionCount; ++section) {
        if (!putSection(static_cast<BookSection>(section), book, out) ||
            !asPlanned(plan.sectionRecords[section])) {
            return false;
        }
    }
    return out.put(kMarkerRecord.data(), kMarkerRecord.size());
}

} // namespace

Verdict writeBook(const BookWriterInput& input) {
    std::string metadata = metadataRecord(input.info);
    BookSource book{input, metadata};
    if (!checkBookInput(input)) {
        return Verdict::Failed;
    }
    BookPlan plan = planBook(book);
    if (!checkBookPlan(plan, input.tables)) {
        return Verdict::Failed;
    }
    BookOutput out(input.files, input.outputPath, input.replaceOutput);
    bool reported = false;
    if (!out.create() || !writeRecords(book, plan, out, reported) || !out.publish()) {
        if (!reported) {
            reportError("An error occurred writing the file %s.", input.outputPath.c_str());
        }
        out.discard();
        return Verdict::Failed;
    }
    reportNote("Done.");
    return Verdict::Ok;
}

} // namespace quillery
