#include "categories/c_full_category.h"

#include <cstdlib>
#include <new>

#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"
#include "platform/text/wide_string.h"

CFullCategory::CFullCategory(const WCHAR* name, SHORT index, CEOID oid) : m_index(index), m_oid(oid) { SetName(name); }

CFullCategory::~CFullCategory() { std::free(m_name); }

void CFullCategory::SetName(const WCHAR* name)
{
    WCHAR* copy = name ? _wcsdup(name) : nullptr;
    std::free(m_name);
    m_name = copy;
}

CFullCategory* CFullCategory::Copy() const
{
    auto* copy = new (std::nothrow) CFullCategory();
    if (!copy) return nullptr;
    if (m_name) {
        copy->m_name = _wcsdup(m_name);
        if (!copy->m_name) {
            delete copy;
            return nullptr;
        }
    }
    copy->m_index = m_index;
    copy->m_oid = m_oid;
    copy->m_prop4003 = m_prop4003;
    copy->m_prop4006 = m_prop4006;
    copy->m_prop4005 = m_prop4005;
    copy->m_prop4004 = m_prop4004;
    copy->m_shown = m_shown;
    return copy;
}

int FullCategoryCompareFunc(CFullCategory* const& a, CFullCategory* const& b, unsigned long)
{
    const WCHAR* left = a ? a->m_name : nullptr;
    const WCHAR* right = b ? b->m_name : nullptr;
    if (!left || !right) return (left ? 0 : 1) - (right ? 0 : 1);
    return CompareStringW(LOCALE_USER_DEFAULT, 0, left, -1, right, -1) - CSTR_EQUAL;
}
