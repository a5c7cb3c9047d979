// One CSV line through CSV::Parse. The first byte picks plain or quoted mode; the line is the rest,
// up to a zero byte. The module has no writer: rows are put back together here.
#include "common/misc/CSV.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Items(const CSV& csv)
{
    std::vector<std::string> items;
    for (uint32_t i = 0; i < csv.GetCount(); ++i)
        items.emplace_back(csv.GetItem(i));
    FUZZ_CHECK(std::string(csv.GetItem(csv.GetCount())).empty());
    return items;
}

std::string Join(const std::vector<std::string>& items, bool quoted)
{
    std::string line;
    for (size_t i = 0; i < items.size(); ++i)
        line += (i ? "," : "") + (quoted ? "\"" + items[i] + "\"" : items[i]);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool quoted = data[0] & 1;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string line(bytes.c_str());

    CSV csv(nullptr, quoted);
    FUZZ_CHECK(csv.Parse(line.c_str()) == !line.empty());
    const std::vector<std::string> items = Items(csv);
    if (line.empty()) {
        FUZZ_CHECK(items.empty());
        return 0;
    }
    if (!quoted) {
        // Plain fields are the line's own pieces between its commas.
        FUZZ_CHECK(items.size() == static_cast<size_t>(std::count(line.begin(), line.end(), ',')) + 1);
        FUZZ_CHECK(Join(items, false) == line);
        return 0;
    }
    // Quoted fields without quotes of their own come back from a row that encloses each in quotes.
    if (std::none_of(items.begin(), items.end(),
                     [](const std::string& item) { return item.find('"') != std::string::npos; })) {
        CSV again(Join(items, true).c_str(), true);
        FUZZ_CHECK(Items(again) == items);
    }
    return 0;
}
