// Builds whose text records are compressed on a thread pool give the very books and messages of the builds
// that compress on the calling thread alone, whatever the number of workers.
#include "build/build_book.h"
#include "build/header_fields.h"
#include "framework/thread_pool.h"
#include "tdb/book_format.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace quillery {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    Verdict verdict = Verdict::Failed;
    std::string book;
    std::vector<std::string> messages;
};

// A file whose every write fails, as on a full disk.
class FullFile : public FileService {
  public:
    using FileService::FileService;
    int write(const void*, size_t) override { return 1; }
};

// The real file system, except that the file at `fullPath` cannot be written.
class FullAt : public FileSystem {
  public:
    std::unique_ptr<FileService> createNew(const std::string& path) override {
        if (path != fullPath) {
            return FileSystem::createNew(path);
        }
        auto file = std::make_unique<FullFile>(path);
        return file->createNew() == 0 ? std::move(file) : nullptr;
    }
    std::string fullPath;
};

Outcome build(const std::string& folder, const std::string& name, uint32_t flags, ThreadPool* pool,
              FileSystem* files = nullptr) {
    std::string sourcePath = folder + "/" + name + ".tml";
    std::string outputPath = folder + "/" + name + ".tdb";
    BookInfo info;
    readHeaderFields(sourcePath, info);
    FileService source(sourcePath);
    FileService output(outputPath);
    test::CollectingSink sink;
    BuildSettings settings;
    settings.diagnostics = &sink;
    settings.pool = pool;
    settings.files = files;
    Outcome outcome;
    outcome.verdict = buildBook(&source, &output, info, flags, settings);
    outcome.book = test::readFile(outputPath);
    fs::remove(outputPath);
    for (const test::CollectedReport& report : sink.reports()) {
        std::string place =
            report.place ? std::to_string(report.place->line) + ":" + std::to_string(report.place->column)
                         : "";
        outcome.messages.push_back(std::to_string(static_cast<int>(report.level)) + " " + place + " " +
                                   report.text);
    }
    return outcome;
}

class PooledBuildTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string golden = QUILLERY_TEST_DATA_DIR "/golden/";
        for (const char* name : {"generated0", "generated1", "dictionary"}) {
            fs::copy_file(golden + name + ".tml", scratch.file(std::string(name) + ".tml"));
        }
        fs::copy_file(QUILLERY_SAMPLES_DIR "/lighthouse.tml", scratch.file("lighthouse.tml"));
        fs::copy(QUILLERY_SAMPLES_DIR "/lighthouse_img", scratch.file("lighthouse_img"));
        for (const char* name : {"generated0", "generated1", "long"}) {
            fs::create_directory(scratch.file(std::string(name) + "_img"));
            fs::copy_file(QUILLERY_SAMPLES_DIR "/lighthouse_img/tower.png",
                          scratch.file(std::string(name) + "_img/tower.png"));
        }
        // Many records: the story with plenty of plain text after its own, and a sidebar long enough for
        // several records of its own.
        std::string story = test::readFile(golden + "generated1.tml");
        size_t blocks = story.find("<footnote id=");
        ASSERT_NE(std::string::npos, blocks);
        std::string plain;
        const char* words[] = {"keeper ", "walked ",    "toward ",    "the ",
                               "storm\n", "Caf\\a233 ", "\\b sea\\b "};
        for (size_t k = 0; plain.size() < 300000; ++k) {
            plain += words[(k * 7 + k / 5) % 7];
        }
        std::string section = story.substr(blocks);
        section.replace(section.find("Side 0 "), 7, plain.substr(0, 40000));
        test::writeFile(scratch.file("long.tml"), story.substr(0, blocks) + plain + section);
    }

    void TearDown() override {
        oldEpoch ? (void)::setenv("SOURCE_DATE_EPOCH", oldEpoch->c_str(), 1)
                 : (void)::unsetenv("SOURCE_DATE_EPOCH");
    }

    test::ScratchDir scratch;
    // The books are compared whole, so their dates must not follow the clock.
    std::optional<std::string> oldEpoch = [] {
        const char* old = std::getenv("SOURCE_DATE_EPOCH");
        ::setenv("SOURCE_DATE_EPOCH", "1780000000", 1);
        return old ? std::optional<std::string>(old) : std::nullopt;
    }();
};

TEST_F(PooledBuildTest, EveryBookAndMessageIsTheOneOfTheOneThreadBuild) {
    struct Source {
        const char* name;
        uint32_t flags;
    };
    const Source sources[] = {{"lighthouse", 0},
                              {"generated0", 0},
                              {"generated1", 0},
                              {"dictionary", kFlagDictionary},
                              {"long", 0}};
    ThreadPool none(0);
    ThreadPool one(1);
    ThreadPool three(3);
    for (const Source& source : sources) {
        SCOPED_TRACE(source.name);
        Outcome alone = build(scratch.path(), source.name, source.flags, nullptr);
        ASSERT_EQ(Verdict::Ok, alone.verdict) << ::testing::PrintToString(alone.messages);
        ASSERT_FALSE(alone.book.empty());
        for (ThreadPool* pool : {&none, &one, &three}) {
            SCOPED_TRACE(pool->workerCount());
            Outcome pooled = build(scratch.path(), source.name, source.flags, pool);
            EXPECT_EQ(alone.verdict, pooled.verdict);
            EXPECT_TRUE(alone.book == pooled.book) << "the books differ";
            EXPECT_EQ(alone.messages, pooled.messages);
        }
    }
}

// A temporary file that cannot be written ends the build with the same messages: when it is the main text's,
// the pagination that ran beside its compression says nothing.
TEST_F(PooledBuildTest, AFailedTemporaryFileEndsTheBuildWithTheSameMessages) {
    ThreadPool two(2);
    for (const char* kind : {".tmp", ".sid", ".ftn"}) {
        SCOPED_TRACE(kind);
        FullAt files;
        files.fullPath = scratch.file(std::string("long.tml") + kind);
        Outcome alone = build(scratch.path(), "long", 0, nullptr, &files);
        Outcome pooled = build(scratch.path(), "long", 0, &two, &files);
        EXPECT_EQ(Verdict::Failed, alone.verdict);
        EXPECT_EQ(Verdict::Failed, pooled.verdict);
        EXPECT_TRUE(pooled.book.empty());
        EXPECT_EQ(alone.messages, pooled.messages);
        EXPECT_NE(alone.messages.end(),
                  std::find(alone.messages.begin(), alone.messages.end(),
                            "2  An error occurred writing the file " + files.fullPath + "."));
    }
    EXPECT_EQ((std::vector<std::string>{"dictionary.tml", "generated0.tml", "generated0_img",
                                        "generated1.tml", "generated1_img", "lighthouse.tml",
                                        "lighthouse_img", "long.tml", "long_img"}),
              scratch.entries());
}

} // namespace
} // namespace quillery
