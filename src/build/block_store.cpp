#include "build/block_store.h"

#include "framework/diagnostics.h"
#include "tdb/book_format.h"
#include "tdb/image_conversion.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quillery {

Verdict storeBlockBodies(BlockKind kind, std::string_view blockSection, size_t sectionStart,
                         RefTable& references, RecordBuffer& recordSizes, ImageTable& images,
                         const std::string& imageFolder, TempTextFile& temp, ThreadPool* pool) {
    if (references.empty()) {
        return Verdict::Ok;
    }
    if (temp.file() == nullptr) {
        return Verdict::Failed;
    }
    if (!recordSizes.appendU32(0)) {
        reportError("Not enough memory to store the sidebars and footnotes.");
        return Verdict::Failed;
    }
    std::vector<BlockBody> bodies = findBlockBodies(kind, blockSection, sectionStart, references);
    // Overlapping bodies may add up to far more text than the section holds. A book holds at most kMaxRecords
    // records: when the bodies cannot fit, say so before compressing any of them.
    uint64_t leastRecords = 0;
    for (const BlockBody& body : bodies) {
        leastRecords += (body.text.size() + kTextRecordSize - 1) / kTextRecordSize;
    }
    if (leastRecords > kMaxRecords) {
        reportError("The %s need more than the %zu records a book can hold. No output file generated.",
                    kind == BlockKind::Sidebar ? "sidebars" : "footnotes", kMaxRecords);
        return Verdict::Failed;
    }
    std::optional<RecordQueue> queue;
    std::vector<size_t> recordCounts;
    if (pool != nullptr) {
        queue.emplace(temp.compressor(), *pool, RecordQueue::windowFor(*pool));
        recordCounts.reserve(bodies.size());
        for (const BlockBody& body : bodies) {
            recordCounts.push_back(queue->add(body.text));
        }
    }
    bool ok = true;
    bool referencedImage = false;
    for (size_t k = 0; k < references.size(); ++k) {
        RefEntry& entry = references[k];
        if (!checkBlockBody(bodies[k], entry.name, images, imageFolder, referencedImage)) {
            ok = false;
        }
        size_t recordsBefore = recordSizes.count();
        Verdict stored = queue ? temp.appendQueued(*queue, recordCounts[k], recordSizes)
                               : temp.append(bodies[k].text, recordSizes);
        if (failed(stored)) {
            return Verdict::Failed;
        }
        size_t records = recordSizes.count() - recordsBefore;
        if (records > UINT16_MAX) {
            reportError("The sidebar or footnote named %s is too long.", entry.name.c_str());
            return Verdict::Failed;
        }
        entry.recordCount = static_cast<uint16_t>(records);
    }
    // The bodies' images join the main text's: the whole table is sorted and converted again.
    if (referencedImage && failed(convertImageTable(images))) {
        ok = false;
    }
    return ok ? Verdict::Ok : Verdict::Failed;
}

} // namespace quillery
