#include "app/core/SmartText.h"

#include "common/platform/Platform.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <array>
#include <cstdint>

namespace {

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool IsAsciiSpace(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The ASCII punctuation as ICU sees it (general category P*), so that the ASCII shortcut trims
// exactly what the Unicode path trims. '$', '+', '^' and the like are symbols, not punctuation.
const std::array<bool, 128>& AsciiPunctuation()
{
    static const std::array<bool, 128> table = [] {
        std::array<bool, 128> punct{};
        for (UChar32 c = 0; c < 128; ++c)
            punct[static_cast<size_t>(c)] = u_ispunct(c);
        return punct;
    }();
    return table;
}

struct AsciiChars
{
    static bool IsSpace(char c) { return IsAsciiSpace(static_cast<unsigned char>(c)); }
    static bool IsPunct(char c) { return AsciiPunctuation()[static_cast<unsigned char>(c)]; }
};

struct UnicodeChars
{
    static bool IsSpace(char32_t c) { return u_isUWhiteSpace(static_cast<UChar32>(c)); }
    static bool IsPunct(char32_t c) { return u_ispunct(static_cast<UChar32>(c)); }
};

// Whitespace and punctuation off both ends.
template <class Chars, class Char>
std::basic_string_view<Char> TrimEnds(std::basic_string_view<Char> text)
{
    size_t first = 0;
    size_t end = text.size();
    while (first < end && (Chars::IsSpace(text[first]) || Chars::IsPunct(text[first])))
        ++first;
    while (end > first && (Chars::IsSpace(text[end - 1]) || Chars::IsPunct(text[end - 1])))
        --end;
    return text.substr(first, end - first);
}

// What follows the folding, on text already folded: every run of whitespace one blank, whitespace
// and punctuation off the ends, and "Last, First" turned round. Each side of the comma is trimmed the
// same way, so that the turned name is as tidy as any other ("Doe., John" gives "john doe").
template <class Chars, class Char>
std::basic_string<Char> Tidy(std::basic_string_view<Char> text)
{
    std::basic_string<Char> collapsed;
    collapsed.reserve(text.size());
    bool blank = false;
    for (const Char c : text) {
        if (Chars::IsSpace(c)) {
            blank = !collapsed.empty();
            continue;
        }
        if (blank)
            collapsed.push_back(Char(' '));
        blank = false;
        collapsed.push_back(c);
    }

    const std::basic_string_view<Char> trimmed = TrimEnds<Chars>(std::basic_string_view<Char>(collapsed));
    const size_t comma = trimmed.find(Char(','));
    if (comma != trimmed.npos && trimmed.find(Char(','), comma + 1) == trimmed.npos) {
        const auto last = TrimEnds<Chars>(trimmed.substr(0, comma));
        const auto first = TrimEnds<Chars>(trimmed.substr(comma + 1));
        if (!last.empty() && !first.empty()) {
            std::basic_string<Char> turned(first);
            turned.push_back(Char(' '));
            turned.append(last);
            return turned;
        }
    }
    return std::basic_string<Char>(trimmed);
}

// Invalid UTF-8 keeps its bytes: only ASCII whitespace is collapsed and trimmed.
std::string CollapseAsciiSpace(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool blank = false;
    for (const char c : text) {
        if (IsAsciiSpace(static_cast<unsigned char>(c))) {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out.push_back(' ');
        blank = false;
        out.push_back(c);
    }
    return out;
}

void AsciiLower(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

// ICU's own normaliser instances live as long as the process; fetched once.
struct Normalizers
{
    const UNormalizer2* nfd = nullptr;
    const UNormalizer2* nfc = nullptr;
};

const Normalizers& GetNormalizers()
{
    static const Normalizers normalizers = [] {
        Normalizers n;
        UErrorCode status = U_ZERO_ERROR;
        n.nfd = unorm2_getNFDInstance(&status);
        n.nfc = unorm2_getNFCInstance(&status);
        if (U_FAILURE(status))
            n = Normalizers{};
        return n;
    }();
    return normalizers;
}

// Runs one of ICU's UTF-16 to UTF-16 transforms into out, growing it once when the first guess of
// its size was short. False when ICU fails for any other reason.
template <class Transform>
bool RunInto(std::u16string& out, size_t guess, Transform transform)
{
    out.resize(guess);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = transform(out.data(), static_cast<int32_t>(out.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(static_cast<size_t>(length));
        status = U_ZERO_ERROR;
        length = transform(out.data(), static_cast<int32_t>(out.size()), &status);
    }
    if (U_FAILURE(status))
        return false;
    out.resize(static_cast<size_t>(length));
    return true;
}

bool ToUtf16(std::string_view text, std::u16string& out)
{
    if (text.size() > static_cast<size_t>(INT32_MAX / 4))
        return false;
    return RunInto(out, text.size(), [&](UChar* dest, int32_t capacity, UErrorCode* status) {
        int32_t length = 0;
        u_strFromUTF8(dest, capacity, &length, text.data(), static_cast<int32_t>(text.size()), status);
        return length;
    });
}

bool FoldCase(const std::u16string& text, std::u16string& out)
{
    // Full folding grows a unit to at most three (U+0390 becomes three code points).
    return RunInto(out, text.size() * 3, [&](UChar* dest, int32_t capacity, UErrorCode* status) {
        return u_strFoldCase(dest, capacity, text.data(), static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT,
                             status);
    });
}

bool Normalize(const UNormalizer2* normalizer, const std::u16string& text, std::u16string& out)
{
    if (normalizer == nullptr)
        return false;
    return RunInto(out, text.size() * 2 + 8, [&](UChar* dest, int32_t capacity, UErrorCode* status) {
        return unorm2_normalize(normalizer, text.data(), static_cast<int32_t>(text.size()), dest, capacity, status);
    });
}

// Letters whose mark is part of the letter, with no decomposition to drop it from: what a person
// typing without the keyboard for them writes instead. Applied after case folding.
UChar32 PlainLetter(UChar32 c)
{
    switch (c) {
    case 0x0131: // ı dotless i
        return 'i';
    case 0x0142: // ł
        return 'l';
    case 0x00F8: // ø
        return 'o';
    case 0x0111: // đ
        return 'd';
    case 0x0127: // ħ
        return 'h';
    default:
        return c;
    }
}

// The decomposed text without its non-spacing marks and with the plain letters in place.
std::u16string DropMarks(const std::u16string& text)
{
    std::u16string out;
    out.reserve(text.size());
    const UChar* s = text.data();
    const int32_t length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(s, i, length, c);
        if (u_charType(c) == U_NON_SPACING_MARK)
            continue;
        c = PlainLetter(c);
        if (U_IS_BMP(c)) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(U16_LEAD(c));
            out.push_back(U16_TRAIL(c));
        }
    }
    return out;
}

std::u32string CodePoints(const std::u16string& text)
{
    std::u32string out;
    out.reserve(text.size());
    const UChar* s = text.data();
    const int32_t length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(s, i, length, c);
        out.push_back(static_cast<char32_t>(c));
    }
    return out;
}

std::string ToUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text)
        platform::AppendUtf8(out, c);
    return out;
}

