// CHTMLGrid's pictures: the inline-image requests of its cells answered from
// two caches shared by all cells (numbered resource pictures, and pictures
// named by file or by a number the parent resolves), each bitmap loaded once.

#include <string>
#include <vector>

#include "grid/html_grid.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/system_metrics.h"
#include "platform/images/bitmap_loading.h"
#include "platform/images/icons.h"

namespace {

constexpr size_t kMaxPath = 260;

bool IsDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

}  // namespace

DWORD CHTMLGrid::NameHash(const WCHAR* name, int length)
{
    DWORD h = 0;
    for (int i = 0; i < length; ++i) {
        h = (h << 4) + static_cast<DWORD>(name[i]);
        const DWORD g = h & 0xF0000000u;
        if (g != 0) h ^= g >> 24;
        h &= ~g;
    }
    return h;
}

void CHTMLGrid::SetResourcesRootPath(const WCHAR* path) { m_sResourcesRoot = path ? path : u""; }

HBITMAP CHTMLGrid::AddIconToCache(WORD id)
{
    auto it = m_IconCache.find(id);
    if (it != m_IconCache.end()) return it->second.Get();
    HICON icon = LoadIconW(m_hResources, MAKEINTRESOURCEW(id));
    if (!icon) return nullptr;
    // The icon through its mask on a square of the transparent colour, at
    // the small-icon size of the screen.
    const int side = GetSystemMetrics(SM_CXSMICON);
    platform::OwnedBitmap bitmap(CreateCompatibleBitmap(nullptr, side, side));
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc) return nullptr;
    HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
    const RECT all{0, 0, side, side};
    platform::OwnedBrush key(CreateSolidBrush(kPictureColourKey));
    FillRect(dc.Get(), &all, key.Get());
    const BOOL drawn = DrawIconEx(dc.Get(), 0, 0, icon, side, side, 0, nullptr, DI_NORMAL);
    SelectObject(dc.Get(), old);
    DestroyIcon(icon);
    if (!drawn) return nullptr;
    HBITMAP result = bitmap.Get();
    m_IconCache[id] = std::move(bitmap);
    return result;
}

HBITMAP CHTMLGrid::AddBitmapToCache(WORD id)
{
    auto it = m_IconCache.find(id);
    if (it != m_IconCache.end()) return it->second.Get();
    // A numbered bitmap first; failing that, the icon of that number.
    HBITMAP bitmap = LoadBitmapW(m_hResources, MAKEINTRESOURCEW(id));
    if (!bitmap) return AddIconToCache(id);
    m_IconCache[id].Reset(bitmap);
    return bitmap;
}

HBITMAP CHTMLGrid::AddBitmapToCache(const WCHAR* name, int length, bool isFile)
{
    if (!name || length <= 0) return nullptr;
    const DWORD hash = NameHash(name, length);
    auto it = m_FileCache.find(hash);
    if (it != m_FileCache.end()) return it->second.Get();
    HBITMAP bitmap = nullptr;
    if (isFile) {
        std::u16string path(name, static_cast<size_t>(length));
        if (name[0] != u'\\') path = m_sResourcesRoot + path;
        bitmap = SHLoadDIBitmap(path.c_str());
    } else {
        // "S<number>": the parent owns the numbering.
        int number = 0;
        int i = 1;
        while (i < length && !IsDigit(name[i])) ++i;
        for (; i < length && IsDigit(name[i]) && number < 65536; ++i) number = number * 10 + (name[i] - u'0');
        bitmap = m_hParent ? reinterpret_cast<HBITMAP>(SendMessageW(m_hParent, GN_GETBITMAP, 0, number)) : nullptr;
    }
    if (!bitmap) return nullptr;
    m_FileCache[hash].Reset(bitmap);
    return bitmap;
}

void CHTMLGrid::ClearBitmapCache()
{
    // The cells' and floaters' image tokens borrow the cached bitmaps: take
    // the caches away first, then parse every mark-up again so that each
    // picture is loaded afresh instead of pointing at a freed bitmap.
    // A tooltip's pictures come from the caches too: it is shown again only
    // with mark-up parsed anew.
    HideToolTips();
    std::map<WORD, platform::OwnedBitmap> icons = std::move(m_IconCache);
    std::map<DWORD, platform::OwnedBitmap> files = std::move(m_FileCache);
    m_IconCache.clear();
    m_FileCache.clear();
    std::vector<DWORD> keys;
    keys.reserve(m_Cells.size());
    for (const auto& [key, cell] : m_Cells) keys.push_back(key);
    for (DWORD key : keys) {
        // A picture the parent supplies (GN_GETBITMAP) is asked for again
        // while parsing, and the parent may change the cells meanwhile: each
        // cell is looked up afresh.
        tagCELLINFO* cell = FindCell(static_cast<WORD>(key >> 16), static_cast<WORD>(key & 0xFFFF));
        if (!cell) continue;
        cell->hotspots.clear();
        cell->ParseHTML(m_hWnd);
        cell = FindCell(static_cast<WORD>(key >> 16), static_cast<WORD>(key & 0xFFFF));
        if (!cell) continue;
        for (size_t i = 0; i < cell->floaters.size(); ++i) {
            tagFLOATERINFO* f = cell->floaters[i];
            if (f->anchor != cell) continue;
            f->content.SetHTML(f->source.c_str());
            f->content.ParseHTML(m_hWnd);
        }
    }
    // Only now may the old bitmaps go, except those handed back again (a
    // parent may answer with a picture it keeps): the new caches own them.
    auto keep = [this](HBITMAP bitmap) {
        for (const auto& [id, owned] : m_IconCache)
            if (owned.Get() == bitmap) return true;
        for (const auto& [hash, owned] : m_FileCache)
            if (owned.Get() == bitmap) return true;
        return false;
    };
    for (auto& [id, owned] : icons)
        if (keep(owned.Get())) owned.Detach();
    for (auto& [hash, owned] : files)
        if (keep(owned.Get())) owned.Detach();
    Repaint();
}

LRESULT CHTMLGrid::OnInlineImageNotify(NM_IMAGENOTIFY* request)
{
    if (!request || !request->name) return 0;
    const WCHAR* name = request->name;
    size_t length = 0;
    while (name[length]) ++length;
    const int n = static_cast<int>(length);
    HBITMAP bitmap = nullptr;
    BYTE icon = 0;
    if (length > 4 && length < kMaxPath - m_sResourcesRoot.size() && name[length - 4] == u'.') {
        bitmap = AddBitmapToCache(name, n, true);
    } else if (length > 0 && IsDigit(name[0])) {
        int number = 0;
        for (size_t i = 0; i < length && IsDigit(name[i]) && number < 65536; ++i) number = number * 10 + (name[i] - u'0');
        if (number < 65535) bitmap = AddBitmapToCache(static_cast<WORD>(number));
        icon = 1;
    } else if (length >= 4 && name[0] == u'S' && IsDigit(name[2])) {
        bitmap = AddBitmapToCache(name, n, false);
    }
    if (!bitmap) return 0;
    request->bitmap = bitmap;
    request->isIcon = icon;
    return 1;
}
