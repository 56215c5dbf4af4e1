// ListViewWindow: a top-level platform window that shows a list view's rows
// (and floaters) as PaintListRows lays them out, and works them by stylus
// and keys: the wheel, the arrow, page, home and end keys scroll and move the
// selection; a tap selects a row or opens and closes a header; a double tap
// shows the row's summary in a pop-up box, a tap and hold a notice of what
// was held (any tap closes the box); typed characters are handed to the
// content's search. The content is made again when asked, and when the
// store changes underneath it (polled once a second).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "grid/calendar_day_presenter.h"
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
    // Makes the content again when the store's files have changed.
    void PollStore();

    // What the window shows, for tests and the presenter.
    int TopRow() const { return m_top; }
    int Selected() const { return m_selected; }
    const std::u16string& Popup() const { return m_popup; }
    const std::u16string& Search() const { return m_search; }

private:
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Reload();
    void Paint();
    void Tap(int x, int y);
    void Held();
    void Key(UINT vk);
    void Scroll(int rows);
    void Select(int row);
    int RowAt(int y) const;
    int RowsPerPage() const;
    std::u16string RowText(int row) const;

    Loader m_load;
    bool m_searchable;
    HWND m_hwnd = nullptr;
    LISTCONTENT m_content;
    int m_top = 0;
    int m_selected = -1;
    std::vector<int> m_rowTops;  // of the last paint, from m_top
    int m_bottom = 0;
    std::u16string m_popup;
    std::u16string m_search;
    DWORD m_lastTapTime = 0;
    int m_lastTapRow = -2;
    bool m_down = false;
    bool m_held = false;
    POINT m_downAt{};
    unsigned long long m_storeStamp = 0;
};

}  // namespace kstools
