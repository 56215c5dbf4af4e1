#include "grid/list_rows.h"

#include "grid/list_cell_text.h"

void CListRows::AddItem(DWORD oid, std::vector<std::u16string> cells)
{
    LISTROW row;
    row.oid = oid;
    row.cells = std::move(cells);
    row.cells.resize(m_widths.size());
    if (m_appendOpen) m_visible.push_back(static_cast<int>(m_rows.size()));
    m_rows.push_back(std::move(row));
}

void CListRows::AddHeader(std::u16string text, int members, bool open)
{
    LISTROW row;
    row.header = true;
    row.open = open;
    row.members = members;
    row.cells.assign(m_widths.size(), std::u16string());
    if (!row.cells.empty()) row.cells[0] = ListHeaderMarkup(text, open, members);
    row.text = std::move(text);
    m_appendOpen = open;
    m_visible.push_back(static_cast<int>(m_rows.size()));
    m_rows.push_back(std::move(row));
}

void CListRows::Clear()
{
    m_rows.clear();
    m_visible.clear();
    m_appendOpen = true;
}

const LISTROW* CListRows::Visible(int index) const
{
    if (index < 0 || index >= VisibleCount()) return nullptr;
    return &m_rows[static_cast<size_t>(m_visible[static_cast<size_t>(index)])];
}

const WCHAR* CListRows::CellMarkup(int visibleRow, int col) const
{
    const LISTROW* row = Visible(visibleRow);
    if (!row || col < 0 || static_cast<size_t>(col) >= row->cells.size()) return nullptr;
    return row->cells[static_cast<size_t>(col)].c_str();
}

bool CListRows::Toggle(int visibleRow)
{
    if (!Visible(visibleRow) || !Visible(visibleRow)->header) return false;
    LISTROW& row = m_rows[static_cast<size_t>(m_visible[static_cast<size_t>(visibleRow)])];
    row.open = !row.open;
    if (!row.cells.empty()) row.cells[0] = ListHeaderMarkup(row.text, row.open, row.members);
    Rebuild();
    return true;
}

int CListRows::FindItem(DWORD oid) const
{
    for (size_t i = 0; i < m_visible.size(); ++i) {
        const LISTROW& row = m_rows[static_cast<size_t>(m_visible[i])];
        if (!row.header && row.oid == oid) return static_cast<int>(i);
    }
    return -1;
}

void CListRows::Rebuild()
{
    m_visible.clear();
    bool open = true;  // items before the first header are always shown
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].header) open = m_rows[i].open;
        if (m_rows[i].header || open) m_visible.push_back(static_cast<int>(i));
    }
}