// Valid UTF-8 folded and tidied through ICU; false when ICU fails, which leaves the caller the
// byte-wise form.
bool NormalizeValid(std::string_view text, std::string& out)
{
    const Normalizers& n = GetNormalizers();
    std::u16string utf16, folded, decomposed, composed;
    if (!ToUtf16(text, utf16) || !FoldCase(utf16, folded) || !Normalize(n.nfd, folded, decomposed))
        return false;
    if (!Normalize(n.nfc, DropMarks(decomposed), composed))
        return false;
    const std::u32string points = CodePoints(composed);
    out = ToUtf8(Tidy<UnicodeChars>(std::u32string_view(points)));
    return true;
}

} // namespace

namespace smarttext_detail {

std::string NormalizeNameUnicode(std::string_view text)
{
    std::string out;
    if (!platform::IsValidUtf8(text) || !NormalizeValid(text, out))
        return CollapseAsciiSpace(text);
    return out;
}

} // namespace smarttext_detail

std::string NormalizeName(std::string_view text)
{
    // Most names are plain ASCII: lowering A-Z is all the folding they need (ASCII has neither
    // decompositions nor marks, and ASCII folds to ASCII).
    if (IsAscii(text)) {
        std::string lowered(text);
        AsciiLower(lowered);
        return Tidy<AsciiChars>(std::string_view(lowered));
    }
    return smarttext_detail::NormalizeNameUnicode(text);
}

std::string NormalizeNameParts(std::string_view first, std::string_view middle, std::string_view last)
{
    // Empty parts leave doubled blanks, which the normaliser collapses.
    std::string joined;
    joined.reserve(first.size() + middle.size() + last.size() + 2);
    joined.append(first).append(" ").append(middle).append(" ").append(last);
    return NormalizeName(joined);
}

std::string EmailKey(std::string_view text)
{
    auto trim = [](std::string_view s) {
        while (!s.empty() && IsAsciiSpace(static_cast<unsigned char>(s.front())))
            s.remove_prefix(1);
        while (!s.empty() && IsAsciiSpace(static_cast<unsigned char>(s.back())))
            s.remove_suffix(1);
        return s;
    };
    text = trim(text);
    constexpr std::string_view kMailto = "mailto:";
    if (text.size() >= kMailto.size()) {
        std::string head(text.substr(0, kMailto.size()));
        AsciiLower(head);
        if (head == kMailto)
            text = trim(text.substr(kMailto.size()));
    }
    // An '@' with text on both sides: one between the first and the last character.
    if (text.size() < 3 || text.substr(1, text.size() - 2).find('@') == std::string_view::npos)
        return {};

    if (!IsAscii(text) && platform::IsValidUtf8(text)) {
        std::u16string utf16, folded;
        if (ToUtf16(text, utf16) && FoldCase(utf16, folded)) {
            std::string out;
            UErrorCode status = U_ZERO_ERROR;
            int32_t length = 0;
            u_strToUTF8(nullptr, 0, &length, folded.data(), static_cast<int32_t>(folded.size()), &status);
            out.resize(static_cast<size_t>(length));
            status = U_ZERO_ERROR;
            u_strToUTF8(out.data(), length, &length, folded.data(), static_cast<int32_t>(folded.size()), &status);
            if (U_SUCCESS(status))
                return out;
        }
    }
    // ASCII, or bytes that are not UTF-8 and so fold only where they are ASCII.
    std::string key(text);
    AsciiLower(key);
    return key;
}
