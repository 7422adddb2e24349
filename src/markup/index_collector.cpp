#include "markup/index_collector.h"

#include "markup/text_positions.h"
#include "markup/title_text.h"
#include "tdb/index_records.h"

namespace quillery {

size_t IndexCollector::openItem(size_t tag) {
    size_t after = context_.clip(context_.afterBareTag(tag));
    CollectedTitle item = collectTitle(context_, TitleKind::Index, 'I', after, std::string(), tag);
    if (item.tooLong) {
        context_.report.warningFirstPass(
            tag, "Indexed item is > 80 characters; mismatched index markers? Begins with \"%s\"",
            item.text.substr(0, 40).c_str());
    }
    RecordPlace place = recordPlaceOf(context_.recordStarts, static_cast<uint32_t>(tag));
    if (context_.firstPass) {
        table_.add(place.record, place.offset, item.text);
    }
    return after;
}

void IndexCollector::finish() {
    if (table_.entries.empty()) {
        return;
    }
    context_.report.note("Processing index records...");
    groupIndexEntries(table_);
}

} // namespace quillery
