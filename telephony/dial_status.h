// The status window shown while the serial dialler works: a text and a
// result. Headless, it is a process-wide record that the dialler's progress
// callback writes from the dialler's thread while the dialling thread waits
// for it to close.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>

class CDialStatus {
public:
    static CDialStatus& Get();

    // Shows the window with text (the closed result forgotten).
    void Open(std::u16string text);
    bool IsOpen() const;
    void SetText(std::u16string text);
    std::u16string Text() const;
    // Closes with a command result (IDOK, IDCANCEL); nothing when closed.
    void Close(int result);
    // Waits until the window is closed and returns its result.
    int WaitClosed();

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_result = 0;
    std::u16string m_text;
};
