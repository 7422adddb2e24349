// The sidebar or footnote reference table: one entry per referenced name, each 16 bytes, the names kept back
// to back in blocks the table owns, so that a source with hundreds of thousands of references costs little
// more than its names.
#pragma once

#include "tdb/book_format.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// A name kept by a reference table: at most 255 bytes, followed by a NUL (it may hold NUL bytes of its own).
class RefName {
  public:
    size_t size() const { return at_ == nullptr ? 0 : static_cast<uint8_t>(at_[0]); }
    bool empty() const { return size() == 0; }
    const char* data() const { return at_ == nullptr ? "" : at_ + 1; }
    const char* c_str() const { return data(); }
    operator std::string_view() const { return {data(), size()}; }
    operator std::string() const { return std::string(data(), size()); }
    friend bool operator==(const RefName& name, std::string_view other) {
        return std::string_view(name) == other;
    }

  private:
    friend class RefTable;
    const char* at_ = nullptr; // the length byte, then the name and its NUL
};

// A sidebar or footnote reference.
struct RefEntry {
    RefName name;             // lowered, at most 255 bytes
    uint16_t recordCount = 0; // records of the body, set when the bodies are written
    uint32_t bodyStart = 0;   // offset of the body in the block section, set by resolution
};

class RefTable {
  public:
    RefTable() = default;
    RefTable(std::initializer_list<std::string_view> names) {
        for (std::string_view name : names) {
            add(name);
        }
    }
    // Entries point into the table's blocks, which a move keeps and a copy would not.
    RefTable(RefTable&&) = default;
    RefTable& operator=(RefTable&&) = default;
    RefTable(const RefTable&) = delete;
    RefTable& operator=(const RefTable&) = delete;

    // Appends an entry named by the first kMaxBlockNameLength (255) bytes of `name`.
    RefEntry& add(std::string_view name) {
        name = name.substr(0, kMaxBlockNameLength);
        size_t need = name.size() + 2;
        if (blocks_.empty() || used_ + need > kBlockSize) {
            blocks_.push_back(std::make_unique<char[]>(kBlockSize));
            used_ = 0;
        }
        char* at = blocks_.back().get() + used_;
        at[0] = static_cast<char>(name.size());
        std::memcpy(at + 1, name.data(), name.size());
        at[name.size() + 1] = '\0';
        used_ += need;
        entries_.emplace_back();
        entries_.back().name.at_ = at;
        return entries_.back();
    }
    void reserve(size_t entries) { entries_.reserve(entries); }
    void clear() {
        entries_.clear();
        blocks_.clear();
        used_ = 0;
    }

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    RefEntry& operator[](size_t at) { return entries_[at]; }
    const RefEntry& operator[](size_t at) const { return entries_[at]; }
    RefEntry& back() { return entries_.back(); }
    auto begin() { return entries_.begin(); }
    auto end() { return entries_.end(); }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

  private:
    static constexpr size_t kBlockSize = 64 * 1024;
    std::vector<RefEntry> entries_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = 0; // of the last block
};

} // namespace quillery
