// Golden books: the sample and a set of generated sources (every common tag, images, sidebars, footnotes, a
// dictionary) must build into exactly the stored books. Any change to the bytes of a book shows up here; when
// a change is meant, rebuild the stored books with QUILLERY_UPDATE_GOLDEN=1 and say why in the commit.
#include "cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillery::test {
namespace {

struct GoldenBook {
    const char* folder; // where the source lives
    const char* name;   // the source's name without ".tml"
    const char* options;
};

const std::string kGoldenDir = QUILLERY_TEST_DATA_DIR "/golden";

// Builds one source in a scratch folder beside a copy of the sample's picture, as an author would.
std::string buildGolden(const ScratchDir& scratch, const GoldenBook& book) {
    namespace fs = std::filesystem;
    std::string source = std::string(book.folder) + "/" + book.name + ".tml";
    fs::copy_file(source, scratch.file(std::string(book.name) + ".tml"));
    fs::create_directory(scratch.file(std::string(book.name) + "_img"));
    fs::copy_file(QUILLERY_SAMPLES_DIR "/lighthouse_img/tower.png",
                  scratch.file(std::string(book.name) + "_img/tower.png"));
    CliRun run = runCli(std::string(book.options) + " " + scratch.file(std::string(book.name) + ".tml"),
                        "SOURCE_DATE_EPOCH=1780000000");
    EXPECT_EQ(run.status, 0) << run.err;
    return readFile(scratch.file(std::string(book.name) + ".tdb"));
}

TEST(GoldenBooksTest, EveryBookIsByteForByteTheStoredOne) {
    const GoldenBook books[] = {
        {QUILLERY_SAMPLES_DIR, "lighthouse", ""},
        {kGoldenDir.c_str(), "generated0", ""},
        {kGoldenDir.c_str(), "generated1", ""},
        {kGoldenDir.c_str(), "dictionary", "--dictionary"},
    };
    bool update = std::getenv("QUILLERY_UPDATE_GOLDEN") != nullptr;
    for (const GoldenBook& book : books) {
        SCOPED_TRACE(book.name);
        ScratchDir scratch;
        std::string built = buildGolden(scratch, book);
        std::string stored = kGoldenDir + "/" + book.name + ".tdb";
        if (update) {
            writeFile(stored, built);
        }
        ASSERT_FALSE(built.empty());
        EXPECT_TRUE(built == readFile(stored)) << "the book differs from " << stored;
    }
}

} // namespace
} // namespace quillery::test
