// A file system for the files a build makes, kept in memory: nothing reaches the disk and nothing is flushed.
// Removing a name also removes it from the disk, since the build's file check makes its probe there.
#pragma once

#include "framework/file_system.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace quillery {

class MemoryFileSystem : public FileSystem {
  public:
    using Bytes = std::shared_ptr<std::string>;

    class File : public FileService {
      public:
        File(std::string path, MemoryFileSystem& owner, Bytes bytes)
            : FileService(std::move(path)), owner_(owner), bytes_(std::move(bytes)) {}
        int read(void* buffer, size_t length, size_t* done) override {
            size_t left = at_ < bytes_->size() ? bytes_->size() - at_ : 0;
            *done = std::min(length, left);
            std::memcpy(buffer, bytes_->data() + at_, *done);
            at_ += *done;
            return 0;
        }
        int write(const void* data, size_t length) override {
            if (bytes_->size() < at_ + length) {
                bytes_->resize(at_ + length);
            }
            std::memcpy(bytes_->data() + at_, data, length);
            at_ += length;
            return 0;
        }
        int size(uint64_t* bytes) const override {
            *bytes = bytes_->size();
            return 0;
        }
        int setSize(uint64_t bytes) override {
            bytes_->resize(bytes);
            return 0;
        }
        int position(uint64_t* offset) const override {
            *offset = at_;
            return 0;
        }
        int seek(uint64_t offset) override {
            at_ = offset;
            return 0;
        }
        int close() override { return 0; }
        int sync() override { return 0; }
        bool isOpenAt(const std::string& path) const override {
            auto found = owner_.files.find(path);
            return found != owner_.files.end() && found->second == bytes_;
        }

      private:
        MemoryFileSystem& owner_;
        Bytes bytes_;
        size_t at_ = 0;
    };

    std::unique_ptr<FileService> createNew(const std::string& path) override {
        if (files.count(path) != 0) {
            return nullptr;
        }
        Bytes bytes = std::make_shared<std::string>();
        files[path] = bytes;
        return std::make_unique<File>(path, *this, bytes);
    }
    std::unique_ptr<FileService> createHidden(const std::string& folder) override {
        return createNew(folder + "/.quillery-" + std::to_string(++hiddenCount_));
    }
    int removeIfPresent(const std::string& path) override {
        files.erase(path);
        (void)::unlink(path.c_str());
        return 0;
    }
    int rename(const std::string& from, const std::string& to, bool replace) override {
        auto found = files.find(from);
        if (found == files.end() || (!replace && files.count(to) != 0)) {
            return 1;
        }
        Bytes bytes = found->second;
        files.erase(found);
        files[to] = bytes;
        return 0;
    }
    int syncFolder(const std::string&) override { return 0; }

    std::map<std::string, Bytes> files;

  private:
    unsigned hiddenCount_ = 0;
};

} // namespace quillery
