// The parameter file on both sides: the helpers' parser on any bytes, and the app's writer read back
// by that parser with values taken from the same bytes.
#include "common/google/CxGAppParam.h"
#include "common/google/records/HelperContract.h"
#include "fuzz/FuzzSupport.h"
#include "helpers/base/PlainName.h"
#include "helpers/driver/HelperParams.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

void AppendInt(std::string& image, int32_t value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    image.append(bytes, sizeof bytes);
}

// The entries as the file format lays them out; an accepted file must start with exactly these bytes.
std::string Encode(const std::vector<ParamEntry>& entries)
{
    std::string image;
    AppendInt(image, static_cast<int32_t>(entries.size()));
    for (const ParamEntry& entry : entries) {
        AppendInt(image, entry.key);
        AppendInt(image, entry.type);
        if (entry.type == VT_I4 || entry.type == VT_R8 || entry.type == VT_BOOL) {
            AppendInt(image, entry.number);
        } else if (entry.type == VT_BSTR) {
            AppendInt(image, static_cast<int32_t>(entry.text.size()));
            image += entry.text;
        }
    }
    return image;
}

bool NoZeroByte(const std::string& text)
{
    return text.find('\0') == std::string::npos;
}

bool NameOrAbsent(const std::string& name)
{
    return name.empty() || IsPlainName(name);
}

void CheckParser(std::string_view bytes)
{
    std::vector<ParamEntry> entries;
    std::string error;
    if (!ParseParamBytes(bytes, entries, error)) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    FUZZ_CHECK(entries.size() <= kMaxParamEntries);
    std::set<int32_t> keys;
    for (const ParamEntry& entry : entries) {
        FUZZ_CHECK(entry.text.size() <= static_cast<size_t>(kMaxParamTextBytes));
        FUZZ_CHECK(entry.type == VT_BSTR || entry.text.empty());
        FUZZ_CHECK(keys.insert(entry.key).second);
    }
    // Nothing read that the bytes do not say, nothing of them skipped.
    FUZZ_CHECK(bytes.substr(0, Encode(entries).size()) == Encode(entries));

    for (const HelperKind kind : {HelperKind::Contacts, HelperKind::Calendar, HelperKind::Tasks, HelperKind::Notes}) {
        HelperParams params;
        if (!TakeHelperParams(entries, kind, params, error)) {
            FUZZ_CHECK(!error.empty());
            continue;
        }
        // Every name joined to the work folder stays inside it; none is cut short by a zero byte.
        FUZZ_CHECK(IsPlainName(params.dataFile));
        if (kind == HelperKind::Calendar)
            FUZZ_CHECK(IsPlainName(params.calendarFile) && params.calendarFile != params.dataFile);
        else
            FUZZ_CHECK(params.calendarFile.empty());
        FUZZ_CHECK(NameOrAbsent(params.errorFile) && NameOrAbsent(params.statusFile) && NameOrAbsent(params.logFile));
        FUZZ_CHECK(params.errorFile.empty() ||
                   (params.errorFile != params.dataFile && params.errorFile != params.calendarFile &&
                    params.errorFile != params.statusFile));
        FUZZ_CHECK(!params.workFolder.empty() && params.workFolder.back() == '/');
        for (const std::string* text :
             {&params.email, &params.password, &params.workFolder, &params.logFolder, &params.options})
            FUZZ_CHECK(NoZeroByte(*text));
        FUZZ_CHECK(params.operation >= OP_LOAD && params.operation <= OP_EMPTY_TRASH);
        FUZZ_CHECK(params.logLevel >= 0 && params.logLevel <= 3);
    }
}

int32_t Truncated(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    if (value <= static_cast<double>(INT32_MIN))
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

struct Written
{
    int32_t key;
    int32_t type;
    int32_t number;
    std::string text; // as handed to SetValue
};

void CheckRoundTrip(std::string_view bytes)
{
    FuzzedDataProvider in(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    static constexpr int32_t kTypes[] = {VT_I4, VT_R8, VT_BSTR, VT_BOOL};
    CxGAppParamParser writer;
    std::vector<Written> written;
    const size_t count = in.ConsumeIntegralInRange<size_t>(0, 24);
    for (size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
        // Mostly the contract's keys, so entries meet again under the same key.
        const int32_t key =
            in.ConsumeBool() ? PARAM_EMAIL + in.ConsumeIntegralInRange<int32_t>(0, 16) : in.ConsumeIntegral<int32_t>();
        const int32_t type = in.ConsumeBool() ? in.PickValueInArray(kTypes) : in.ConsumeIntegral<int32_t>();
        Written value{key, type, 0, {}};
        bool set = false;
        if (type == VT_I4) {
            value.number = in.ConsumeIntegral<int32_t>();
            set = writer.SetValue(key, type, &value.number);
        } else if (type == VT_R8) {
            const double number = in.ConsumeFloatingPoint<double>();
            value.number = Truncated(number);
            set = writer.SetValue(key, type, &number);
        } else if (type == VT_BOOL) {
            const uint8_t flag = in.ConsumeIntegral<uint8_t>();
            value.number = flag ? 1 : 0;
            set = writer.SetValue(key, type, &flag);
        } else if (type == VT_BSTR) {
            value.text = in.ConsumeRandomLengthString(3000).c_str();
            set = writer.SetValue(key, type, value.text.c_str());
        } else {
            set = writer.SetValue(key, type, &value.number);
        }
        auto held = std::find_if(written.begin(), written.end(), [&](const Written& w) { return w.key == key; });
        FUZZ_CHECK(set == (held == written.end() || held->type == type));
        if (set && held != written.end())
            *held = value;
        else if (set)
            written.push_back(value);
    }

    const std::string path = fuzz::ScratchFolder() + "param.dat";
    FUZZ_CHECK(writer.Save(path.c_str()));
    std::vector<ParamEntry> entries;
    std::string error;
    FUZZ_CHECK(ReadParamFile(path, entries, error));
    FUZZ_CHECK(entries.size() == written.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const ParamEntry& got = entries[i];
        const Written& want = written[i];
        FUZZ_CHECK(got.key == want.key && got.type == want.type);
        if (want.type != VT_BSTR) {
            const bool hasNumber = want.type == VT_I4 || want.type == VT_R8 || want.type == VT_BOOL;
            FUZZ_CHECK(got.number == (hasNumber ? want.number : 0));
            continue;
        }
        // A text comes back whole when it is valid UTF-8 that fits; a longer one is cut before the
        // character that would not fit; anything else comes back as valid UTF-8 within the limit.
        FUZZ_CHECK(got.text.size() <= kMaxParamText && platform::IsValidUtf8(got.text));
        if (platform::IsValidUtf8(want.text))
            FUZZ_CHECK(got.text == want.text.substr(0, platform::Utf8CutLength(want.text, kMaxParamText)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckParser(bytes);
    CheckRoundTrip(bytes);
    return 0;
}
