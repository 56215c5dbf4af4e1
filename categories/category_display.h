// CCategoryDisplay: the picture files a folder offers for categories, for
// the dialogs that assign a picture to a category. Files of 256000 bytes or
// more are not offered; the names are sorted.
#pragma once

#include <string>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"

inline constexpr DWORD kCategoryPictureMaxBytes = 256000;
inline constexpr const WCHAR* kCategoryPictureTypes = u".bmp";

class KSTOOLS_API CCategoryDisplay {
public:
    // Scans folder (a device path) for files of the extensions in types
    // (".bmp.png"; null: ".bmp").
    explicit CCategoryDisplay(const WCHAR* folder, const WCHAR* types = nullptr);

    // Scans again.
    void Init();
    void UnInit() { m_names.clear(); }
    void LoadCategoryIcons();
    void SetGraphicTypes(const WCHAR* types);
    const std::vector<std::u16string>& GetList() const { return m_names; }

private:
    std::u16string m_folder;  // at most 260 characters
    std::u16string m_types;   // at most 100 characters
    std::vector<std::u16string> m_names;
};
