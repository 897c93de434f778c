// Helpers the tab strip's own files share; not part of its interface.
#pragma once

#include <windows.h>

namespace tabstrip {

// The tooltip tool of a tab is its index + 1, of a button its (negative) hit code.
inline UINT_PTR ToolId(int id) { return static_cast<UINT_PTR>(static_cast<INT_PTR>(id)); }

// Right and bottom edges excluded, as PtInRect has them.
inline bool InRect(const RECT& r, POINT pt) {
    return r.left <= pt.x && pt.x < r.right && r.top <= pt.y && pt.y < r.bottom;
}

// Rectangle arithmetic in place: a layout of many tabs makes no calls for
// tabs whose geometry it does not change.
inline bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline void MoveRect(RECT& r, int dx) {
    r.left += dx;
    r.right += dx;
}

}  // namespace tabstrip
