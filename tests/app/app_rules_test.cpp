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
    EXPECT_TRUE(isAcceptedSourceName("/home/me/README.MD"));
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

TEST(CommandLineTest, AnEmptyArgumentStaysEmpty) {
    // Made absolute, it would name the current folder and a book beside it.
    const char* argv[] = {"quillery", "", "/books/story.tml"};
    EXPECT_EQ(filesFromArguments(3, argv), (Strings{"", "/books/story.tml"}));
}

TEST(DropFilterTest, NamesWithANulOrWithoutAnyTextAreRefused) {
    EXPECT_FALSE(isAcceptedSourceName(std::string("/d/one.tml\0.txt", 15)));
    EXPECT_FALSE(isAcceptedSourceName(""));
    EXPECT_EQ(acceptedSourceFiles({std::string("/d/a.tml\0.tml", 13), "/d/b.tml"}), Strings{"/d/b.tml"});
}

TEST(DropFilterTest, FileUrisOfThisMachineGiveTheBytesOfTheirPath) {
    auto local = [](std::string_view uri) {
        DroppedName name = nameOfDroppedUri(uri);
        return name.kind == DroppedName::LocalFile ? name.path : "<" + std::to_string(name.kind) + ">";
    };
    EXPECT_EQ(local("file:///home/me/My%20Books/a.tml"), "/home/me/My Books/a.tml");
    EXPECT_EQ(local("file://localhost/home/a.tml"), "/home/a.tml");
    EXPECT_EQ(local("FILE://LocalHost/home/a.tml"), "/home/a.tml");
    EXPECT_EQ(local("file:/home/a.tml"), "/home/a.tml");
    EXPECT_EQ(local("file:///home/caf%e9.tml"), "/home/caf\xE9.tml");
    EXPECT_EQ(local("file:///home/caf%C3%A9.tml"), "/home/caf\xC3\xA9.tml");
    EXPECT_EQ(local("file:///home/odd.tml/"), "/home/odd.tml/");
    EXPECT_EQ(local("file:///home/a.tml#part"), "/home/a.tml");
    // Not a file of this machine: taken as written.
    EXPECT_EQ(nameOfDroppedUri("file://elsewhere/home/a.tml").kind, DroppedName::Other);
    EXPECT_EQ(nameOfDroppedUri("https://example.org/a.tml").kind, DroppedName::Other);
    // Bytes no file name can hold, and escapes that are not escapes.
    for (std::string_view bad : {"file:///d/one.tml%00.txt", "file:///d/a%2fb.tml", "file:///d/a%2.tml",
                                 "file:///d/a%G1.tml", "file://localhost", "file:relative.tml"}) {
        EXPECT_EQ(nameOfDroppedUri(bad).kind, DroppedName::Unusable) << bad;
    }
}

TEST(MenuTest, ItemsShowTheirShortcutsFromTheStringList) {
    auto application = test::makeApplication();
    LocalStringManager& strings = application->strings();
    std::vector<QString> shown;
    for (const Menu& menu : applicationMenus()) {
        shown.push_back(QString::fromStdU16String(strings.get(menu.titleEntry)->text()));
        for (const MenuItem& item : menu.items) {
            shown.push_back(item.command ? menuItemText(strings, item) : QStringLiteral("-"));
        }
    }
    EXPECT_EQ(shown,
              (std::vector<QString>{"File", "Open...\tCtrl+O", "Preview Book...\tCtrl+P",
                                    "Preview Last Book\tCtrl+Shift+P", "Export Pages...\tCtrl+E", "Close",
                                    "-", "Quit", "Edit", "Undo\tCtrl+Z", "-", "Cut\tCtrl+X", "Copy\tCtrl+C",
                                    "Paste\tCtrl+V", "Delete\tDel", "-", "Preferences...\tCtrl+G"}));
    MenuItem every{109, 'O', kModifierCtrl | kModifierShift | kModifierAlt, CmdMakeBook};
    EXPECT_EQ(menuItemText(strings, every), QStringLiteral("Open...\tCtrl+Shift+Alt+O"));
    EXPECT_EQ(menuItemKeys(every), QKeySequence(QStringLiteral("Ctrl+Shift+Alt+O")));
    EXPECT_EQ(menuItemKeys(MenuItem{129, kKeyDelete, 0, CmdDelete}), QKeySequence(Qt::Key_Delete));
    EXPECT_TRUE(menuItemKeys(MenuItem{112, 0, 0, CmdClose}).isEmpty());
}

} // namespace
} // namespace quillery
