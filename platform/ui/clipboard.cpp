#include "platform/ui/clipboard.h"

#include <map>
#include <mutex>
#include <thread>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_memory.h"

namespace {

struct Clipboard {
    std::mutex lock;
    bool open = false;
    std::thread::id opener;  // the thread whose OpenClipboard holds it
    std::map<UINT, HLOCAL> data;

    ~Clipboard()
    {
        for (auto& [format, block] : data) LocalFree(block);
    }
    bool OpenHere() const { return open && opener == std::this_thread::get_id(); }
};

Clipboard& Board()
{
    static Clipboard board;
    return board;
}

}  // namespace

BOOL OpenClipboard(HWND)
{
    Clipboard& board = Board();
    std::lock_guard guard(board.lock);
    if (board.open) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    board.open = true;
    board.opener = std::this_thread::get_id();
    return TRUE;
}

BOOL CloseClipboard()
{
    Clipboard& board = Board();
    std::lock_guard guard(board.lock);
    if (!board.OpenHere()) return FALSE;
    board.open = false;
    return TRUE;
}

BOOL EmptyClipboard()
{
    Clipboard& board = Board();
    std::lock_guard guard(board.lock);
    if (!board.OpenHere()) return FALSE;
    for (auto& [format, block] : board.data) LocalFree(block);
    board.data.clear();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data)
{
    Clipboard& board = Board();
    std::lock_guard guard(board.lock);
    if (!board.OpenHere() || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HLOCAL& slot = board.data[format];
    if (slot && slot != data) LocalFree(slot);
    slot = static_cast<HLOCAL>(data);
    return data;
}

HANDLE GetClipboardData(UINT format)
{
    Clipboard& board = Board();
    std::lock_guard guard(board.lock);
    if (!board.OpenHere()) return nullptr;
    auto it = board.data.find(format);
    return it == board.data.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    Clipboard& board = Board();
    std::lock_guard guard(board.lock);
    return board.data.count(format) ? TRUE : FALSE;
}
