// TaskChildren: the child rows of a task-list row, in order. Most rows have
// none, so the array is made on the first child: a row without children
// carries one pointer, and a group header holds its thousands of rows in
// one array instead of a list node per row. It offers the list calls the
// task list uses (positions from 0). The children are held, not owned: they
// belong to the display list.
#pragma once

#include <memory>
#include <vector>

#include "foundation/ce_ptr_list.h"

class DATATASKS;

class TaskChildren {
public:
    using Rows = std::vector<DATATASKS*>;
    using iterator = Rows::const_iterator;

    TaskChildren() = default;
    TaskChildren(const TaskChildren&) = delete;
    TaskChildren& operator=(const TaskChildren&) = delete;

    int GetCount() const { return m_rows ? static_cast<int>(m_rows->size()) : 0; }
    bool IsEmpty() const { return GetCount() == 0; }
    int GetIndexBase() const { return 0; }
    DATATASKS* GetHead() const { return IsEmpty() ? nullptr : m_rows->front(); }
    int Append(DATATASKS* row)
    {
        Made().push_back(row);
        return CELIST_OK;
    }
    // Inserts before pos; pos == GetCount() appends.
    int InsertAt(int pos, DATATASKS* row)
    {
        if (pos < 0 || pos > GetCount()) return CELIST_BADPOSITION;
        Rows& rows = Made();
        rows.insert(rows.begin() + pos, row);
        return CELIST_OK;
    }
    // Removes the child at pos (the child itself is never freed).
    int RemoveAt(int pos, bool = false)
    {
        if (pos < 0 || pos >= GetCount()) return CELIST_BADPOSITION;
        m_rows->erase(m_rows->begin() + pos);
        return CELIST_OK;
    }
    void RemoveAll() { m_rows.reset(); }
    // Gives back the room the array grew beyond its children.
    void ShrinkToFit()
    {
        if (m_rows) m_rows->shrink_to_fit();
    }

    iterator begin() const { return m_rows ? m_rows->cbegin() : None().cbegin(); }
    iterator end() const { return m_rows ? m_rows->cend() : None().cend(); }
    // The children in place, for sorting them (null when there are none).
    Rows* Items() { return m_rows.get(); }

private:
    Rows& Made()
    {
        if (!m_rows) m_rows = std::make_unique<Rows>();
        return *m_rows;
    }
    static const Rows& None()
    {
        static const Rows none;
        return none;
    }

    std::unique_ptr<Rows> m_rows;
};
