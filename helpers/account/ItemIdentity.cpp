#include "helpers/account/ItemIdentity.h"

#include "common/misc/Fnv1a.h"

namespace {

// FNV-1a twice: the second starts from another basis, so two names that collide in one hash almost
// never collide in the other.
constexpr uint32_t kSecondBasis = 0x9e3779b9u;

} // namespace

ItemIdentity IdentityOfName(std::string_view name)
{
    return {static_cast<int32_t>(Fnv1a32(name)), static_cast<int32_t>(Fnv1a32(name, kSecondBasis))};
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
