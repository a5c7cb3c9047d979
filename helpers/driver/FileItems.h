// A file that holds several items of a kind (an address-book or calendar export) taken apart into
// them: each item's bytes and its place, what the file would be with one item alone, and what it
// becomes without some. The load and the save take a file apart the same way; the save only once it
// has the bytes the load saw, so both find the same items in the same places.
#pragma once

#include "helpers/account/ItemPlace.h"
#include "helpers/base/ItemKind.h"
#include "helpers/base/TextSpan.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct FileItem
{
    std::vector<TextSpan> spans; // its components in the order of the file
    ItemPlace place;
    std::string refused; // why the item is not served (and so never deleted); empty when it is
};

class FileItems
{
public:
    // Takes text (kept by the caller for the life of this object) apart into the items of the kind.
    // An iCalendar item is a component with its changed occurrences (the components of its UID), as a
    // file of one item is read; a component without a UID is an item alone. False, with the reason in
    // fault, when the items cannot be told apart safely: components not closed in order, or something
    // outside the items that the reader would still take for an item.
    bool Split(HelperKind kind, std::string_view text, std::string& fault);

    const std::vector<FileItem>& Items() const { return m_items; }
    // The file as it would be holding that item alone: its bytes and everything outside the items (a
    // calendar's own lines and its VTIMEZONEs), each where it stands.
    std::string TextOf(size_t item) const;
    // The file without the items marked gone, every other byte as it was: what lies between two items
    // (a blank line) stays, even when both go.
    std::string TextWithout(const std::vector<bool>& gone) const;
    // The item at that place; npos when there is none.
    size_t Find(const ItemPlace& place) const;
    // "contacts/export.vcf (item 7 of 50)": how messages name an item.
    std::string Shown(const std::string& file, size_t item) const;

private:
    // The text without the spans of the items marked gone: one walk over the spans in the order of
    // the text, so that serving every item of a large export costs no sort per item.
    std::string Assemble(const std::vector<bool>& gone) const;

    std::string_view m_text;
    std::vector<FileItem> m_items;
    std::vector<std::pair<TextSpan, size_t>> m_spans; // every item's spans with its item, in text order
    // What is outside every item, where each span stands in it and which spans are each item's: an
    // item alone is the frame with its few spans put back, not a walk over every span of the file.
    std::string m_frame;
    std::vector<size_t> m_frameAt;
    std::vector<std::vector<size_t>> m_spansOf;
};
