#include "storage/ini_file.h"

#include <algorithm>

#include "storage/settings_name.h"

namespace {

bool RemoveName(std::vector<std::u16string>& names, std::u16string_view name)
{
    auto it = std::find_if(names.begin(), names.end(),
                           [&](const std::u16string& n) { return settings::NamesEqual(n, name); });
    if (it == names.end()) return false;
    names.erase(it);
    return true;
}

void AddName(std::vector<std::u16string>& names, std::u16string_view name)
{
    bool present =
        std::any_of(names.begin(), names.end(), [&](const std::u16string& n) { return settings::NamesEqual(n, name); });
    if (!present) names.emplace_back(name);
}

CRegistry::INIFile::Value CopyValue(const CRegistry::INIFile::Value& from)
{
    CRegistry::INIFile::Value v;
    v.name = SettingsText::Own(from.name.View());
    v.text = SettingsText::Own(from.text.View());
    v.number = from.number;
    v.kind = from.kind;
    v.changed = from.changed;
    return v;
}

}  // namespace

// ---- Section --------------------------------------------------------------

void SettingsSection::AddPendingLines(const WCHAR* begin, const WCHAR* end)
{
    if (begin >= end) return;
    if (!m_pendingBegin) {
        m_pendingBegin = begin;
        m_pendingEnd = end;
    } else {
        m_morePending.emplace_back(begin, end);
    }
}

void SettingsSection::ReadPendingLines() const
{
    auto readRange = [this](const WCHAR* p, const WCHAR* end) {
        while (p < end) {
            const WCHAR* stop = p;
            while (stop < end && *stop != u'\n') ++stop;
            SettingsValue value;
            if (ParseSettingsValueLine(std::u16string_view(p, static_cast<size_t>(stop - p)), value)) {
                m_values.push_back(std::move(value));
            }
            p = stop + 1;
        }
    };
    const WCHAR* begin = m_pendingBegin;
    const WCHAR* end = m_pendingEnd;
    m_pendingBegin = m_pendingEnd = nullptr;
    readRange(begin, end);
    for (const auto& range : m_morePending) readRange(range.first, range.second);
    m_morePending.clear();
    m_index.Clear();
}

std::ptrdiff_t SettingsSection::IndexOf(std::u16string_view name) const
{
    Values();
    return m_index.Lookup(
        m_values.size(), [this](size_t i) { return m_values[i].name.View(); }, name);
}

SettingsValue* SettingsSection::Find(std::u16string_view name)
{
    std::ptrdiff_t i = IndexOf(name);
    return i < 0 ? nullptr : &m_values[static_cast<size_t>(i)];
}

SettingsValue& SettingsSection::Append(SettingsValue value)
{
    Values();
    if (m_index.Built())
        m_index.Appended(settings::NameHash(value.name.View()), static_cast<std::uint32_t>(m_values.size()));
    m_values.push_back(std::move(value));
    return m_values.back();
}

bool SettingsSection::Remove(std::u16string_view name)
{
    std::ptrdiff_t i = IndexOf(name);
    if (i < 0) return false;
    m_values.erase(m_values.begin() + i);
    m_index.Clear();
    return true;
}

// ---- File -----------------------------------------------------------------

CRegistry::INIFile::INIFile(std::u16string path) : m_path(std::move(path)) {}

void CRegistry::INIFile::Clear()
{
    m_sections.clear();
    m_sectionBlocks.clear();
    m_lastBlockSize = m_lastBlockUsed = 0;
    m_deletedSectionNames.clear();
    m_sectionIndex.Clear();
    m_source.reset();
    dirty = false;
    ++generation;
}

void CRegistry::INIFile::NewSectionBlock(size_t size)
{
    m_sectionBlocks.emplace_back(new Section[size]);
    m_lastBlockSize = size;
    m_lastBlockUsed = 0;
}

void CRegistry::INIFile::ReserveSections(size_t count)
{
    if (m_lastBlockSize - m_lastBlockUsed < count) NewSectionBlock(count < 16 ? 16 : count);
    m_sections.reserve(m_sections.size() + count);
}

CRegistry::INIFile::Section& CRegistry::INIFile::AppendSection(SettingsText name)
{
    std::uint64_t hash = m_sectionIndex.Built() ? settings::NameHash(name.View()) : 0;
    return AppendSection(std::move(name), hash);
}

CRegistry::INIFile::Section& CRegistry::INIFile::AppendSection(SettingsText name, std::uint64_t hash)
{
    m_sectionIndex.Appended(hash, static_cast<std::uint32_t>(m_sections.size()));
    return PlaceSection(std::move(name));
}

std::ptrdiff_t CRegistry::INIFile::FindSection(std::u16string_view name) const { return FindSection(name, nullptr); }

