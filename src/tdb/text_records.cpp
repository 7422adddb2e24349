#include "tdb/text_records.h"

#include "framework/diagnostics.h"
#include "tdb/tag_table.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace quillery {
namespace {

// How far back from the end of a piece a tag is looked for.
constexpr size_t kTagLookBack = 91;

bool isRecordWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The cut by the written rules: before a tag near the end, else after the last white space (0 if none).
size_t writtenRecordBreak(std::string_view piece) {
    size_t end = piece.size();
    for (size_t back = 1; back <= kTagLookBack && back <= end; ++back) {
        size_t at = end - back;
        char c = piece[at];
        if (c == '\r' || c == '\n' || (c == '\\' && back == 1)) {
            break;
        }
        if (c == '\\') {
            while (at > 0 && piece[at - 1] == '\\') {
                --at;
            }
            return at;
        }
    }
    for (size_t at = end; at > 0; --at) {
        if (isRecordWhitespace(piece[at - 1])) {
            return at;
        }
    }
    return 0;
}

// `cut` moved back to the backslash of a tag that it would split, walking the tags from the piece's start
// (a tag boundary). 0 when that tag starts the piece.
size_t outsideTags(std::string_view rest, size_t cut) {
    for (size_t at = 0; at < cut;) {
        const void* backslash = std::memchr(rest.data() + at, '\\', cut - at);
        if (backslash == nullptr) {
            return cut;
        }
        at = static_cast<size_t>(static_cast<const char*>(backslash) - rest.data());
        size_t extent = textTagExtent(rest, at);
        if (at + extent > cut) {
            return at;
        }
        at += extent;
    }
    return cut;
}

} // namespace

size_t findRecordBreak(std::string_view rest) {
    std::string_view piece = rest.substr(0, kTextRecordSize);
    size_t cut = outsideTags(rest, writtenRecordBreak(piece));
    // No cut by the rules (or only one inside a tag that starts the piece): the piece is kept whole, and
    // then its end must not split a tag either, unless that tag starts the piece.
    if (cut == 0) {
        cut = outsideTags(rest, piece.size());
    }
    return cut == 0 ? piece.size() : cut;
}

Verdict compressTextRecords(std::string_view text, FileService& output, RecordBuffer& recordSizes,
                            RecordBuffer* textRecordStarts, Compressor& compressor) {
    std::unique_ptr<uint8_t[]> compressed(new (std::nothrow) uint8_t[kTextRecordSize + 8]());
    if (!compressed) {
        reportError("Not enough memory to compress the text.");
        return Verdict::Failed;
    }
    if (textRecordStarts && (!textRecordStarts->appendU32(0) || !recordSizes.appendU32(0))) {
        reportError("Not enough memory to compress the text.");
        return Verdict::Failed;
    }
    size_t done = 0;
    while (done < text.size()) {
        size_t n = std::min(kTextRecordSize, text.size() - done);
        if (n == kTextRecordSize && done + n < text.size()) {
            n = findRecordBreak(text.substr(done));
        }
        size_t produced = kTextRecordSize;
        if (!compressor.compress(reinterpret_cast<const uint8_t*>(text.data() + done), n, compressed.get(),
                                 &produced)) {
            reportError("The text at position %zu could not be compressed into a record of %zu bytes.", done,
                        kTextRecordSize);
            return Verdict::Failed;
        }
        if ((textRecordStarts && !textRecordStarts->appendU32(static_cast<uint32_t>(done + n))) ||
            !recordSizes.appendU32(static_cast<uint32_t>(produced))) {
            reportError("Not enough memory to compress the text.");
            return Verdict::Failed;
        }
        if (output.write(compressed.get(), produced) != 0) {
            reportError("An error occurred writing the file %s.", output.path().c_str());
            return Verdict::Failed;
        }
        done += n;
    }
    return Verdict::Ok;
}

Verdict writeQueuedRecords(RecordQueue& queue, size_t count, FileService& output, RecordBuffer& recordSizes,
                           RecordBuffer* textRecordStarts) {
    if (textRecordStarts && (!textRecordStarts->appendU32(0) || !recordSizes.appendU32(0))) {
        reportError("Not enough memory to compress the text.");
        return Verdict::Failed;
    }
    for (size_t k = 0; k < count; ++k) {
        RecordQueue::Record record = queue.next();
        if (!record.compressed) {
            reportError("The text at position %zu could not be compressed into a record of %zu bytes.",
                        record.start, kTextRecordSize);
            return Verdict::Failed;
        }
        if ((textRecordStarts &&
             !textRecordStarts->appendU32(static_cast<uint32_t>(record.start + record.length))) ||
            !recordSizes.appendU32(static_cast<uint32_t>(record.size))) {
            reportError("Not enough memory to compress the text.");
            return Verdict::Failed;
        }
        if (output.write(record.bytes, record.size) != 0) {
            reportError("An error occurred writing the file %s.", output.path().c_str());
            return Verdict::Failed;
        }
    }
    return Verdict::Ok;
}

} // namespace quillery
