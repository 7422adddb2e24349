#include "build/temp_text_file.h"

#include "framework/diagnostics.h"
#include "tdb/text_records.h"

namespace quillery {

Verdict TempTextFile::create(FileSystem& files, const std::string& path) {
    file_ = files.createNew(path);
    if (!file_) {
        reportError("Could not create file %s.", path.c_str());
        return Verdict::Failed;
    }
    return Verdict::Ok;
}

Verdict TempTextFile::append(std::string_view text, RecordBuffer& recordSizes, RecordBuffer* textRecordStarts,
                             ThreadPool* pool) {
    if (!file_) {
        return Verdict::Failed;
    }
    if (pool == nullptr) {
        return compressTextRecords(text, *file_, recordSizes, textRecordStarts, compressor_);
    }
    RecordQueue queue(compressor_, *pool, RecordQueue::windowFor(*pool));
    size_t count = queue.add(text);
    return writeQueuedRecords(queue, count, *file_, recordSizes, textRecordStarts);
}

Verdict TempTextFile::appendQueued(RecordQueue& queue, size_t count, RecordBuffer& recordSizes) {
    if (!file_) {
        return Verdict::Failed;
    }
    return writeQueuedRecords(queue, count, *file_, recordSizes, nullptr);
}

} // namespace quillery
