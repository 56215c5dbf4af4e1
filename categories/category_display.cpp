#include "categories/category_display.h"

#include <algorithm>

#include "platform/files/find_files.h"
#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"
#include "platform/text/wide_string.h"

namespace {

constexpr size_t kFolderChars = 260;
constexpr size_t kTypesChars = 100;

}  // namespace

CCategoryDisplay::CCategoryDisplay(const WCHAR* folder, const WCHAR* types)
    : m_folder(std::u16string(folder ? folder : u"").substr(0, kFolderChars))
{
    SetGraphicTypes(types);
    LoadCategoryIcons();
}

void CCategoryDisplay::SetGraphicTypes(const WCHAR* types)
{
    m_types = std::u16string(types && *types ? types : kCategoryPictureTypes).substr(0, kTypesChars);
}

void CCategoryDisplay::Init()
{
    UnInit();
    LoadCategoryIcons();
}

void CCategoryDisplay::LoadCategoryIcons()
{
    m_names.clear();
    size_t begin = 0;
    while (begin < m_types.size()) {
        size_t dot = m_types.find(u'.', begin);
        if (dot == std::u16string::npos) dot = m_types.size();
        const std::u16string extension = m_types.substr(begin, dot - begin);
        begin = dot + 1;
        if (extension.empty()) continue;
        const std::u16string pattern = m_folder + u"\\*." + extension;
        WIN32_FIND_DATAW found{};
        const platform::FindHandle find(FindFirstFileW(pattern.c_str(), &found));
        if (!find.Valid()) continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (found.nFileSizeHigh != 0 || found.nFileSizeLow >= kCategoryPictureMaxBytes) continue;
            m_names.emplace_back(found.cFileName);
        } while (FindNextFileW(find.Get(), &found));
    }
    std::sort(m_names.begin(), m_names.end(), [](const std::u16string& a, const std::u16string& b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
    });
}
