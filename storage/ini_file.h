// CRegistry::INIFile: one settings file in memory, and the settings file
// format it reads and writes.
//
// The format: UTF-16 little-endian text after the byte-order mark FF FE (a
// file without the mark is 8-bit text in the ANSI code page), lines ending in
// CR LF. "[name]" opens a section; "name=data" lines follow, the name written
// "\"name\"" (bare when it begins with '@'), strings as "\"text\"", numbers
// as dword:%08lX. Only bare data that begins with "dword:" is a number:
// quoted data is always a string, so a string whose text begins with
// "dword:" reads back as the string it was. Lines longer than 8,096
// characters are ignored when read, so a value whose line would be longer
// cannot be stored whole: CRegistry refuses to set it, and the writer, for
// values put into an INIFile directly, cuts the string so that its line
// fits (and says so in the trace log).
//
// Sections and values keep their order; names compare without case. A
// repeated section header continues the earlier section; a repeated value
// name is kept as it stands, and the first one answers queries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/c_registry.h"
#include "storage/settings_name_index.h"
#include "storage/settings_text.h"

// One named value of a section.
struct SettingsValue {
    SettingsText name;
    SettingsText text;     // the data of a string
    ULONG number = 0;      // the data of a number
    ULONG kind = REG_SZ;   // REG_SZ or REG_DWORD
    bool changed = false;  // set since the last write
};

// One section: its values in file order, and what was deleted from it.
//
// A section loaded from a file keeps its lines unread until its values are
// first used, so that loading a file of many sections costs little more than
// finding its section headers. Every access below reads them first.
class SettingsSection {
public:
    SettingsSection() = default;
    explicit SettingsSection(SettingsText name) : m_name(std::move(name)) {}
    std::u16string_view Name() const { return m_name.View(); }

    size_t ValueCount() const { return Values().size(); }
    SettingsValue& ValueAt(size_t index) { return Values()[index]; }
    const SettingsValue& ValueAt(size_t index) const { return Values()[index]; }
    // The first value of that name, or null.
    SettingsValue* Find(std::u16string_view name);
    const SettingsValue* Find(std::u16string_view name) const { return const_cast<SettingsSection*>(this)->Find(name); }
    // Appends a value whose name is not looked up first.
    SettingsValue& Append(SettingsValue value);
    // Removes the first value of that name; false when there is none.
    bool Remove(std::u16string_view name);
    // Lines [begin, end) of the loaded text that belong to this section, to
    // be read as values on first use. The text must outlive the section.
    void AddPendingLines(const WCHAR* begin, const WCHAR* end);
    // Whether the loaded lines are still unread: then no value was set or
    // removed here since the load.
    bool Unread() const { return m_pendingBegin != nullptr; }
    // The loaded lines while they are unread and one range; else empty.
    std::u16string_view UnreadText() const
    {
        if (!m_pendingBegin || !m_morePending.empty()) return {};
        return {m_pendingBegin, static_cast<size_t>(m_pendingEnd - m_pendingBegin)};
    }

    bool modified = false;                          // a value was set since the last write
    std::vector<std::u16string> deletedValueNames;  // removed since the last save

private:
    friend class CRegistry::INIFile;  // names the sections it places in its blocks

    std::vector<SettingsValue>& Values() const
    {
        if (m_pendingBegin) ReadPendingLines();
        return m_values;
    }
    void ReadPendingLines() const;
    std::ptrdiff_t IndexOf(std::u16string_view name) const;

    SettingsText m_name;
    mutable std::vector<SettingsValue> m_values;
    // Unread lines: the first range inline, further ones (a repeated header) after it.
    mutable const WCHAR* m_pendingBegin = nullptr;
    mutable const WCHAR* m_pendingEnd = nullptr;
    mutable std::vector<std::pair<const WCHAR*, const WCHAR*>> m_morePending;
    // Name hash -> first position, for big sections.
    mutable SettingsNameIndex m_index;
};

// Reads one value line of a settings file; false for a line that is no value
// (empty, too long, a section header, no '=').
bool ParseSettingsValueLine(std::u16string_view line, SettingsValue& value);
// Whether a line (without its CR LF) is a value line exactly as the writer
// writes it: a quoted name (or a bare one beginning with '@'), then
// "=dword:" and eight capital hexadecimal digits or a quoted string.
bool IsWrittenSettingsValueLine(std::u16string_view line);

class SectionHeaderKeys;

class CRegistry::INIFile {
public:
    using Value = SettingsValue;
    using Section = SettingsSection;

    // Lines longer than this are ignored when read.
    static constexpr size_t kLongestLine = 8096;
    // Whether the line of a value (a string of textLength characters, or a
    // number) or of a section header fits kLongestLine.
    static bool ValueLineFits(std::u16string_view name, ULONG kind, size_t textLength);
    static bool HeaderLineFits(std::u16string_view name) { return name.size() + 2 <= kLongestLine; }

