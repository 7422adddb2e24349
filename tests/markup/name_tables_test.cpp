// The collectors of names (links, references, images, index items) hold every distinct name in compact
// tables; they must give the tables and messages the node-based collectors they replaced gave, checked here
// on generated sources against those collectors.
#include "framework/diagnostics.h"
#include "markup/link_collector.h"
#include "paginate_support.h"
#include "tdb/book_format.h"
#include "tdb/image_table.h"
#include "tdb/signed_byte_order.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillery::test {
namespace legacy {

// The link collector as it was with a node-based map of names, kept to hold the compact one against.
class LegacyLinkCollector {
  public:
    LegacyLinkCollector(ScanContext& context, LinkTable& table) : context_(context), table_(table) {}
    size_t reference(size_t tag);
    size_t anchor(size_t tag);
    void finish();

  private:
    void checkLineEnds(size_t tag, size_t from, size_t to, const char* message);
    void note(size_t tag, int32_t position, const std::string& stored);

    ScanContext& context_;
    LinkTable& table_;
    std::unordered_map<std::string, size_t> byName_;
};

constexpr size_t kNameLimit = 80;
constexpr size_t kStoredWhenTooLong = 79;

std::string lowered(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

void LegacyLinkCollector::checkLineEnds(size_t tag, size_t from, size_t to, const char* message) {
    for (size_t at = from; at < to; ++at) {
        if (isLineEnd(context_.text[at])) {
            context_.report.excerptError(tag, message, static_cast<int64_t>(at) - 9, 20);
        }
    }
}

size_t LegacyLinkCollector::reference(size_t tag) {
    size_t after = tag + 2;
    if (!context_.holds(after, "=\"#")) {
        context_.report.excerptError(tag, "Link syntax incorrect.  You have '%s' and it should be \\q=\"#",
                                     static_cast<int64_t>(after) - 10, 20);
        return context_.clip(after);
    }
    size_t nameStart = after + 3;
    size_t close = context_.find('"', nameStart);
    checkLineEnds(tag, nameStart, close, "Returns are not permitted in link references.  See '%s'.");
    size_t resume = context_.clip(close + 1);
    if (!context_.firstPass) {
        return resume;
    }
    std::string name(context_.text.substr(nameStart, close - nameStart));
    std::string stored = name;
    if (name.size() > kNameLimit) {
        context_.report.excerptError(tag, "Link reference is longer than 80 characters: \"%s\"",
                                     static_cast<int64_t>(tag), 40);
        stored.resize(kStoredWhenTooLong);
    }
    // Only the first tag after the start of the name is inspected.
    size_t backslash = context_.find('\\', nameStart);
    if (backslash + 1 < context_.size()) {
        char letter = context_.text[backslash + 1];
        // A NUL letter would match strchr's terminator.
        if (letter != '\0' && std::strchr("FIXdmwx", letter) != nullptr) {
            context_.report.error(backslash, "Illegal tag \"\\%c\" in link reference to \"%s\"", letter,
                                  name.c_str());
        } else if (letter == 'S' && context_.at(backslash + 2) == 'd' && backslash + 2 < context_.size()) {
            context_.report.error(backslash, "Illegal tag \"\\Sd\" in link reference to \"%s\"",
                                  name.c_str());
        }
    }
    note(tag, -1, stored);
    return resume;
}

size_t LegacyLinkCollector::anchor(size_t tag) {
    size_t after = tag + 2;
    if (!context_.holds(after, "=\"")) {
        context_.report.excerptError(tag, "Link syntax incorrect.  You have '%s' and it should be \\Q=\"",
                                     static_cast<int64_t>(after) - 10, 20);
        return context_.clip(after);
    }
    size_t nameStart = after + 2;
    size_t close = context_.find('"', nameStart);
    checkLineEnds(tag, nameStart, close, "Returns are not permitted in link anchors.  See '%s'.");
    size_t resume = context_.clip(close + 1);
    if (!context_.firstPass) {
        return resume;
    }
    std::string name(context_.text.substr(nameStart, close - nameStart));
    std::string stored = name;
    if (name.size() > kNameLimit) {
        context_.report.excerptError(tag, "Link is longer than 80 characters: \"%s\"",
                                     static_cast<int64_t>(tag) - 1, 40);
        stored.resize(kStoredWhenTooLong);
    }
    // The closing quote plus 2 (the end of the text stands for a missing quote), never past the end of the
    // text: the reader takes the position as a place in the text.
    size_t position = std::min(close + 2, context_.size());
    note(tag, static_cast<int32_t>(position), stored);
    return resume;
}

void LegacyLinkCollector::note(size_t tag, int32_t position, const std::string& stored) {
    std::string name = lowered(stored);
    auto found = byName_.find(name);
    if (found == byName_.end()) {
        LinkEntry entry;
        entry.position = position;
        entry.key =
            static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(name.data()),
                                        static_cast<uInt>(name.size())));
        entry.name = name;
        entry.referenced = position == -1;
        byName_.emplace(std::move(name), table_.size());
        table_.push_back(std::move(entry));
        return;
    }
    LinkEntry& entry = table_[found->second];
    if (entry.position == -1) {
        if (position != -1) {
            entry.position = position;
        }
        return;
    }
    if (position != -1) {
        if (position != entry.position) {
            // The name as stored (cut to 79 bytes when too long), in the case written in the tag.
            context_.report.warning(tag, "Link \"%s\" defined more than once", stored.c_str());
        }
        return;
    }
    entry.referenced = true;
}

