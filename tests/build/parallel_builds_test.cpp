// Two different builds on two threads of one process, each reporting into a sink of its own, give the same
// books and the same messages (texts, order and places) as the same builds one after the other.
#include "build/build_book.h"
#include "build/header_fields.h"
#include "tdb/book_format.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <latch>
#include <thread>

namespace quillery {
namespace {

struct BuildJob {
    std::string folder;
    std::string name; // of the source, without ".tml"
    uint32_t flags = 0;
};

struct BuildOutcome {
    Verdict verdict = Verdict::Failed;
    std::string book;
    std::vector<std::string> messages; // "W 6:1 text": level, place if any, text
    size_t placed = 0;                 // how many messages have a place

    bool operator==(const BuildOutcome&) const = default;
};

std::string describe(const test::CollectedReport& report) {
    std::string line = report.level == ReportLevel::Error     ? "E "
                       : report.level == ReportLevel::Warning ? "W "
                                                              : "N ";
    if (report.place) {
        line += std::to_string(report.place->line) + ":" + std::to_string(report.place->column) + " ";
    }
    return line + report.text;
}

BuildOutcome runJob(const BuildJob& job) {
    std::string sourcePath = job.folder + "/" + job.name + ".tml";
    std::string outputPath = job.folder + "/" + job.name + ".tdb";
    BookInfo info;
    readHeaderFields(sourcePath, info);
    FileService source(sourcePath);
    FileService output(outputPath);
    test::CollectingSink sink;
    BuildSettings settings;
    settings.diagnostics = &sink;
    BuildOutcome outcome;
    outcome.verdict = buildBook(&source, &output, info, job.flags, settings);
    outcome.book = test::readFile(outputPath);
    std::filesystem::remove(outputPath);
    for (const test::CollectedReport& report : sink.reports()) {
        outcome.messages.push_back(describe(report));
        outcome.placed += report.place ? 1 : 0;
    }
    return outcome;
}

// Sets an environment variable for the length of a test and puts the old value back.
class EnvironmentSetting {
  public:
    EnvironmentSetting(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        if (old != nullptr) {
            old_ = old;
        }
        ::setenv(name, value, 1);
    }
    ~EnvironmentSetting() { old_ ? (void)::setenv(name_, old_->c_str(), 1) : (void)::unsetenv(name_); }
    EnvironmentSetting(const EnvironmentSetting&) = delete;
    EnvironmentSetting& operator=(const EnvironmentSetting&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class ParallelBuildsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        const std::string golden = QUILLERY_TEST_DATA_DIR "/golden/";
        // A book with pictures, sidebars, footnotes and warnings at places in its text.
        fs::copy_file(golden + "generated1.tml", pictures.file("story.tml"));
        fs::create_directory(pictures.file("story_img"));
        fs::copy_file(QUILLERY_SAMPLES_DIR "/lighthouse_img/tower.png", pictures.file("story_img/tower.png"));
        // A dictionary, with two warnings at places of its own text.
        std::string dictionary = test::readFile(golden + "dictionary.tml");
        size_t sixthLine = 0;
        for (int line = 0; line < 5; ++line) {
            sixthLine = dictionary.find('\n', sixthLine) + 1;
        }
        dictionary.insert(sixthLine, "\\Iwordy " + std::string(90, 'x') +
                                         "\\I meaning a much too long entry\n"
                                         "Caf\\a233 \\Q=\"dup\" and \\Q=\"dup\" again\n");
        test::writeFile(words.file("words.tml"), dictionary);
    }

    test::ScratchDir pictures;
    test::ScratchDir words;
    EnvironmentSetting fixedClock{"SOURCE_DATE_EPOCH", "1780000000"};
    test::ReportCollector thisThread; // must stay empty: each build reports into its own sink
};

TEST_F(ParallelBuildsTest, TwoBuildsSideBySideGiveWhatTheyGiveOneAfterTheOther) {
    const BuildJob story{pictures.path(), "story", 0};
    const BuildJob dictionary{words.path(), "words", kFlagDictionary};
    const BuildOutcome storyAlone = runJob(story);
    const BuildOutcome dictionaryAlone = runJob(dictionary);
    ASSERT_EQ(Verdict::Ok, storyAlone.verdict) << ::testing::PrintToString(storyAlone.messages);
    ASSERT_EQ(Verdict::Ok, dictionaryAlone.verdict) << ::testing::PrintToString(dictionaryAlone.messages);
    ASSERT_FALSE(storyAlone.book.empty());
    ASSERT_FALSE(dictionaryAlone.book.empty());
    // Both give messages at places, so a place taken from the other build's text would show.
    EXPECT_GE(storyAlone.placed, 10u);
    EXPECT_EQ(2u, dictionaryAlone.placed);

    // A few rounds, each started at once on both threads, so that the builds overlap throughout.
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        BuildOutcome storySide;
        BuildOutcome dictionarySide;
        std::latch start(2);
        std::thread first([&] {
            start.arrive_and_wait();
            storySide = runJob(story);
        });
        std::thread second([&] {
            start.arrive_and_wait();
            dictionarySide = runJob(dictionary);
        });
        first.join();
        second.join();
        EXPECT_TRUE(storySide == storyAlone) << ::testing::PrintToString(storySide.messages);
        EXPECT_TRUE(dictionarySide == dictionaryAlone) << ::testing::PrintToString(dictionarySide.messages);
    }
    EXPECT_TRUE(thisThread.reports().empty());
    EXPECT_EQ((std::vector<std::string>{"story.tml", "story_img"}), pictures.entries());
    EXPECT_EQ((std::vector<std::string>{"words.tml"}), words.entries());
}

} // namespace
} // namespace quillery
