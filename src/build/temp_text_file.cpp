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

Verdict TempTextFile::append(std::string_view text, RecordBuffer& recordSizes,
                             RecordBuffer* textRecordStarts) {
    if (!file_) {
        return Verdict::Failed;
    }
    return compressTextRecords(text, *file_, recordSizes, textRecordStarts, compressor_);
}

} // namespace quillery
