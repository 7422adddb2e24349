#include "epub/epub_archive.h"

#include <sys/stat.h>
#include <zip.h>

namespace quillery::epub {
namespace {

constexpr size_t kChunk = 64 * 1024;

bool isLink(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) {
        return false;
    }
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

} // namespace

bool isSafeEntryName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string_view::npos) {
        return false;
    }
    size_t slash = name.find('/');
    if (name.substr(0, slash).find(':') != std::string_view::npos) {
        return false; // a drive or a scheme
    }
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    while (!name.empty()) {
        size_t end = name.find('/');
        std::string_view part = name.substr(0, end);
        if (part == ".." || part == ".") {
            return false;
        }
        if (end == std::string_view::npos) {
            break;
        }
        name.remove_prefix(end + 1);
    }
    return true;
}

EpubArchive::~EpubArchive() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
    }
}

bool EpubArchive::open(std::string_view bytes) {
    if (bytes.size() < 4 || bytes.substr(0, 2) != "PK") {
        return false; // not even the start of a ZIP archive
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        return false;
    }
    archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (archive_ == nullptr) {
        zip_source_free(source);
        return false;
    }
    zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t k = 0; k < count; ++k) {
        auto index = static_cast<zip_uint64_t>(k);
        const char* name = zip_get_name(archive_, index, ZIP_FL_ENC_GUESS);
        if (name == nullptr) {
            continue;
        }
        std::string entry(name);
        if (!entry.empty() && entry.back() == '/') {
            continue; // a folder
        }
        if (!isSafeEntryName(entry) || isLink(archive_, index)) {
            unsafe_.push_back(entry);
            continue;
        }
        entries_.emplace(entry, index); // the first of two equal names wins
    }
    return true;
}

EntryRead EpubArchive::read(const std::string& name, std::string& out) {
    out.clear();
    auto found = entries_.find(name);
    if (found == entries_.end()) {
        return EntryRead::Missing;
    }
    zip_file_t* file = zip_fopen_index(archive_, found->second, 0);
    if (file == nullptr) {
        return EntryRead::Broken;
    }
    EntryRead result = EntryRead::Ok;
    char chunk[kChunk];
    for (;;) {
        zip_int64_t got = zip_fread(file, chunk, sizeof chunk);
        if (got < 0) {
            result = EntryRead::Broken;
            break;
        }
        if (got == 0) {
            break;
        }
        auto size = static_cast<size_t>(got);
        if (out.size() + size > limits_.entryBytes || total_ + size > limits_.totalBytes) {
            result = EntryRead::TooLarge;
            break;
        }
        out.append(chunk, size);
        total_ += size;
    }
    zip_fclose(file);
    if (result != EntryRead::Ok) {
        out.clear();
    }
    return result;
}

} // namespace quillery::epub
