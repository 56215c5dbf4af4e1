#include "platform/kernel/internal/named_objects.h"

#include <string>
#include <unordered_map>

namespace platform {
namespace {

// Names map to weak references: an object leaves the name space when its last handle closes.
std::unordered_map<std::u16string, std::weak_ptr<WaitableObject>>& Names()
{
    static auto* names = new std::unordered_map<std::u16string, std::weak_ptr<WaitableObject>>;
    return *names;
}

}  // namespace

std::shared_ptr<WaitableObject> FindNamedLocked(const WCHAR* name)
{
    auto& names = Names();
    auto it = names.find(name);
    if (it == names.end()) return nullptr;
    auto object = it->second.lock();
    if (!object) names.erase(it);
    return object;
}

void RegisterNamedLocked(const WCHAR* name, const std::shared_ptr<WaitableObject>& object)
{
    auto& names = Names();
    if (names.size() > 64 && names.size() % 64 == 0)  // sweep names of closed objects now and then
        std::erase_if(names, [](const auto& entry) { return entry.second.expired(); });
    names[name] = object;
}

}  // namespace platform
