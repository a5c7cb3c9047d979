// A parsed iCalendar text and what is read from its components before any field is filled.
#pragma once

#include <libical/ical.h>

#include <string>
#include <string_view>
#include <vector>

// The text with an END line added for every component it begins but never ends, each just before
// the END of an enclosing component or at the end of the text, and without END lines of components
// never begun. libical gives up on a text whose components are not all closed; closed, the part that
// is there can still be read. problem names the first repair (unchanged when none was needed). BEGIN
// and END lines are recognised unfolded; the text keeps its folds.
std::string CloseOpenComponents(std::string_view text, std::string& problem);

// The text as the parse takes it: every line end (CR LF, LF, CR, CR CR LF) made CR LF, a byte order
// mark dropped, and each content line that is not UTF-8 read as Windows-1252 (windows1252 then set).
// A content line is judged unfolded, so a character a fold splits stays one; a file mixing UTF-8
// lines with Windows-1252 ones (items pasted together from several programs) keeps both readable.
std::string ReadableIcalText(std::string_view text, bool& windows1252);

// An iCalendar text parsed by libical, released with all its components at the end of its life.
class IcalDocument
{
public:
    IcalDocument(std::string_view text, std::string& problem);
    ~IcalDocument();
    IcalDocument(const IcalDocument&) = delete;
    IcalDocument& operator=(const IcalDocument&) = delete;

    // Every component of that kind, at any depth, in the order of the text.
    std::vector<icalcomponent*> AllOf(icalcomponent_kind kind) const;
    // Whether some line was read as Windows-1252 (see ReadableIcalText).
    bool ReadAsWindows1252() const { return m_windows1252; }

private:
    bool m_windows1252 = false;
    icalcomponent* m_root = nullptr;
};

// Names the first fault libical left in the component or its subcomponents (a line it could not
// read, a value it dropped) in problem, unless problem already names one.
void NoteParseFault(icalcomponent* component, std::string& problem);

// Sets problem to text unless it already names a fault: the first fault met is the one reported.
void NoteFault(std::string& problem, std::string_view text);

// The text of the first property of that kind; empty when there is none.
std::string FirstText(icalcomponent* component, icalproperty_kind kind);

// The texts of every property of that kind, joined by the separator.
std::string JoinedTexts(icalcomponent* component, icalproperty_kind kind, std::string_view separator);

// The text as valid UTF-8, each malformed sequence replaced by U+FFFD. The parsed text is UTF-8
// already (see ReadableIcalText); this keeps a record's UTF-8 whatever libical makes of it.
std::string WellFormedUtf8(std::string text);
