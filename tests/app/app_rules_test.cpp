// The shell's rules that need no window: the system check, the command line, the drop filter and the menu
// texts.
#include "app/command_line.h"
#include "app/drop_filter.h"
#include "app/menu_bar.h"
#include "app/shell_app.h"
#include "app/shell_messages.h"
#include "app/system_check.h"
#include "desktop_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillery {
namespace {

using Strings = std::vector<std::string>;

TEST(SystemCheckTest, NinetyFiveFailsNinetyEightAndEveryNtRelease) {
    constexpr uint32_t kWindows = 1; // the 95 line
    constexpr uint32_t kWin32s = 0;
    EXPECT_FALSE(isSupportedWindowsVersion(4, 0, kWindows));
    EXPECT_TRUE(isSupportedWindowsVersion(4, 10, kWindows));
    EXPECT_TRUE(isSupportedWindowsVersion(4, 90, kWindows));
    EXPECT_FALSE(isSupportedWindowsVersion(3, 11, kWin32s));
    EXPECT_TRUE(isSupportedWindowsVersion(4, 0, kPlatformWin32Nt));
    EXPECT_TRUE(isSupportedWindowsVersion(3, 51, kPlatformWin32Nt));
    EXPECT_TRUE(isSupportedWindowsVersion(5, 0, kWindows));
    EXPECT_TRUE(runningSystemIsSupported());
}

TEST(SystemCheckTest, SignatureIsQyMvBigEndian) {
    EXPECT_EQ(kApplicationSignature, 0x51794D76u);
}

std::string markResolved(const std::string& piece) {
    return "<" + piece + ">";
}

TEST(CommandLineTest, QuotedTextsAreTakenAsTheyAreAndTheRestIgnored) {
    EXPECT_EQ(splitCommandLine("\"C:\\My Books\\story.tml\" notes.tml \"other.txt\"", markResolved),
              (Strings{"C:\\My Books\\story.tml", "other.txt"}));
    // The text after an unpaired quote is no argument.
    EXPECT_EQ(splitCommandLine("\"a.tml\" \"b.tml", markResolved), (Strings{"a.tml"}));
    EXPECT_EQ(splitCommandLine("\"\"", markResolved), (Strings{""}));
}

TEST(CommandLineTest, UnquotedTextSplitsAtSingleSpacesAndSkipsEmptyPieces) {
    EXPECT_EQ(splitCommandLine("", markResolved), Strings{});
    EXPECT_EQ(splitCommandLine("a.tml b.txt", markResolved), (Strings{"<a.tml>", "<b.txt>"}));
    EXPECT_EQ(splitCommandLine(" a.tml  b.txt ", markResolved), (Strings{"<a.tml>", "<b.txt>"}));
}

TEST(CommandLineTest, UnquotedNamesResolveToFullPathsInTheCurrentFolder) {
    test::ScratchDir folder;
    test::writeFile(folder.file("one.tml"), "x");
    test::writeFile(folder.file("Two.TXT"), "x");
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    Strings split = splitCommandLine("one.tml two.txt", resolveCommandLinePiece);
    Strings missing = splitCommandLine("gone.tml", resolveCommandLinePiece);
    std::filesystem::current_path(previous);

    std::string canonical = std::filesystem::canonical(folder.path()).string();
    auto under = [&](const Strings& got) {
        Strings out;
        for (const std::string& path : got) {
            out.push_back(std::filesystem::weakly_canonical(path).string());
        }
        return out;
    };
    // The stored name replaces the name as typed.
    EXPECT_EQ(under(split), (Strings{canonical + "/one.tml", canonical + "/Two.TXT"}));
    // A missing file leaves the folder part alone.
    EXPECT_EQ(under(missing), (Strings{canonical}));
}

TEST(CommandLineTest, ProcessArgumentsBecomeFullPathsEvenWhenMissing) {
    // ".." stays: behind a symbolic link it leads where the system goes, not where the text suggests.
    const char* argv[] = {"quillery", "/books/./story.tml", "/books/gone/../missing.tml"};
    EXPECT_EQ(filesFromArguments(3, argv), (Strings{"/books/story.tml", "/books/gone/../missing.tml"}));
    EXPECT_EQ(filesFromArguments(1, argv), Strings{});
}

TEST(DropFilterTest, ExtensionRuleIgnoresCaseAndLooksAtTheLastDotOnly) {
    EXPECT_TRUE(isAcceptedSourceName("/home/me/Book.TML"));
    EXPECT_TRUE(isAcceptedSourceName("/home/me/notes.Txt"));
    EXPECT_TRUE(isAcceptedSourceName("/home/me/.txt"));
    EXPECT_FALSE(isAcceptedSourceName("/home/me/archive.tml.bak"));
    EXPECT_FALSE(isAcceptedSourceName("/home/me/notes.doc"));
    EXPECT_FALSE(isAcceptedSourceName("/home/me/tml"));
    EXPECT_FALSE(isAcceptedSourceName("/home/me.tml/readme"));
    // A folder is judged by its name like a file.
    EXPECT_FALSE(isAcceptedSourceName("/home/me/books/"));
    EXPECT_TRUE(isAcceptedSourceName("/home/me/odd.tml/"));
    EXPECT_EQ(acceptedSourceFiles({"/a/Book.TML", "/a/notes.doc", "/a/b.txt"}),
              (Strings{"/a/Book.TML", "/a/b.txt"}));
}

TEST(MenuTest, ItemsShowTheirShortcutsFromTheStringList) {
    auto application = test::makeApplication();
    LocalStringManager& strings = application->strings();
    std::vector<QString> shown;
    for (const Menu& menu : applicationMenus()) {
        shown.push_back(QString::fromStdU16String(strings.get(menu.titleEntry)->text()));
        for (const MenuItem& item : menu.items) {
            shown.push_back(item.stringEntry ? menuItemText(strings, item) : QStringLiteral("-"));
        }
    }
    EXPECT_EQ(shown, (std::vector<QString>{"File", "Open...\tCtrl+O", "Close", "-", "Quit", "Edit",
                                           "Undo\tCtrl+Z", "-", "Cut\tCtrl+X", "Copy\tCtrl+C",
                                           "Paste\tCtrl+V", "Delete\tDel", "-", "Preferences...\tCtrl+G"}));
    MenuItem every{109, 'O', kModifierCtrl | kModifierShift | kModifierAlt, CmdMakeBook};
    EXPECT_EQ(menuItemText(strings, every), QStringLiteral("Open...\tCtrl+Shift+Alt+O"));
    EXPECT_EQ(menuItemKeys(every), QKeySequence(QStringLiteral("Ctrl+Shift+Alt+O")));
    EXPECT_EQ(menuItemKeys(MenuItem{129, kKeyDelete, 0, CmdDelete}), QKeySequence(Qt::Key_Delete));
    EXPECT_TRUE(menuItemKeys(MenuItem{112, 0, 0, CmdClose}).isEmpty());
}

} // namespace
} // namespace quillery
