#include "foundation/temp_string.h"

#include <cstdlib>

CTempString::CTempString(int chars) : m_psz(nullptr), m_nSize(chars < 0 ? 0 : chars)
{
    m_psz = static_cast<WCHAR*>(std::calloc(static_cast<size_t>(m_nSize) + 1, sizeof(WCHAR)));
    if (!m_psz) m_nSize = 0;
}

CTempString::~CTempString() { std::free(m_psz); }
