// quillery-cli stopped in the middle of a large build: by SIGKILL (a crash), by SIGINT and by SIGTERM.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillery {
namespace {

using Clock = std::chrono::steady_clock;

// A source large enough that a debug build takes a good fraction of a second.
std::string largeSource() {
    static const char* const kWords[] = {"lamp", "gull", "tide", "heather", "granite", "keeper", "letter"};
    std::string text = "TITLE=\"Big\"\n";
    unsigned state = 1;
    for (int chapter = 0; chapter < 60; ++chapter) {
        text += "\\C0=\"Chapter " + std::to_string(chapter) + "\"\n";
        for (int word = 0; word < 4000; ++word) {
            state = state * 1103515245u + 12345u;
            text += kWords[(state >> 16) % 7];
            text += ' ';
        }
        text += "\\Fn=\"f" + std::to_string(chapter) + "\"note\\Fn\n";
    }
    for (int chapter = 0; chapter < 60; ++chapter) {
        text += "<footnote id=\"f" + std::to_string(chapter) + "\">A footnote.</footnote>\n";
    }
    return text;
}

// Starts quillery-cli with `arguments` in `folder`, with SOURCE_DATE_EPOCH fixed and TMPDIR set.
pid_t startCli(const std::vector<std::string>& arguments, const std::string& folder, const std::string& tmp) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) {
            ::_exit(99);
        }
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::setenv("SOURCE_DATE_EPOCH", "1780000000", 1);
        ::setenv("TMPDIR", tmp.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(QUILLERY_CLI_PATH)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(QUILLERY_CLI_PATH, argv.data());
        ::_exit(98);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

class InterruptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.file("tmp"));
        std::filesystem::create_directory(dir.file("work"));
        test::writeFile(dir.file("work/big.tml"), largeSource());
        // One whole build: the book every stopped build must either not have or have whole, and its time.
        auto start = Clock::now();
        int status = waitFor(startCli({"big.tml"}, dir.file("work"), dir.file("tmp")));
        duration = Clock::now() - start;
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        book = test::readFile(dir.file("work/big.tdb"));
        ASSERT_GT(book.size(), 100000u);
        ASSERT_EQ(0, std::remove(dir.file("work/big.tdb").c_str()));
    }

    // Stops a build after `fraction` of a whole build's time with `signal`; returns the wait status.
    int stopAfter(const std::vector<std::string>& arguments, double fraction, int signal) {
        pid_t pid = startCli(arguments, dir.file("work"), dir.file("tmp"));
        std::this_thread::sleep_for(std::chrono::duration_cast<Clock::duration>(duration * fraction));
        ::kill(pid, signal);
        return waitFor(pid);
    }

    // Stops a build with `signal` as soon as `folder` holds `entries` entries (the build is then under way);
    // returns the wait status.
    int stopOnceUnderWay(const std::vector<std::string>& arguments, const std::string& folder, size_t entries,
                         int signal) {
        auto count = [&] {
            auto all = std::filesystem::directory_iterator(folder);
            return static_cast<size_t>(std::distance(begin(all), end(all)));
        };
        pid_t pid = startCli(arguments, dir.file("work"), dir.file("tmp"));
        auto deadline = Clock::now() + std::chrono::seconds(30);
        while (count() < entries && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ::kill(pid, signal);
        return waitFor(pid);
    }

    test::ScratchDir dir;
    Clock::duration duration{};
    std::string book;
};

// Killed at any moment, the build leaves no book or the whole book at the output path.
TEST_F(InterruptTest, AKilledBuildNeverLeavesAPartialBook) {
    for (int step = 1; step <= 12; ++step) {
        SCOPED_TRACE(step);
        (void)stopAfter({"big.tml"}, step / 10.0, SIGKILL);
        std::string output = dir.file("work/big.tdb");
        if (test::fileExists(output)) {
            EXPECT_EQ(book, test::readFile(output));
            ASSERT_EQ(0, std::remove(output.c_str()));
        }
    }
}

// SIGINT and SIGTERM remove the temporary files and the unfinished book, and the status says which signal.
TEST_F(InterruptTest, SignalsRemoveTheBuildsFilesAndGiveTheConventionalStatus) {
    for (int signal : {SIGINT, SIGTERM}) {
        for (int step = 1; step <= 6; ++step) {
            SCOPED_TRACE(testing::Message() << "signal " << signal << ", step " << step);
            int status = stopAfter({"big.tml"}, step / 6.0, signal);
            std::vector<std::string> left;
            for (const auto& entry : std::filesystem::directory_iterator(dir.file("work"))) {
                left.push_back(entry.path().filename().string());
            }
            std::sort(left.begin(), left.end());
            if (WIFSIGNALED(status)) {
                // On a loaded machine the signal can come before the program has started to build.
                EXPECT_EQ(signal, WTERMSIG(status));
                EXPECT_EQ(std::vector<std::string>{"big.tml"}, left);
            } else if (WEXITSTATUS(status) == 0) {
                EXPECT_EQ((std::vector<std::string>{"big.tdb", "big.tml"}), left);
                EXPECT_EQ(book, test::readFile(dir.file("work/big.tdb")));
                ASSERT_EQ(0, std::remove(dir.file("work/big.tdb").c_str()));
            } else {
                EXPECT_EQ(128 + signal, WEXITSTATUS(status));
                // A signal that comes after the book took its name leaves that whole book.
                if (left.size() == 2 && left[0] == "big.tdb") {
                    EXPECT_EQ(book, test::readFile(dir.file("work/big.tdb")));
                    ASSERT_EQ(0, std::remove(dir.file("work/big.tdb").c_str()));
                } else {
                    EXPECT_EQ(std::vector<std::string>{"big.tml"}, left);
                }
            }
        }
    }

    // Stopped while its temporary file exists, a build always ends with the signal's status and leaves
    // nothing.
    int status = stopOnceUnderWay({"big.tml"}, dir.file("work"), 2, SIGINT);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(128 + SIGINT, WEXITSTATUS(status));
    EXPECT_FALSE(test::fileExists(dir.file("work/big.tml.tmp")));
    EXPECT_FALSE(test::fileExists(dir.file("work/big.tdb")));

    // A check removes its scratch folder too.
    status = stopOnceUnderWay({"--check", "big.tml"}, dir.file("tmp"), 1, SIGTERM);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(128 + SIGTERM, WEXITSTATUS(status));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
    EXPECT_FALSE(test::fileExists(dir.file("work/big.tdb")));
}

} // namespace
} // namespace quillery
