#include "tdb/book_output.h"

#include "framework/interrupt_cleanup.h"

#include <algorithm>
#include <cstring>

namespace quillery {
namespace {

constexpr size_t kOutputBufferSize = 65536;
constexpr size_t kCopyBlockSize = 16384;

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

BookOutput::BookOutput(FileSystem& files, std::string path, bool replace)
    : files_(files), path_(std::move(path)), replace_(replace),
      buffer_(std::make_unique_for_overwrite<uint8_t[]>(kOutputBufferSize)) {}

BookOutput::~BookOutput() {
    discard();
}

bool BookOutput::create() {
    auto held = InterruptCleanup::hold();
    out_ = files_.createHidden(folderOf(path_));
    if (out_) {
        InterruptCleanup::addFile(out_->path());
    }
    return out_ != nullptr;
}

bool BookOutput::put(const void* bytes, size_t length) {
    written_ += length;
    if (length <= kOutputBufferSize - pending_) {
        if (length > 0) {
            std::memcpy(buffer_.get() + pending_, bytes, length);
            pending_ += length;
        }
        return true;
    }
    if (!flush()) {
        return false;
    }
    if (length >= kOutputBufferSize) {
        return out_->write(bytes, length) == 0;
    }
    std::memcpy(buffer_.get(), bytes, length);
    pending_ = length;
    return true;
}

bool BookOutput::flush() {
    if (pending_ == 0) {
        return true;
    }
    bool ok = out_->write(buffer_.get(), pending_) == 0;
    pending_ = 0;
    return ok;
}

bool BookOutput::putStored(const StoredRecords& records) {
    uint64_t bytes = 0;
    for (size_t i = 1; i < records.sizes.count(); ++i) {
        bytes += records.sizes.u32At(i);
    }
    return copyFile(records.file, bytes);
}

// The first `bytes` bytes of the file, read from its start; a file that is not open or holds fewer fails.
bool BookOutput::copyFile(FileService& file, uint64_t bytes) {
    if (bytes == 0) {
        return true;
    }
    if (file.seek(0) != 0) {
        return false;
    }
    scratch_.resize(kCopyBlockSize);
    while (bytes > 0) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(bytes, scratch_.size()));
        size_t got = 0;
        if (file.read(scratch_.data(), want, &got) != 0 || got != want || !put(scratch_.data(), want)) {
            return false;
        }
        bytes -= want;
    }
    return true;
}

bool BookOutput::putImageStream(const ImageStreams& streams, uint32_t offset, uint32_t size) {
    scratch_.resize(size);
    return streams.read(offset, scratch_.data(), size) && put(scratch_.data(), size);
}

// What reaches the name must be the file this writer made: should someone have put a link at the hidden
// name, the link is removed again.
bool BookOutput::publish() {
    if (!flush() || out_->sync() != 0) {
        return false;
    }
    auto held = InterruptCleanup::hold();
    if (files_.rename(out_->path(), path_, replace_) != 0) {
        return false;
    }
    if (!out_->isOpenAt(path_)) {
        (void)files_.removeIfPresent(path_);
        return false;
    }
    InterruptCleanup::dropFile(out_->path());
    if (out_->close() != 0) {
        (void)files_.removeIfPresent(path_);
        out_.reset();
        return false;
    }
    out_.reset();
    // The book is whole under its name; making the rename itself durable is the file system's best effort.
    (void)files_.syncFolder(folderOf(path_));
    return true;
}

void BookOutput::discard() {
    if (!out_) {
        return;
    }
    (void)out_->close();
    auto held = InterruptCleanup::hold();
    (void)files_.removeIfPresent(out_->path());
    InterruptCleanup::dropFile(out_->path());
    out_.reset();
}

} // namespace quillery
