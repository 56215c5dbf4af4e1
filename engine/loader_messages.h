// Messages that a loader sends or posts to its notification window while it
// builds a list. The window also receives the worker's own WM_WORKER_DONE
// (foundation/ce_worker_thread.h) when the run has ended.
#pragma once

#include "platform/messaging/messages.h"
#include "platform/base/types.h"

// Posted when a load starts; the window shows its progress indicator.
// wParam 0, lParam 0.
constexpr UINT WM_LOADER_BEGIN = WM_APP + 0x22;

// The row count of a load, posted or sent depending on the loader (a sent one
// lets the window read the list before the loader goes on).
// wParam: LOADER_DATA_PROGRESS, LOADER_DATA_COMPLETE or LOADER_DATA_PAGE_FILLED.
// lParam: the number of rows so far (progress) or in the finished list.
constexpr UINT WM_LOADER_DATA = WM_USER + 250;

// Posted when a load ends, also after a cancelled or killed load; the window
// hides its progress indicator. wParam 0, lParam 0.
constexpr UINT WM_LOADER_END = WM_APP + 0x23;

// wParam values of WM_LOADER_DATA.
constexpr WPARAM LOADER_DATA_PROGRESS = 0;
constexpr WPARAM LOADER_DATA_COMPLETE = 1;
constexpr WPARAM LOADER_DATA_PAGE_FILLED = 3;  // contacts: the first screen of rows is ready

static_assert(WM_LOADER_BEGIN == 0x8022 && WM_LOADER_DATA == 0x04FA && WM_LOADER_END == 0x8023,
              "views and loaders of other builds rely on these numbers");
