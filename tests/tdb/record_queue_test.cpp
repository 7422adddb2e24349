// Records compressed ahead on a pool are the records of the one-thread compression, with the same lists, the
// same file and the same messages, also when a piece cannot be compressed.
#include "tdb/record_queue.h"
#include "tdb/text_records.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quillery {
namespace {

// zlib, except that a piece holding '#' does not fit. Stateless, so it may run on several threads.
class RefusingCompressor final : public Compressor {
  public:
    bool compress(const uint8_t* source, size_t sourceLength, uint8_t* destination,
                  size_t* destinationLength) override {
        if (std::memchr(source, '#', sourceLength) != nullptr) {
            return false;
        }
        return zlib_.compress(source, sourceLength, destination, destinationLength);
    }

  private:
    ZlibCompressor zlib_;
};

struct Stored {
    Verdict verdict = Verdict::Failed;
    std::vector<uint32_t> starts;
    std::vector<uint32_t> sizes;
    std::string file;
    std::vector<std::string> messages;
};

// Stores `texts` one after the other into one file, the first as a main text, the others as bodies.
Stored store(const std::vector<std::string>& texts, ThreadPool* pool) {
    test::ScratchDir dir;
    FileService file(dir.file("text.tmp"));
    EXPECT_EQ(0, file.createFile());
    EXPECT_EQ(0, file.open(FileService::Mode::ReadWrite));
    RecordBuffer starts(4);
    RecordBuffer sizes(4);
    RefusingCompressor compressor;
    test::ReportCollector reports;
    Stored stored;
    stored.verdict = Verdict::Ok;
    std::optional<RecordQueue> queue;
    std::vector<size_t> counts;
    if (pool) {
        queue.emplace(compressor, *pool, 3);
        for (const std::string& text : texts) {
            counts.push_back(queue->add(text));
        }
    }
    for (size_t k = 0; k < texts.size() && stored.verdict == Verdict::Ok; ++k) {
        RecordBuffer* mainStarts = k == 0 ? &starts : nullptr;
        stored.verdict = pool ? writeQueuedRecords(*queue, counts[k], file, sizes, mainStarts)
                              : compressTextRecords(texts[k], file, sizes, mainStarts, compressor);
    }
    EXPECT_EQ(0, file.close());
    for (size_t i = 0; i < starts.count(); ++i) {
        stored.starts.push_back(starts.u32At(i));
    }
    for (size_t i = 0; i < sizes.count(); ++i) {
        stored.sizes.push_back(sizes.u32At(i));
    }
    stored.file = test::readFile(dir.file("text.tmp"));
    stored.messages = reports.lines();
    return stored;
}

std::string words(size_t length, uint32_t seed) {
    std::string text;
    while (text.size() < length) {
        seed = seed * 1103515245 + 12345;
        text += (seed >> 16) % 9 == 0 ? "\\b tag\\b " : (seed >> 16) % 5 == 0 ? "line\n" : "word ";
    }
    text.resize(length);
    return text;
}

TEST(RecordQueueTest, GivesTheRecordsAndMessagesOfTheOneThreadCompression) {
    std::string failing = words(60000, 3);
    failing[30000] = '#';
    const std::vector<std::vector<std::string>> cases = {
        {words(100000, 1), words(20000, 2), "", words(100, 4)},
        {words(8192, 5), words(8193, 6)},
        {words(50000, 7), failing, words(9000, 8)},
        {failing},
    };
    ThreadPool none(0);
    ThreadPool two(2);
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        Stored alone = store(cases[c], nullptr);
        for (ThreadPool* pool : {&none, &two}) {
            Stored queued = store(cases[c], pool);
            EXPECT_EQ(alone.verdict, queued.verdict);
            EXPECT_EQ(alone.starts, queued.starts);
            EXPECT_EQ(alone.sizes, queued.sizes);
            EXPECT_TRUE(alone.file == queued.file);
            EXPECT_EQ(alone.messages, queued.messages);
        }
    }
    EXPECT_EQ(Verdict::Failed, store(cases[3], nullptr).verdict);
}

} // namespace
} // namespace quillery