void LegacyLinkCollector::finish() {
    std::stable_sort(table_.begin(), table_.end(), [](const LinkEntry& a, const LinkEntry& b) {
        if (a.referenced != b.referenced) {
            return a.referenced;
        }
        return signedByteLess(a.name, b.name);
    });
    LinkTable finished;
    bool anyReferenced = false;
    for (const auto& entry : table_) {
        anyReferenced = anyReferenced || entry.referenced;
    }
    for (auto& entry : table_) {
        if (anyReferenced && !entry.referenced) {
            break; // referenced entries sort first: the rest are anchors nobody links to
        }
        if (!finished.empty() && finished.back().name == entry.name) {
            continue;
        }
        finished.push_back(std::move(entry));
    }
    table_ = std::move(finished);
    byName_.clear();
    for (const auto& entry : table_) {
        if (entry.position == -1) {
            reportWarning("Link \"%.79s\" has not been defined", entry.name.c_str());
        }
    }
}

} // namespace legacy
namespace {

// Names that meet in every way the collectors must tell apart or merge: case, bytes above 127, prefixes,
// a NUL, the empty name and long names equal in their first 79 bytes.
std::vector<std::string> namePool() {
    std::vector<std::string> names = {"a",  "A",   "ab",   "AB",   "aB",   "b",    "\xE9t", "\xC9T",
                                      "",   "zed", "Zed",  "a b",  "x-y",  "n1",   "N1",    "n10",
                                      "n2", "q#",  "\x80", "\xFF", "long", "LONG", "l\x01"};
    names.push_back(std::string("nu\0l", 4));
    names.push_back(std::string(79, 'k'));
    names.push_back(std::string(80, 'k'));
    names.push_back(std::string(81, 'k'));
    names.push_back(std::string(79, 'k') + "Tail" + std::string(10, 'z'));
    names.push_back(std::string(79, 'K') + "other");
    return names;
}

struct Tag {
    size_t at;
    bool anchor;
};

// A text of random anchors and references to names of the pool, the tags where they stand.
std::string generatedLinks(std::mt19937& random, size_t count, std::vector<Tag>& tags) {
    std::vector<std::string> names = namePool();
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        const std::string& name = names[random() % names.size()];
        bool anchor = random() % 2 == 0;
        text += random() % 3 == 0 ? "\n" : " ";
        tags.push_back({text.size(), anchor});
        text += anchor ? "\\Q=\"" + name + "\"" : "\\q=\"#" + name + "\"x\\q";
    }
    if (random() % 2 == 0) {
        // The last name runs to the end of the text.
        tags.push_back({text.size(), random() % 2 == 0});
        text += tags.back().anchor ? "\\Q=\"end" : "\\q=\"#end";
    }
    return text;
}

