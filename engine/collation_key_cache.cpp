#include "engine/collation_key_cache.h"

#include <utility>

void CollationKeyCache::Begin(const LocaleComparer& comparer)
{
    const std::string_view locale = comparer.LocaleTag();
    if (locale != m_locale) {
        m_keys.clear();
        m_locale = locale;
    }
}

void CollationKeyCache::End()
{
    if (m_keys.size() > kMaxKeys) m_keys.clear();
}

const std::string* CollationKeyCache::KeyOf(const LocaleComparer& comparer, std::u16string_view text)
{
    auto found = m_keys.find(text);
    if (found != m_keys.end()) return found->second ? &*found->second : nullptr;
    std::string key;
    std::optional<std::string> made;
    if (comparer.AppendKey(text.data(), static_cast<int>(text.size()), key)) made = std::move(key);
    auto [at, added] = m_keys.emplace(std::u16string(text), std::move(made));
    return at->second ? &*at->second : nullptr;
}

std::uint64_t CollationKeyCache::HeadOf(const std::string& key)
{
    std::uint64_t head = 0;
    for (size_t i = 0; i < 8; ++i)
        head = head << 8 | (i < key.size() ? static_cast<std::uint8_t>(key[i]) : 0u);
    return head;
}
