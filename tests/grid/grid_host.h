// A grid on a message-only parent that answers its requests from a test's
// function and logs every message the grid sends it, as a host would see them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "grid/html_grid.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/fonts.h"
#include "platform/messaging/painting.h"
#include "tests/support/test_windows.h"

namespace kstest {

struct HostMessage {
    UINT message;
    WPARAM wParam;
    UINT code;  // WM_NOTIFY code, else 0
    NM_GRIDVIEW view;
    UINT_PTR idFrom = 0;
    std::u16string text;  // hot-spot target, edited text
};

class GridHostTest : public ::testing::Test {
protected:
    // Cell mark-up by row and column; null refuses the cell.
    using CellText = std::function<const WCHAR*(int row, int col)>;

    void SetUp() override { platform::PinTestFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"); }
    void TearDown() override
    {
        grid_.reset();
        platform::PinTestFont("");
    }

    void Make(bool virtualMode, int width = 240, int height = 320)
    {
        RECT rc{0, 0, width, height};
        grid_ = std::make_unique<CHTMLGrid>(parent_.Hwnd(), &rc, virtualMode, u"grid");
        ASSERT_NE(grid_->GetHwnd(), nullptr);
    }

    void Paint() { UpdateWindow(grid_->GetHwnd()); }

    // The distinct rows asked for since the log was last cleared.
    std::set<int> RequestedRows() const
    {
        std::set<int> rows;
        for (DWORD key : requests_) rows.insert(static_cast<int>(key >> 16));
        return rows;
    }

    LRESULT Answer(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == GN_GETCELLDATA) {
            auto* request = reinterpret_cast<GRIDCELLREQUEST*>(lParam);
            requests_.push_back(static_cast<DWORD>(request->hdr.idFrom));
            const int row = static_cast<int>(request->hdr.idFrom >> 16);
            const int col = static_cast<int>(request->hdr.idFrom & 0xFFFF);
            if (onRequest_) onRequest_(request);
            if (!request->text && cellText_) request->text = cellText_(row, col);
            return 0;
        }
        if (message == GN_GETFLOATER) {
            auto* request = reinterpret_cast<GRIDFLOATERREQUEST*>(lParam);
            const std::u16string text = floaterText_ ? floaterText_(request->hdr.idFrom) : u"";
            if (floaterText_ && !text.empty()) {
                auto* block = static_cast<WCHAR*>(std::malloc((text.size() + 1) * sizeof(WCHAR)));
                std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
                *reinterpret_cast<WCHAR**>(wParam) = block;
            }
            return 0;
        }
        if (message == WM_NOTIFY) {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            HostMessage m{message, wParam, hdr->code, {}};
            m.idFrom = hdr->idFrom;
            if (hdr->code != GN_CONTEXTMENU) m.view = *reinterpret_cast<NM_GRIDVIEW*>(lParam);
            if (m.view.target) m.text = m.view.target;
            m.view.target = nullptr;
            log_.push_back(m);
            return notifyResult_;
        }
        if (message >= 2022 && message <= 2049) {
            if (onMessage_) {
                LRESULT result = 0;
                if (onMessage_(message, wParam, lParam, &result)) return result;
            }
            HostMessage m{message, wParam, 0, {}};
            if (message == GN_CURCELLCHANGED || message == GN_SCROLLED) {
                m.view.x = static_cast<int>(wParam);
                m.view.y = static_cast<int>(lParam);
            }
            if (message == GN_BEGINEDIT) m.view = *reinterpret_cast<NM_GRIDVIEW*>(wParam);
            if (message == GN_ENDEDIT) {
                const auto* edit = reinterpret_cast<GRIDEDITRESULT*>(lParam);
                m.text = edit->text;
                m.view.row = edit->row;
                m.view.column = edit->column;
            }
            log_.push_back(m);
            return messageResult_;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    CellText cellText_;
    std::function<void(GRIDCELLREQUEST*)> onRequest_;
    // Answers a private message itself when it returns true (not logged then).
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)> onMessage_;
    std::function<std::u16string(UINT_PTR id)> floaterText_;
    std::vector<DWORD> requests_;
    std::vector<HostMessage> log_;
    // Only the messages (or notice codes) of `which`, in order.
    std::vector<HostMessage> Seen(UINT which) const
    {
        std::vector<HostMessage> out;
        for (const HostMessage& m : log_)
            if (m.message == which || (m.message == WM_NOTIFY && m.code == which)) out.push_back(m);
        return out;
    }

    LRESULT notifyResult_ = 0;
    LRESULT messageResult_ = 0;
    OwnWindow parent_{[this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        return Answer(hwnd, message, wParam, lParam);
    }};
    std::unique_ptr<CHTMLGrid> grid_;
};

}  // namespace kstest
