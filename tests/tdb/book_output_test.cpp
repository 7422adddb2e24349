// The book's file: how the writer creates, fills and names it, and how it fails.
#include "book_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace quillery {
namespace {

using test::BookFixture;

// The real file system, with a book file that can fail at one chosen step and an observer of every write;
// writes before a failure reach the disk.
class FailingFiles : public FileSystem {
  public:
    enum class Step { None, Create, Write, Sync, Close, Rename };

    class Book : public FileService {
      public:
        Book(std::string path, FailingFiles& owner) : FileService(std::move(path)), owner_(owner) {}
        int write(const void* data, size_t length) override {
            if (owner_.step != Step::Write) {
                int result = FileService::write(data, length);
                owner_.written += length;
                if (owner_.onWrite) {
                    owner_.onWrite(owner_.written);
                }
                return result;
            }
            size_t now = std::min(length, owner_.writable);
            owner_.writable -= now;
            int result = FileService::write(data, now);
            return now < length ? 1 : result;
        }
        int sync() override { return owner_.step == Step::Sync ? 1 : FileService::sync(); }
        int close() override {
            int result = FileService::close();
            return owner_.step == Step::Close && result == 0 && !closedOnce_++ ? 1 : result;
        }

      private:
        FailingFiles& owner_;
        int closedOnce_ = 0;
    };

    std::unique_ptr<FileService> createHidden(const std::string& folder) override {
        if (step == Step::Create) {
            return nullptr;
        }
        auto book = std::make_unique<Book>(folder + "/.book-in-progress", *this);
        if (book->createNew() != 0) {
            return nullptr;
        }
        return book;
    }
    int rename(const std::string& from, const std::string& to, bool replace) override {
        return step == Step::Rename ? 1 : FileSystem::rename(from, to, replace);
    }

