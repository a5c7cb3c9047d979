// vCard files through the contacts helper's reader.
#include "common/google/records/GAddrRecord.h"
#include "fuzz/FuzzSupport.h"
#include "helpers/vcard/ContactCard.h"

#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<GAddrRecord, decltype(&std::free)> record(
        static_cast<GAddrRecord*>(std::calloc(1, sizeof(GAddrRecord))), &std::free);
    FUZZ_CHECK(record != nullptr);
    std::string problem;
    const bool read = ReadContactCard(text, *record, problem);
    const size_t cards = CountContactCards(text);
    FUZZ_CHECK(!read || cards >= 1);

    // Every text ends inside its field and is valid UTF-8, whatever the card's charset said.
    fuzz::ImageOf(*record, GAddrRecordFields<fuzz::FieldImage, const GAddrRecord>, true);
    // The helper's own fields are the caller's.
    FUZZ_CHECK(record->nHeadValue1 == 0 && record->ActionCode == 0 && record->nHeadValue3 == 0);
    FUZZ_CHECK(record->szHelperText[0] == '\0');
    return 0;
}
