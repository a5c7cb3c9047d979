#include "helpers/driver/FileItems.h"

#include "common/misc/Fnv1a.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/ical/CalendarComponents.h"
#include "helpers/vcard/ContactCards.h"

#include <algorithm>
#include <map>

namespace {

struct UidGroup
{
    std::vector<const ComponentSpan*> series; // without RECURRENCE-ID
    std::vector<const ComponentSpan*> changed;
    std::vector<TextSpan> all; // in the order of the file
};

// Components into items, in the order of each item's first component. A series holds its changed
// occurrences; several copies of one series are an item each, unless changed occurrences come with
// them: which copy one belongs to cannot be told, so the copies and their occurrences stay in the file
// as one item that is not served.
std::vector<FileItem> GroupComponents(const std::vector<ComponentSpan>& components)
{
    std::map<std::string, UidGroup> groups;
    for (const ComponentSpan& component : components)
        if (!component.uid.empty()) {
            UidGroup& group = groups[component.uid];
            (component.changedOccurrence ? group.changed : group.series).push_back(&component);
            group.all.push_back(component.span);
        }
    std::vector<FileItem> items;
    std::map<std::string, bool> placed;
    for (const ComponentSpan& component : components) {
        if (component.uid.empty()) {
            items.push_back({{component.span}, {}, {}});
            continue;
        }
        const UidGroup& group = groups[component.uid];
        if (group.series.size() > 1 && group.changed.empty()) {
            items.push_back({{component.span}, {component.uid}, {}});
            continue;
        }
        if (placed[component.uid])
            continue;
        placed[component.uid] = true;
        FileItem item{group.all, {component.uid}, {}};
        if (group.series.size() > 1)
            item.refused = Format("%zu copies of one series, with changed occurrences that belong to no one copy",
                                  group.series.size());
        items.push_back(std::move(item));
    }
    return items;
}

uint32_t HashOf(std::string_view text, const FileItem& item)
{
    uint32_t hash = kFnv1a32Basis;
    for (const TextSpan& span : item.spans)
        hash = Fnv1a32(text.substr(span.begin, span.end - span.begin), hash);
    return hash;
}

// Copies of one UID are numbered in the order of the file; an item without a UID, or with one too
// long for the record's helper text, is placed by its position and its bytes.
void PlaceItems(std::string_view text, std::vector<FileItem>& items)
{
    std::map<std::string, size_t> copies;
    for (size_t i = 0; i < items.size(); ++i) {
        ItemPlace& place = items[i].place;
        if (!place.uid.empty()) {
            place.copy = ++copies[place.uid];
            if (FormatItemPlace(place).size() <= kMaxPlacedUidBytes)
                continue;
        }
        place = ItemPlace{};
        place.position = i + 1;
        place.hash = HashOf(text, items[i]);
    }
}

} // namespace

bool FileItems::Split(HelperKind kind, std::string_view text, std::string& fault)
{
    m_text = text;
    m_items.clear();
    m_spans.clear();
    std::vector<ComponentSpan> components;
    const char* component = KindInfo(kind).component;
    if (!(component ? FindCalendarComponents(text, component, components, fault)
                    : FindContactCards(text, components, fault)))
        return false;
    m_items = GroupComponents(components);
    PlaceItems(text, m_items);
    for (size_t i = 0; i < m_items.size(); ++i)
        for (const TextSpan& span : m_items[i].spans)
            m_spans.emplace_back(span, i);
    std::sort(m_spans.begin(), m_spans.end(),
              [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });
    m_frame = TextWithout(std::vector<bool>(m_items.size(), true));
    m_frameAt.clear();
    m_spansOf.assign(m_items.size(), {});
    size_t gaps = 0;
    size_t at = 0;
    for (size_t i = 0; i < m_spans.size(); ++i) {
        gaps += m_spans[i].first.begin - at;
        at = m_spans[i].first.end;
        m_frameAt.push_back(gaps);
        m_spansOf[m_spans[i].second].push_back(i);
    }
    // What lies outside the items must hold none the reader would count: an item nested where it
    // does not belong, or a card line the reader joins otherwise, would go along unseen.
    if (CountItems(kind, m_frame).own != 0) {
        fault = Format("%s outside the ones that can be told apart", KindInfo(kind).items);
        m_items.clear();
        m_spans.clear();
        m_spansOf.clear();
        return false;
    }
    return true;
}

std::string FileItems::TextOf(size_t item) const
{
    std::string text;
    size_t at = 0;
    for (const size_t index : m_spansOf[item]) {
        const TextSpan& span = m_spans[index].first;
        text.append(m_frame, at, m_frameAt[index] - at);
        text.append(m_text.substr(span.begin, span.end - span.begin));
        at = m_frameAt[index];
    }
    text.append(m_frame, at);
    return text;
}

std::string FileItems::TextWithout(const std::vector<bool>& gone) const
{
    return Assemble(gone);
}

std::string FileItems::Assemble(const std::vector<bool>& gone) const
{
    std::string text;
    size_t at = 0;
    for (const auto& [span, item] : m_spans) {
        if (!gone[item])
            continue;
        text.append(m_text.substr(at, span.begin - at));
        at = span.end;
    }
    text.append(m_text.substr(at));
    return text;
}

size_t FileItems::Find(const ItemPlace& place) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].place == place)
            return i;
    return std::string::npos;
}

std::string FileItems::Shown(const std::string& file, size_t item) const
{
    return Format("%s (item %zu of %zu)", file.c_str(), item + 1, m_items.size());
}
