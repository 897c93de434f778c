// The notifications the tab strip sends to its parent with WM_NOTIFY.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr UINT TSN_PRESS = 1;       // left button down (iTab: hit code or tab)
constexpr UINT TSN_RPRESS = 2;      // right button down
constexpr UINT TSN_SELECT = 3;      // a click made another tab current
constexpr UINT TSN_MARK = 4;        // a click changed this tab's mark
constexpr UINT TSN_MOVED = 5;       // a dragged tab was moved
constexpr UINT TSN_DUPLICATED = 6;  // a dragged tab was copied
constexpr UINT TSN_RENAMING = 7;    // the editor is about to keep its text; nonzero reply vetoes
constexpr UINT TSN_NOMEMORY = 8;    // a user-started operation ran out of memory

// Zeroed before filling; label..marked only when iTab >= 0.
struct NMTABSTRIP {
    NMHDR hdr;
    int iTab;
    char label[32];
    DWORD_PTR data;  // the caller's data word (a pointer on 64-bit)
    RECT rcLabel;
    POINT pt;  // client coordinates for mouse-caused codes, else (0, 0)
    BOOL selected;
    BOOL marked;
};

#if !defined(_WIN64)
// Parents written against the 32-bit record read these offsets.
static_assert(sizeof(NMTABSTRIP) == 84, "NMTABSTRIP is 84 bytes");
static_assert(offsetof(NMTABSTRIP, iTab) == 12, "iTab offset");
static_assert(offsetof(NMTABSTRIP, label) == 16, "label offset");
static_assert(offsetof(NMTABSTRIP, data) == 48, "data offset");
static_assert(offsetof(NMTABSTRIP, rcLabel) == 52, "rcLabel offset");
static_assert(offsetof(NMTABSTRIP, pt) == 68, "pt offset");
static_assert(offsetof(NMTABSTRIP, selected) == 76, "selected offset");
static_assert(offsetof(NMTABSTRIP, marked) == 80, "marked offset");
#endif