    Step step = Step::None;
    size_t writable = 0;
    uint64_t written = 0;
    std::function<void(uint64_t)> onWrite;
};

// What the writer leaves in the fixture's folder besides its own temporary files.
std::vector<std::string> leftOver(const BookFixture& fixture) {
    std::vector<std::string> names;
    for (const std::string& name : fixture.dir.entries()) {
        if (name.rfind("book.tml.", 0) != 0) {
            names.push_back(name);
        }
    }
    return names;
}

TEST(BookWriterTest, EveryWriteFailureIsReportedAndLeavesNoFile) {
    BookFixture fixture;
    fixture.setText(test::sampleText(100000));
    fixture.tables.smallPages = fixture.pages(2000);
    fixture.setBlocks(true, {{"note", "A sidebar."}});
    std::string good = fixture.write();
    ASSERT_FALSE(good.empty());
    ASSERT_EQ(std::remove(fixture.outputPath().c_str()), 0);
    const std::string expected = "E An error occurred writing the file " + fixture.outputPath() + ".";

    struct Case {
        FailingFiles::Step step;
        size_t writable;
    };
    std::vector<Case> cases = {{FailingFiles::Step::Create, 0},
                               {FailingFiles::Step::Sync, 0},
                               {FailingFiles::Step::Close, 0},
                               {FailingFiles::Step::Rename, 0},
                               {FailingFiles::Step::Write, 0},
                               {FailingFiles::Step::Write, 100},
                               {FailingFiles::Step::Write, good.size() / 2},
                               {FailingFiles::Step::Write, good.size() - 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "step " << static_cast<int>(c.step) << ", " << c.writable << " bytes");
        FailingFiles files;
        files.step = c.step;
        files.writable = c.writable;
        BookWriterInput input = fixture.input(files);
        test::ReportCollector reports;
        EXPECT_TRUE(failed(writeBook(input)));
        EXPECT_EQ(reports.lines(), std::vector<std::string>{expected});
        EXPECT_EQ(leftOver(fixture), std::vector<std::string>{});
    }

    // Enough room for every byte: the book is whole.
    FailingFiles files;
    files.step = FailingFiles::Step::Write;
    files.writable = good.size();
    BookWriterInput input = fixture.input(files);
    EXPECT_FALSE(failed(writeBook(input)));
    EXPECT_EQ(test::readFile(fixture.outputPath()), good);
    EXPECT_EQ(leftOver(fixture), std::vector<std::string>{"book.tdb"});
}

// Whenever the writer might be stopped, the output path holds no book or a complete one: here the old book
// stays whole until the new one replaces it in one step.
TEST(BookWriterTest, TheOutputPathNeverHoldsAPartialBook) {
    BookFixture fixture;
    fixture.setText(test::sampleText(300000));
    fixture.tables.smallPages = fixture.pages(3000);
    fixture.addImage("wide.png", 10, 10, test::fakePng(10, 10, 150000));
    fixture.tables.largePages = fixture.pages(1500);
    fixture.setBlocks(false, {{"a", test::sampleText(20000)}});
    std::string good = fixture.write();
    ASSERT_GT(good.size(), 200000u);
    test::writeFile(fixture.outputPath(), "the old book");

    FailingFiles files;
    int looks = 0;
    files.onWrite = [&](uint64_t written) {
        ++looks;
        EXPECT_EQ(test::readFile(fixture.outputPath()), "the old book") << "after " << written << " bytes";
    };
    BookWriterInput input = fixture.input(files);
    EXPECT_FALSE(failed(writeBook(input)));
    EXPECT_GT(looks, 2);
    EXPECT_EQ(test::readFile(fixture.outputPath()), good);

    // Stopped at any of many byte counts, the writer leaves the output as it was and no unfinished book.
    for (size_t stop = 0; stop < good.size(); stop += good.size() / 37 + 1) {
        SCOPED_TRACE(stop);
        test::writeFile(fixture.outputPath(), "the old book");
        FailingFiles failing;
        failing.step = FailingFiles::Step::Write;
        failing.writable = stop;
        test::ReportCollector reports;
        EXPECT_TRUE(failed(writeBook(fixture.input(failing))));
        EXPECT_EQ(test::readFile(fixture.outputPath()), "the old book");
        EXPECT_EQ(leftOver(fixture), std::vector<std::string>{"book.tdb"});
    }
}

TEST(BookWriterTest, TempFilesThatCannotBeCopiedWholeAreWriteFailures) {
    BookFixture fixture;
    fixture.setText(test::sampleText(20000));
    fixture.setBlocks(false, {{"a", "A footnote body."}});
    const std::string expected = "E An error occurred writing the file " + fixture.outputPath() + ".";
    std::string footnotes = test::readFile(fixture.dir.file("book.tml.ftn"));

    ASSERT_EQ(fixture.footnoteTemp->setSize(footnotes.size() - 1), 0);
    test::ReportCollector reports;
    EXPECT_EQ(fixture.write(), "");
    EXPECT_EQ(reports.lines(), std::vector<std::string>{expected});
    EXPECT_FALSE(test::fileExists(fixture.outputPath()));

    fixture.textTemp.reset();
    reports.clear();
    EXPECT_EQ(fixture.write(), "");
    EXPECT_EQ(reports.lines(), std::vector<std::string>{expected});
    EXPECT_FALSE(test::fileExists(fixture.outputPath()));
}

// The converted images are read back from the file they were stored in; one that no longer holds them all
// fails the book like any other temporary file.
TEST(BookWriterTest, ImageStreamsThatCannotBeReadBackAreWriteFailures) {
    BookFixture fixture;
    const std::string streams = fixture.dir.file("book.tml.img");
    fixture.tables.images.streams.placeIn(systemFileSystem(), streams);
    fixture.addImage("cover.png", 10, 10);
    fixture.addImage("map.png", 4, 3);
    std::string good = fixture.write();
    ASSERT_FALSE(good.empty());
    EXPECT_NE(good.find(test::fakePng(4, 3)), std::string::npos);

    ASSERT_EQ(::truncate(streams.c_str(), static_cast<off_t>(fixture.tables.images.streams.length() - 1)), 0);
    test::ReportCollector reports;
    EXPECT_EQ(fixture.write(), "");
    EXPECT_EQ(reports.lines(),
              std::vector<std::string>{"E An error occurred writing the file " + fixture.outputPath() + "."});
    EXPECT_FALSE(test::fileExists(fixture.outputPath()));
}

// The temporary files are read through the objects the driver made them with, from their start, whatever
// now lies at their names.
TEST(BookWriterTest, TempFilesAreReadThroughTheirObjectsNotTheirNames) {
    BookFixture fixture;
    fixture.setText(test::sampleText(30000));
    fixture.setBlocks(true, {{"note", "A sidebar."}});
    std::string good = fixture.write();
    ASSERT_FALSE(good.empty());
    test::writeFile(fixture.dir.file("secret"), std::string(40000, 'S'));
    for (const char* name : {"book.tml.tmp", "book.tml.sid"}) {
        ASSERT_EQ(std::remove(fixture.dir.file(name).c_str()), 0);
        ASSERT_EQ(::symlink(fixture.dir.file("secret").c_str(), fixture.dir.file(name).c_str()), 0);
    }
    EXPECT_EQ(fixture.write(), good);
    EXPECT_EQ(test::readFile(fixture.dir.file("secret")), std::string(40000, 'S'));
}

TEST(BookWriterTest, AnOutputThatAppearedIsReplacedOnlyWhenThatIsAllowed) {
    BookFixture fixture;
    std::string good = fixture.write();
    ASSERT_FALSE(good.empty());
    test::writeFile(fixture.outputPath(), "someone else's");
    BookWriterInput input = fixture.input();
    input.replaceOutput = false;
    test::ReportCollector reports;
    EXPECT_TRUE(failed(writeBook(input)));
    EXPECT_EQ(reports.lines(),
              std::vector<std::string>{"E An error occurred writing the file " + fixture.outputPath() + "."});
    EXPECT_EQ(test::readFile(fixture.outputPath()), "someone else's");
    EXPECT_EQ(leftOver(fixture), std::vector<std::string>{"book.tdb"});

    input.replaceOutput = true;
    EXPECT_FALSE(failed(writeBook(input)));
    EXPECT_EQ(test::readFile(fixture.outputPath()), good);
}

// The book gets the mode a plain create gives, and its temporary name is short and hidden, so it fits beside
// an output name of 255 bytes.
TEST(BookWriterTest, TheBookHasThePlainCreateModeAndAnOutputNameMayBeLong) {
    BookFixture fixture;
    std::string good = fixture.write();
    for (mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0}}) {
        mode_t old = ::umask(mask);
        BookWriterInput input = fixture.input();
        input.outputPath = fixture.dir.file(std::string(251, 'n') + ".tdb");
        std::remove(input.outputPath.c_str());
        EXPECT_FALSE(failed(writeBook(input)));
        ::umask(old);
        struct stat info {};
        ASSERT_EQ(::stat(input.outputPath.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
        EXPECT_EQ(test::readFile(input.outputPath), good);
    }
}

} // namespace
} // namespace quillery
