#include "helpers/account/ItemIdentity.h"

namespace {

// FNV-1a twice: the second starts from another basis, so two names that collide in one hash almost
// never collide in the other.
constexpr uint32_t kFnvPrime = 16777619u;
constexpr uint32_t kFirstBasis = 2166136261u;
constexpr uint32_t kSecondBasis = 0x9e3779b9u;

uint32_t Fnv1a(std::string_view text, uint32_t hash)
{
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

} // namespace

ItemIdentity IdentityOfName(std::string_view name)
{
    return {static_cast<int32_t>(Fnv1a(name, kFirstBasis)), static_cast<int32_t>(Fnv1a(name, kSecondBasis))};
}

IdentityMatch FindByIdentity(const std::vector<std::string>& names, ItemIdentity identity, std::string& name)
{
    name.clear();
    int found = 0;
    for (const std::string& candidate : names) {
        const ItemIdentity id = IdentityOfName(candidate);
        if (id.first == identity.first && id.second == identity.second) {
            ++found;
            name = candidate;
        }
    }
    if (found == 1)
        return IdentityMatch::Found;
    name.clear();
    return found == 0 ? IdentityMatch::None : IdentityMatch::Several;
}
