// Files of several items taken apart the way the helpers take an export apart before serving and
// rewriting it. Whatever the bytes, a split that succeeds must give back every byte: the file without
// no item is the file itself, the items' spans lie inside it in order without overlapping, each item
// is found again by its own place, and a file without some items is exactly the file less their spans.
#include "fuzz/FuzzSupport.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/driver/FileItems.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

// The spans of every item in the order of the text, checked to lie inside it without overlapping.
std::vector<std::pair<TextSpan, size_t>> SpansInOrder(const FileItems& items, size_t textSize)
{
    std::vector<std::pair<TextSpan, size_t>> spans;
    for (size_t i = 0; i < items.Items().size(); ++i)
        for (const TextSpan& span : items.Items()[i].spans) {
            FUZZ_CHECK(span.begin <= span.end && span.end <= textSize);
            spans.emplace_back(span, i);
        }
    std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });
    for (size_t k = 1; k < spans.size(); ++k)
        FUZZ_CHECK(spans[k - 1].first.end <= spans[k].first.begin);
    return spans;
}

// The text less the spans of the items marked gone, written out the plain way.
std::string Without(std::string_view text, const std::vector<std::pair<TextSpan, size_t>>& spans,
                    const std::vector<bool>& gone)
{
    std::string out;
    size_t at = 0;
    for (const auto& [span, item] : spans) {
        if (!gone[item])
            continue;
        out.append(text.substr(at, span.begin - at));
        at = span.end;
    }
    out.append(text.substr(at));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the kind and which items go; the rest is the file.
    const HelperKind kind = (data[0] & 1) ? HelperKind::Calendar : HelperKind::Contacts;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    FileItems items;
    std::string fault;
    if (!items.Split(kind, text, fault)) {
        FUZZ_CHECK(!fault.empty());
        return 0;
    }
    const size_t count = items.Items().size();
    const auto spans = SpansInOrder(items, text.size());
    FUZZ_CHECK(items.TextWithout(std::vector<bool>(count, false)) == text);

    for (size_t i = 0; i < count; ++i) {
        const ItemPlace& place = items.Items()[i].place;
        FUZZ_CHECK(items.Find(place) == i);
        ItemPlace parsed;
        FUZZ_CHECK(ParseItemPlace(FormatItemPlace(place), parsed) && parsed == place);
        // An item alone holds its own bytes.
        const std::string alone = items.TextOf(i);
        for (const TextSpan& span : items.Items()[i].spans)
            FUZZ_CHECK(alone.find(text.substr(span.begin, span.end - span.begin)) != std::string::npos);
    }

    std::vector<bool> gone(count, false);
    for (size_t i = 0; i < count; ++i)
        gone[i] = ((data[0] >> (1 + i % 7)) & 1) != 0;
    FUZZ_CHECK(items.TextWithout(gone) == Without(text, spans, gone));
    return 0;
}
