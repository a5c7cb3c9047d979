// The smart matching normalisers on any bytes: names, e-mail addresses and phone numbers.
#include "app/core/PhoneKey.h"
#include "app/core/SmartText.h"
#include "fuzz/FuzzSupport.h"

#include <string>

namespace {

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

void CheckPhoneKey(const PhoneKeys& keys, std::string_view text)
{
    const std::string key = keys.Key(text);
    FUZZ_CHECK(key.empty() || key.front() == '+' || key.front() == PhoneKeys::kDigitsPrefix);
    if (!key.empty() && key.front() == PhoneKeys::kDigitsPrefix)
        FUZZ_CHECK(key.size() > 1 && key.find_first_not_of("0123456789", 1) == std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::string name = NormalizeName(input);
    if (platform::IsValidUtf8(input)) {
        // The normal form is valid text and its own normal form.
        FUZZ_CHECK(platform::IsValidUtf8(name));
        FUZZ_CHECK(NormalizeName(name) == name);
    }
    // The ASCII shortcut and ICU agree.
    if (IsAscii(input))
        FUZZ_CHECK(smarttext_detail::NormalizeNameUnicode(input) == name);

    const std::string email = EmailKey(input);
    FUZZ_CHECK(email.empty() || email.find('@') != std::string::npos);

    static const PhoneKeys germany("DE");
    static const PhoneKeys nowhere("ZZ");
    CheckPhoneKey(germany, input);
    CheckPhoneKey(nowhere, input);
    return 0;
}