    // path: the resolved (device) path.
    explicit INIFile(std::u16string path);
    INIFile(const INIFile&) = delete;
    INIFile& operator=(const INIFile&) = delete;

    const std::u16string& Path() const { return m_path; }

    // Clears the object and reads the file; a missing, empty or unreadable
    // file leaves it empty. False when the file could not be opened.
    bool Load();
    // Clears the object and parses the bytes of a settings file.
    void Parse(const void* bytes, size_t size);
    // The whole file as it is written: byte-order mark, CR LF lines.
    std::u16string Format() const;

    size_t SectionCount() const { return m_sections.size(); }
    Section& SectionAt(size_t index) { return *m_sections[index]; }
    const Section& SectionAt(size_t index) const { return *m_sections[index]; }
    // Position of the first section of that name, or -1. The first look-up
    // after a load builds the index of names, so even this const call
    // changes the object: callers sharing one file hold its cache's lock.
    std::ptrdiff_t FindSection(std::u16string_view name) const;
    // Finds or appends the section; *created tells which happened. A
    // section deleted since the last save and made again replaces the whole
    // section on disk at the next save.
    size_t OpenSection(std::u16string_view name, bool* created);
    // Deletes the section; false when there is none in memory. The deletion
    // is recorded either way, so that the next save removes the section from
    // the file also when another process wrote it after this one loaded.
    bool DeleteSection(std::u16string_view name);

    // Sets or appends a value of the section and marks it changed.
    void SetNumber(Section& section, std::u16string_view name, ULONG number);
    void SetString(Section& section, std::u16string_view name, std::u16string_view text);
    // Removes the value; false when the section holds none in memory. As
    // with sections, the deletion is recorded either way.
    bool DeleteValue(Section& section, std::u16string_view name);

    // Reads the file on disk again and merges this object's changes into it:
    // the values set here (replacing or added), and the values and sections
    // deleted here; everything else is as on disk, so a value this process
    // only loaded and another deleted stays deleted. The merged content
    // replaces this object's; the change marks stay until Write succeeds.
    void MergeWithDisk();
    // Writes the file durably (new file, flushed, renamed over the old one)
    // and clears every change mark. ERROR_SUCCESS or the platform's error.
    DWORD Write();
    // Merges and writes under the file's side lock, so that processes
    // saving the same file at once keep each other's changes.
    DWORD Save();

    bool dirty = false;
    int users = 0;
    // Counts replacements of the content and removals of sections, so that
    // an object that remembers a section's position knows to look again.
    std::uint64_t generation = 0;

private:
    void Clear();
    // hash: the name's hash (used only when the section index is in use).
    Section& AppendSection(SettingsText name, std::uint64_t hash);
    Section& AppendSection(SettingsText name);
    // Appends the section to the list alone; its index entry is the caller's.
    Section& PlaceSection(SettingsText name);
    void NewSectionBlock(size_t size);
    // Makes room for count more sections in one block and in the list.
    void ReserveSections(size_t count);
    std::ptrdiff_t FindSection(std::u16string_view name, const std::uint64_t* hash) const;
    void ParseText(const WCHAR* text, size_t length);
    // The section a header of that name opens during a load: an earlier
    // one of the name, or a new one. keys: the load's table of headers.
    Section* OpenHeader(std::u16string_view name, SectionHeaderKeys* keys);
    Value& SetValue(Section& section, std::u16string_view name);
    void RemoveSections(std::u16string_view name);
    void EraseSection(size_t position);
    void ClearChangeMarks();

    std::u16string m_path;
    std::unique_ptr<WCHAR[]> m_source;  // the loaded text, borrowed by names and values
    // Sections live in blocks of doubling size, so that a file of many
    // sections costs few allocations; m_sections holds them in file order.
    std::vector<std::unique_ptr<Section[]>> m_sectionBlocks;
    size_t m_lastBlockSize = 0;
    size_t m_lastBlockUsed = 0;
    std::vector<Section*> m_sections;
    std::vector<std::u16string> m_deletedSectionNames;
    mutable SettingsNameIndex m_sectionIndex;
};

inline CRegistry::INIFile::Section& CRegistry::INIFile::PlaceSection(SettingsText name)
{
    if (m_lastBlockUsed == m_lastBlockSize) NewSectionBlock(m_lastBlockSize ? 2 * m_lastBlockSize : 16);
    // A place in a block is used once, so it is still as made: only its name is set.
    Section& section = m_sectionBlocks.back()[m_lastBlockUsed++];
    section.m_name = std::move(name);
    m_sections.push_back(&section);
    return section;
}
