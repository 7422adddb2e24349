#include "tdb/image_streams.h"

#include "framework/diagnostics.h"

#include <cstring>

namespace quillery {

void ImageStreams::placeIn(FileSystem& files, std::string path) {
    files_ = &files;
    path_ = std::move(path);
}

Verdict ImageStreams::append(const void* data, size_t size) {
    if (files_ == nullptr) {
        memory_.append(static_cast<const char*>(data), size);
        length_ += size;
        return Verdict::Ok;
    }
    if (!file_) {
        file_ = files_->createNew(path_);
        if (!file_) {
            reportError("Could not create file %s.", path_.c_str());
            return Verdict::Failed;
        }
    }
    // A failed write may have left part of the stream behind: the next one starts where this one did.
    if (file_->seek(length_) != 0 || file_->write(data, size) != 0) {
        reportError("An error occurred writing the file %s.", path_.c_str());
        return Verdict::Failed;
    }
    length_ += size;
    return Verdict::Ok;
}

bool ImageStreams::read(uint64_t offset, void* out, size_t size) const {
    if (offset > length_ || size > length_ - offset) {
        return false;
    }
    if (files_ == nullptr) {
        std::memcpy(out, memory_.data() + offset, size);
        return true;
    }
    size_t got = 0;
    return file_ && file_->seek(offset) == 0 && file_->read(out, size, &got) == 0 && got == size;
}

} // namespace quillery
