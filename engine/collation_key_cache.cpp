#include "engine/collation_key_cache.h"

#include <iterator>
#include <utility>

void CollationKeyCache::Begin(const LocaleComparer& comparer)
{
    const std::string_view locale = comparer.LocaleTag();
    m_order.clear();
    if (locale != m_locale) {
        m_lastOrder.clear();
        m_keys.clear();
        m_locale = locale;
    }
    ++m_sort;
}

void CollationKeyCache::End()
{
    // Over the bound, the keys this sort did not use go until the bound is
    // met again; the ones it used all stay, for the next sort of the list.
    for (auto at = m_keys.begin(); m_keys.size() > kMaxKeys && at != m_keys.end();)
        at = at->second.sort == m_sort ? std::next(at) : m_keys.erase(at);
    m_lastOrder.swap(m_order);
    m_order.clear();
}

const std::string* CollationKeyCache::KeyOf(const LocaleComparer& comparer, std::u16string_view text)
{
    const size_t place = m_order.size();
    Keys::value_type* entry =
        place < m_lastOrder.size() && m_lastOrder[place]->first == text ? m_lastOrder[place] : nullptr;
    if (!entry) {
        auto found = m_keys.find(text);
        if (found == m_keys.end()) {
            std::string key;
            Kept made;
            if (comparer.AppendKey(text.data(), static_cast<int>(text.size()), key)) made.key = std::move(key);
            found = m_keys.emplace(std::u16string(text), std::move(made)).first;
        }
        entry = &*found;
    }
    m_order.push_back(entry);
    entry->second.sort = m_sort;
    return entry->second.key ? &*entry->second.key : nullptr;
}

std::uint64_t CollationKeyCache::HeadOf(const std::string& key)
{
    std::uint64_t head = 0;
    for (size_t i = 0; i < 8; ++i)
        head = head << 8 | (i < key.size() ? static_cast<std::uint8_t>(key[i]) : 0u);
    return head;
}