// hash: the name's hash when the caller has it already, else null.
std::ptrdiff_t CRegistry::INIFile::FindSection(std::u16string_view name, const std::uint64_t* hash) const
{
    return m_sectionIndex.Lookup(
        m_sections.size(), [this](size_t i) { return m_sections[i]->Name(); }, name, hash);
}

size_t CRegistry::INIFile::OpenSection(std::u16string_view name, bool* created)
{
    std::ptrdiff_t found = FindSection(name);
    if (found >= 0) {
        if (created) *created = false;
        return static_cast<size_t>(found);
    }
    // A name deleted since the last save stays among the deleted names: the
    // save removes what the disk holds of it before this section goes in.
    AppendSection(SettingsText::Own(name));
    if (created) *created = true;
    return m_sections.size() - 1;
}

bool CRegistry::INIFile::DeleteSection(std::u16string_view name)
{
    AddName(m_deletedSectionNames, name);
    dirty = true;
    std::ptrdiff_t found = FindSection(name);
    if (found < 0) return false;
    EraseSection(static_cast<size_t>(found));
    ++generation;
    return true;
}

CRegistry::INIFile::Value& CRegistry::INIFile::SetValue(Section& section, std::u16string_view name)
{
    Value* value = section.Find(name);
    if (!value) {
        Value fresh;
        fresh.name = SettingsText::Own(name);
        value = &section.Append(std::move(fresh));
        RemoveName(section.deletedValueNames, name);
    }
    value->changed = true;
    section.modified = true;
    dirty = true;
    return *value;
}

void CRegistry::INIFile::SetNumber(Section& section, std::u16string_view name, ULONG number)
{
    Value& value = SetValue(section, name);
    value.kind = REG_DWORD;
    value.number = number;
    value.text = SettingsText();
}

void CRegistry::INIFile::SetString(Section& section, std::u16string_view name, std::u16string_view text)
{
    Value& value = SetValue(section, name);
    value.kind = REG_SZ;
    value.number = 0;
    value.text = SettingsText::Own(text);
}

bool CRegistry::INIFile::DeleteValue(Section& section, std::u16string_view name)
{
    AddName(section.deletedValueNames, name);
    dirty = true;
    return section.Remove(name);
}

void CRegistry::INIFile::RemoveSections(std::u16string_view name)
{
    for (std::ptrdiff_t at; (at = FindSection(name)) >= 0;) {
        EraseSection(static_cast<size_t>(at));
    }
}

// The section's place in its block stays unused until the file is cleared.
void CRegistry::INIFile::EraseSection(size_t position)
{
    *m_sections[position] = Section();
    m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(position));
    m_sectionIndex.Clear();
}

void CRegistry::INIFile::MergeWithDisk()
{
    INIFile disk(m_path);
    disk.Load();
    // Sections deleted here go first; one made again since is merged afresh.
    for (const std::u16string& name : m_deletedSectionNames) disk.RemoveSections(name);
    for (const Section* mine : m_sections) {
        // A section still unread holds no value set or removed here.
        if (mine->Unread() && !mine->modified && mine->deletedValueNames.empty()) continue;
        std::ptrdiff_t at = disk.FindSection(mine->Name());
        Section* theirs = at >= 0 ? &disk.SectionAt(static_cast<size_t>(at)) : nullptr;
        // Only values set here: one merely loaded may have been deleted on
        // disk since, and must not come back.
        for (size_t i = 0; i < mine->ValueCount(); ++i) {
            const Value& value = mine->ValueAt(i);
            if (!value.changed) continue;
            if (!theirs) theirs = &disk.AppendSection(SettingsText::Own(mine->Name()));
            if (Value* existing = theirs->Find(value.name.View())) {
                *existing = CopyValue(value);
            } else {
                theirs->Append(CopyValue(value));
            }
        }
        if (!theirs) continue;
        theirs->modified = mine->modified;
        for (const std::u16string& name : mine->deletedValueNames) {
            while (theirs->Remove(name)) {
            }
        }
        // Kept until the merged file is written, so that a failed write
        // still applies them at the next save.
        theirs->deletedValueNames = mine->deletedValueNames;
    }
    m_source = std::move(disk.m_source);
    m_sections = std::move(disk.m_sections);
    m_sectionBlocks = std::move(disk.m_sectionBlocks);
    m_lastBlockSize = disk.m_lastBlockSize;
    m_lastBlockUsed = disk.m_lastBlockUsed;
    m_sectionIndex.Clear();
    dirty = true;
    ++generation;
}

void CRegistry::INIFile::ClearChangeMarks()
{
    for (Section* section : m_sections) {
        section->modified = false;
        section->deletedValueNames.clear();
        if (section->Unread()) continue;
        for (size_t i = 0; i < section->ValueCount(); ++i) section->ValueAt(i).changed = false;
    }
    m_deletedSectionNames.clear();
    dirty = false;
}
