#include "tdb/book_plan.h"

namespace quillery {
namespace {

// Measures the records it is given and keeps none of their bytes.
class RecordCounter final : public RecordSink {
  public:
    explicit RecordCounter(std::vector<uint32_t>& sizes) : sizes_(sizes) {}

    void beginRecord() override { sizes_.push_back(0); }
    bool put(const void*, size_t length) override {
        add(length);
        return true;
    }
    bool putStored(const StoredRecords& records) override {
        for (size_t i = 1; i < records.sizes.count(); ++i) {
            beginRecord();
            add(records.sizes.u32At(i));
        }
        return true;
    }
    bool putImageStream(const ImageStreams&, uint32_t, uint32_t size) override {
        add(size);
        return true;
    }
    // A record whose bytes are made once the plan is known.
    void addRecord(size_t size) {
        beginRecord();
        add(size);
    }
    uint64_t bytes() const { return bytes_; }

  private:
    void add(uint64_t length) {
        sizes_.back() += static_cast<uint32_t>(length);
        bytes_ += length;
    }

    std::vector<uint32_t>& sizes_;
    uint64_t bytes_ = 0; // all records, counted wide: a book past the limit is seen whatever its records
};

} // namespace

BookPlan planBook(const BookSource& book) {
    BookPlan plan;
    std::vector<uint32_t>& sizes = plan.recordSizes;
    RecordCounter counter(sizes);
    counter.addRecord(kBookHeaderSize);
    // Counting cannot fail.
    (void)putTextRecords(book, counter);
    plan.textRecords = sizes.size() - 1;
    for (size_t section = 0; section < kSectionCount; ++section) {
        plan.firstRecord[section] = sizes.size();
        (void)putSection(static_cast<BookSection>(section), book, counter);
        plan.sectionRecords[section] = sizes.size() - plan.firstRecord[section];
    }
    counter.addRecord(kMarkerRecord.size());
    plan.bookSize = firstRecordOffset(sizes.size()) + counter.bytes();
    return plan;
}

} // namespace quillery
