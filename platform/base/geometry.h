// Points, sizes and rectangles in device units.
#pragma once

#include "platform/base/types.h"

struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT*;

struct SIZE {
    LONG cx;
    LONG cy;
};
using LPSIZE = SIZE*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

// Rectangle arithmetic. A rectangle covers left..right-1 × top..bottom-1 and
// is empty when right <= left or bottom <= top; results that are empty are
// set to all zeros, as the platform does.
inline BOOL SetRect(RECT* r, int left, int top, int right, int bottom)
{
    if (!r) return FALSE;
    *r = RECT{left, top, right, bottom};
    return TRUE;
}
inline BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }
inline BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }
inline BOOL PtInRect(const RECT* r, POINT p)
{
    return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
inline BOOL OffsetRect(RECT* r, int dx, int dy)
{
    if (!r) return FALSE;
    *r = RECT{r->left + dx, r->top + dy, r->right + dx, r->bottom + dy};
    return TRUE;
}
inline BOOL InflateRect(RECT* r, int dx, int dy)
{
    if (!r) return FALSE;
    *r = RECT{r->left - dx, r->top - dy, r->right + dx, r->bottom + dy};
    return TRUE;
}
// FALSE (and *out emptied) when the two do not overlap.
inline BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b)
{
    if (!out || !a || !b) return FALSE;
    RECT r{a->left > b->left ? a->left : b->left, a->top > b->top ? a->top : b->top,
           a->right < b->right ? a->right : b->right, a->bottom < b->bottom ? a->bottom : b->bottom};
    if (IsRectEmpty(&r)) {
        SetRectEmpty(out);
        return FALSE;
    }
    *out = r;
    return TRUE;
}
// The smallest rectangle holding both; an empty one adds nothing.
inline BOOL UnionRect(RECT* out, const RECT* a, const RECT* b)
{
    if (!out || !a || !b) return FALSE;
    if (IsRectEmpty(a) && IsRectEmpty(b)) {
        SetRectEmpty(out);
        return FALSE;
    }
    if (IsRectEmpty(a)) *out = *b;
    else if (IsRectEmpty(b)) *out = *a;
    else
        *out = RECT{a->left < b->left ? a->left : b->left, a->top < b->top ? a->top : b->top,
                    a->right > b->right ? a->right : b->right, a->bottom > b->bottom ? a->bottom : b->bottom};
    return TRUE;
}
inline BOOL EqualRect(const RECT* a, const RECT* b)
{
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
