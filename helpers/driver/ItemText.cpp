#include "helpers/driver/ItemText.h"

#include "helpers/base/HelperText.h"

namespace {

// Whether "BEGIN:<component>" stands anywhere in the text, letter case aside (component is upper
// case). Every file is searched for the other kinds, so the search goes from colon to colon, a few
// dozen a file, instead of comparing at every byte.
bool HasComponent(std::string_view text, std::string_view component)
{
    constexpr std::string_view kBegin = "BEGIN";
    const auto same = [](std::string_view part, std::string_view upper) {
        for (size_t i = 0; i < upper.size(); ++i) {
            const char c = part[i];
            if ((c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c) != upper[i])
                return false;
        }
        return true;
    };
    for (size_t colon = text.find(':', kBegin.size()); colon != std::string_view::npos;
         colon = text.find(':', colon + 1)) {
        if (text.size() - colon - 1 < component.size())
            return false;
        if (same(text.substr(colon - kBegin.size(), kBegin.size()), kBegin) &&
            same(text.substr(colon + 1, component.size()), component))
            return true;
    }
    return false;
}

} // namespace

ItemCounts CountParsed(HelperKind kind, std::string_view text, const CalendarText& calendar)
{
    ItemCounts counts;
    counts.own = calendar.Count(KindInfo(kind).component);
    // Most files hold one kind only; the search spares them the others' full count.
    for (const HelperKind other : {HelperKind::Calendar, HelperKind::Tasks, HelperKind::Notes})
        if (other != kind && HasComponent(text, KindInfo(other).component))
            counts.others += calendar.Count(KindInfo(other).component);
    return counts;
}

// A calendar collection synchronised from a server holds events and tasks side by side, and may be
// synchronised into calendar/ and tasks/ alike: a file of another kind is no fault there.
bool HoldsOtherKind(std::string_view text, HelperKind kind)
{
    const char* own = KindInfo(kind).component;
    if (!own || HasComponent(text, own))
        return false;
    for (const HelperKind other : {HelperKind::Calendar, HelperKind::Tasks, HelperKind::Notes})
        if (other != kind && HasComponent(text, KindInfo(other).component))
            return true;
    return false;
}

ItemCounts CountItems(HelperKind kind, std::string_view text)
{
    if (!KindInfo(kind).component)
        return {CountContactCards(text), 0};
    return CountParsed(kind, text, CalendarText(text));
}

std::string SharedFileError(HelperKind kind, const std::string& shown, const ItemCounts& counts)
{
    if (counts.own > 1 && counts.others == 0)
        return Format("%s holds %zu %s; skipped, so that deleting one never removes the others", shown.c_str(),
                      counts.own, KindInfo(kind).items);
    return Format("%s holds items of another kind; skipped, so that deleting it never removes them", shown.c_str());
}
