#include "telephony/dial_status.h"

CDialStatus& CDialStatus::Get()
{
    static CDialStatus status;
    return status;
}

void CDialStatus::Open(std::u16string text)
{
    std::lock_guard guard(m_lock);
    m_open = true;
    m_result = 0;
    m_text = std::move(text);
}

bool CDialStatus::IsOpen() const
{
    std::lock_guard guard(m_lock);
    return m_open;
}

void CDialStatus::SetText(std::u16string text)
{
    std::lock_guard guard(m_lock);
    m_text = std::move(text);
}

std::u16string CDialStatus::Text() const
{
    std::lock_guard guard(m_lock);
    return m_text;
}

void CDialStatus::Close(int result)
{
    {
        std::lock_guard guard(m_lock);
        if (!m_open) return;
        m_open = false;
        m_result = result;
    }
    m_changed.notify_all();
}

int CDialStatus::WaitClosed()
{
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] { return !m_open; });
    return m_result;
}