template <class Collector>
std::vector<std::string> collectLinks(const std::string& text, const std::vector<Tag>& tags,
                                      std::mt19937 random, LinkTable& table, Collector&& make) {
    RecordBuffer starts(4);
    (void)starts.appendU32(0);
    (void)starts.appendU32(static_cast<uint32_t>(text.size()));
    ScanReporter report(text);
    ScanContext context{text, starts, report};
    auto collector = make(context, table);
    ReportCollector reports;
    for (const Tag& tag : tags) {
        // A line laid out again scans its tags again.
        int times = random() % 4 == 0 ? 2 : 1;
        for (int i = 0; i < times; ++i) {
            tag.anchor ? collector.anchor(tag.at) : collector.reference(tag.at);
        }
    }
    context.firstPass = false;
    report.setFirstPass(false);
    for (const Tag& tag : tags) {
        tag.anchor ? collector.anchor(tag.at) : collector.reference(tag.at);
    }
    collector.finish();
    return reports.lines();
}

TEST(NameTablesTest, LinksMatchTheNodeBasedCollectorOnGeneratedSources) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        std::vector<Tag> tags;
        std::string text = generatedLinks(random, 1 + random() % 60, tags);
        uint32_t seed = static_cast<uint32_t>(random());
        LinkTable compact;
        size_t notKept = 0;
        std::vector<std::string> compactLines = collectLinks(
            text, tags, std::mt19937(seed), compact,
            [&](ScanContext& context, LinkTable& table) { return LinkCollector(context, table, notKept); });
        LinkTable nodes;
        std::vector<std::string> nodeLines =
            collectLinks(text, tags, std::mt19937(seed), nodes, [](ScanContext& context, LinkTable& table) {
                return legacy::LegacyLinkCollector(context, table);
            });
        EXPECT_EQ(nodeLines, compactLines) << text;
        EXPECT_EQ(0u, notKept);
        ASSERT_EQ(nodes.size(), compact.size()) << text;
        for (size_t i = 0; i < nodes.size(); ++i) {
            EXPECT_EQ(nodes[i].name, compact[i].name) << text;
            EXPECT_EQ(nodes[i].position, compact[i].position) << text;
            EXPECT_EQ(nodes[i].key, compact[i].key) << text;
            EXPECT_EQ(nodes[i].referenced, compact[i].referenced) << text;
        }
    }
}

