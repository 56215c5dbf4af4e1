// SettingsText: the text of a settings name or string value. Text read from a
// file points into that file's loaded characters (which the file object keeps
// alive), so loading copies nothing; text set later owns its characters.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/base/types.h"

class SettingsText {
public:
    SettingsText() = default;
    SettingsText(SettingsText&&) noexcept = default;
    SettingsText& operator=(SettingsText&&) noexcept = default;

    // Points at text that outlives this object.
    static SettingsText Borrow(std::u16string_view text)
    {
        SettingsText t;
        t.m_text = text.data();
        t.m_length = static_cast<std::uint32_t>(text.size());
        return t;
    }
    // Keeps its own copy, terminated so that it reads as a C string too.
    static SettingsText Own(std::u16string_view text)
    {
        SettingsText t;
        t.m_owned.reset(new WCHAR[text.size() + 1]);
        if (!text.empty()) std::memcpy(t.m_owned.get(), text.data(), text.size() * sizeof(WCHAR));
        t.m_owned[text.size()] = 0;
        t.m_text = t.m_owned.get();
        t.m_length = static_cast<std::uint32_t>(text.size());
        return t;
    }

    std::u16string_view View() const { return {m_text ? m_text : u"", m_length}; }
    size_t Length() const { return m_length; }

private:
    const WCHAR* m_text = nullptr;
    std::uint32_t m_length = 0;
    std::unique_ptr<WCHAR[]> m_owned;
};
