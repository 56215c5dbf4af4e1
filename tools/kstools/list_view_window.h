// ListViewWindow: a top-level platform window whose client area is a list
// grid (grid/list_grid.h) showing a list view's rows and floaters, with its
// scroll bars, worked by stylus and keys: the wheel scrolls, the arrow, page,
// home and end keys go to the grid, which moves the selection and scrolls; a
// tap selects a row or opens and closes a header; a double tap shows the
// row's summary in a pop-up box over the list, a tap and hold a notice of
// what was held (any tap closes the box); typed characters are handed to the
// content's search (keys typed while the list loads fold into one more
// load). The content is made again when asked, and when this or
// another program changes the databases it watches (WatchStore): the store
// announces each change, and the window reloads once a burst has settled.
// `kstools ... --png`
// draws through the same window, so the two show the same picture.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/store_change_watch.h"
#include "grid/calendar_day_presenter.h"
#include "grid/list_grid.h"
#include "grid/list_rows.h"
#include "platform/base/types.h"

namespace kstools {

struct LISTCONTENT {
    CListRows rows{{}};
    std::vector<LISTFLOATER> floaters;
};

class ListViewWindow {
public:
    // Makes the content for the search text typed so far (empty: none).
    using Loader = std::function<LISTCONTENT(const std::u16string& search)>;

    ListViewWindow(Loader load, bool searchable);
    ~ListViewWindow();
    ListViewWindow(const ListViewWindow&) = delete;
    ListViewWindow& operator=(const ListViewWindow&) = delete;

    // Creates the window at the size; false when it cannot be made.
    bool Create(const std::u16string& title, int width, int height);
    HWND Window() const { return m_hwnd; }
    // Makes the content again whenever one of these databases changes;
    // false when one cannot be watched.
    bool WatchStore(std::initializer_list<const WCHAR*> databases);
    // Brings the content shown up to date after a burst of store changes
    // without loading it again; false when it cannot (the window loads).
    using Refresher = std::function<bool(const std::vector<STORECHANGE>& changes, LISTCONTENT& content)>;
    void SetRefresher(Refresher refresh) { m_refresh = std::move(refresh); }

    // What the window shows, for tests and the presenter.
    int TopRow() const;
    int Selected() const;
    CListGrid* Grid() const { return m_grid.get(); }
    const std::u16string& Popup() const { return m_popup; }
    const std::u16string& Search() const { return m_search; }

private:
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT PopupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Reload();
    // Reloads once the changes coming in a burst have settled.
    void ReloadSoon();
    // After a settled burst: refreshes the rows it names, or reloads.
    void RefreshFromStore();
    void Show(LISTCONTENT content);
    void PaintPopup();
    void ShowPopup(std::u16string markup);
    void Layout();
    void Tap(int x, int y);
    void Held();
    void Key(UINT vk, LPARAM keyData);
    std::u16string RowText(int row) const;

    Loader m_load;
    bool m_searchable;
    HWND m_hwnd = nullptr;
    HWND m_popupWnd = nullptr;
    std::unique_ptr<CListGrid> m_grid;
    std::u16string m_popup;
    std::u16string m_search;
    DWORD m_lastTapTime = 0;
    int m_lastTapRow = -2;
    bool m_down = false;
    bool m_held = false;
    bool m_reloading = false;
    bool m_reloadAgain = false;
    POINT m_downAt{};
    Refresher m_refresh;
    // Changes announced (on the watch's thread) since the last load.
    std::mutex m_pendingLock;
    std::vector<STORECHANGE> m_pending;
    std::unique_ptr<CStoreChangeWatch> m_watch;
};

}  // namespace kstools