// The reference tables as the node-based collector finished them: every name noted, cut to 255 bytes and
// lowered, then sorted stably, each name once, no empty name.
std::vector<std::string> legacyReferenceTable(const std::vector<std::string>& written) {
    std::vector<std::string> names;
    for (const std::string& name : written) {
        std::string stored = name.substr(0, 255);
        for (char& c : stored) {
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        names.push_back(stored);
    }
    std::stable_sort(names.begin(), names.end(), signedByteLess);
    std::vector<std::string> finished;
    for (const std::string& name : names) {
        if (!name.empty() && (finished.empty() || finished.back() != name)) {
            finished.push_back(name);
        }
    }
    return finished;
}

std::vector<std::string> namesOf(const RefTable& table) {
    std::vector<std::string> names;
    for (const RefEntry& entry : table) {
        names.emplace_back(entry.name);
    }
    return names;
}

TEST(NameTablesTest, ReferencesMatchTheNodeBasedCollectorOnGeneratedSources) {
    std::mt19937 random(8121959);
    std::vector<std::string> pool = namePool();
    pool.push_back(std::string(255, 'r'));
    pool.push_back(std::string(255, 'R') + "past the cut");
    pool.push_back(std::string(254, 'r'));
    pool.push_back(std::string(256, 'r'));
    for (int round = 0; round < 200; ++round) {
        std::string text;
        std::vector<std::string> sidebars;
        std::vector<std::string> footnotes;
        for (size_t i = 0, count = 1 + random() % 40; i < count; ++i) {
            const std::string& name = pool[random() % pool.size()];
            bool sidebar = random() % 2 == 0;
            (sidebar ? sidebars : footnotes).push_back(name);
            text += random() % 3 == 0 ? "\n" : " ";
            text += sidebar ? "\\Sd=\"" + name + "\"x\\Sd" : "\\Fn=\"" + name + "\"x\\Fn";
        }
        if (random() % 2 == 0) {
            // The last name runs to the end of the text.
            text += "\\Fn=\"End";
            footnotes.push_back("End");
        }
        Paginated book = paginate(text);
        EXPECT_EQ(legacyReferenceTable(sidebars), namesOf(book.tables.sidebars)) << text;
        EXPECT_EQ(legacyReferenceTable(footnotes), namesOf(book.tables.footnotes)) << text;
    }
}

TEST(NameTablesTest, ImagesMatchASetOfPathsOnGeneratedCalls) {
    std::mt19937 random(1208);
    for (int round = 0; round < 50; ++round) {
        ImageTable table;
        std::vector<std::pair<std::string, uint16_t>> model; // path and width, first reference first
        std::unordered_set<std::string> seen;
        for (int call = 0; call < 400; ++call) {
            std::string path = "img/" + std::to_string(random() % 150) + (random() % 2 ? ".png" : ".PNG");
            auto width = static_cast<uint16_t>(random() % 1000);
            switch (random() % 20) {
            case 0:
                // Sorted meanwhile, as the conversion does.
                sortImageTable(table);
                std::stable_sort(model.begin(), model.end(), [](const auto& a, const auto& b) {
                    return imagePathLess(a.first, b.first);
                });
                break;
            case 1:
                // Filled some other way.
                if (seen.insert(path).second) {
                    table.entries.push_back(ImageEntry{path, width, 0, 0, 0});
                    model.emplace_back(path, width);
                }
                break;
            default: {
                bool added = seen.insert(path).second;
                EXPECT_EQ(added, addImage(table, path, {width, 1}));
                if (added) {
                    model.emplace_back(path, width);
                }
            }
            }
        }
        ASSERT_EQ(model.size(), table.entries.size());
        for (size_t i = 0; i < model.size(); ++i) {
            EXPECT_EQ(model[i].first, table.entries[i].path);
            EXPECT_EQ(model[i].second, table.entries[i].width);
        }
    }
}

// Past the most links a book can hold, entries are counted instead of kept (the book is refused for its
// record count as before), while every undefined link is still reported.
TEST(NameTablesTest, LinksPastTheLimitAreCountedNotKept) {
    std::string text;
    std::vector<std::string> names;
    for (size_t i = 0; i < kMaxRecords + 3; ++i) {
        names.push_back("n" + std::to_string(i));
        text += "\\q=\"#" + names.back() + "\"x\\q\n";
    }
    std::sort(names.begin(), names.end());
    Paginated book = paginate(text);
    EXPECT_EQ(kMaxRecords, book.tables.links.size());
    EXPECT_EQ(3u, book.tables.linksNotKept);
    EXPECT_EQ(kMaxRecords + 3, book.problems().size());
    EXPECT_EQ("W Link \"" + names.back() + "\" has not been defined", book.problems().back());
    EXPECT_EQ(names[kMaxRecords - 1], book.tables.links.back().name);
}

} // namespace
} // namespace quillery::test
