#include "markup/rule_indent.h"

#include <algorithm>

namespace quillery {
namespace {

struct PercentMessages {
    const char* syntax;  // excerpt error, one %s
    const char* digits;  // plain error
    const char* tooMany; // plain error
    const char* noPercent;
};

// The quoted messages hold a literal %, written %% here because they are formats.
const PercentMessages kRule = {
    "Rule syntax is '\\w=\"xx%%\"'.  You have '%s'",
    "Rule width specifier must be only digits!",
    "More than three digits were specified for the rule width",
    "Rule syntax is '\\w=\"xx%%\"' -- you forgot the %%.",
};

const PercentMessages kIndent = {
    "Indent syntax is '\\T=\"xx%%\"'.  You have '%s'",
    "Indent specifier must be only digits!",
    "More than three digits were specified for the indent",
    "Indent syntax is '\\T=\"xx%%\"' -- you forgot the %%.",
};

constexpr uint32_t kValueCap = 1000000;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

PercentArgument readPercent(ScanContext& context, size_t tag, const PercentMessages& messages) {
    size_t after = context.afterBareTag(tag);
    if (!context.holds(after, kArgumentOpener)) {
        context.report.excerptError(tag, messages.syntax, static_cast<int64_t>(tag), 7);
        return {context.clip(after), false, 0};
    }
    PercentArgument argument;
    argument.acts = true;
    size_t p = after + kArgumentOpener.size();
    size_t count = 0;
    bool leading = true;
    while (p < context.size() && context.text[p] != '%' && context.text[p] != '"') {
        char c = context.text[p];
        if (c < '0' || c > '9') {
            context.report.error(tag, messages.digits);
            leading = false;
        } else if (leading) {
            argument.value = std::min(argument.value * 10 + static_cast<uint32_t>(c - '0'), kValueCap);
        }
        ++count;
        ++p;
    }
    if (count > 3) {
        context.report.error(tag, messages.tooMany);
    }
    if (p >= context.size()) {
        argument.resume = context.size();
        return argument;
    }
    if (context.text[p] == '"') {
        context.report.error(tag, messages.noPercent);
        argument.resume = p + 1;
        return argument;
    }
    if (p + 1 >= context.size() || context.text[p + 1] != '"') {
        context.report.excerptError(tag, messages.syntax, static_cast<int64_t>(p) - 1, 7);
        argument.resume = context.clip(p + 2);
        return argument;
    }
    argument.resume = p + 2;
    return argument;
}

#pragma GCC diagnostic pop

} // namespace

PercentArgument readRule(ScanContext& context, size_t tag) {
    return readPercent(context, tag, kRule);
}

PercentArgument readIndent(ScanContext& context, size_t tag) {
    PercentArgument argument = readPercent(context, tag, kIndent);
    argument.value = std::min<uint32_t>(argument.value, 100);
    return argument;
}

uint32_t xAfterIndent(ScanContext& context, size_t tag, uint32_t value, uint32_t x) {
    uint32_t target = value * kPageWidth / 100;
    if (x < target) {
        return target;
    }
    if (x > target) {
        context.report.warning(
            tag, "You specified an indent of %d%%, which is before the current position of %d pixels",
            static_cast<int>(value), static_cast<int>(x));
    }
    return x;
}

} // namespace quillery
