// Constants of the tab strip control: its style bits, result codes, hit codes,
// tab kinds, scroll-button states and layout modes.
#pragma once

#include <windows.h>

// Style bits: the low eight bits of the control's window style.
constexpr DWORD TSS_EQUALWIDTH = 0x01;  // every tab as wide as the widest label
constexpr DWORD TSS_FOURARROWS = 0x02;  // first/previous/next/last instead of previous/next
constexpr DWORD TSS_HIDEARROWS = 0x04;  // no buttons while everything fits
constexpr DWORD TSS_TIPS = 0x08;        // tooltips for tabs and buttons
constexpr DWORD TSS_MULTIMARK = 0x10;   // several tabs can be marked
constexpr DWORD TSS_RENAME = 0x20;      // the current label can be edited in place
constexpr DWORD TSS_REORDER = 0x40;     // tabs can be dragged to another position
constexpr DWORD TSS_DUPLICATE = 0x80;   // Ctrl+drag inserts a numbered copy

// Results of the tab operations: 0 or an index for success, these for failure.
constexpr int TSE_OK = 0;
constexpr int TSE_NOMEMORY = -1;
constexpr int TSE_BADINDEX = -2;
constexpr int TSE_NORENAMESTYLE = -3;
constexpr int TSE_NOMULTIMARKSTYLE = -4;
constexpr int TSE_NOTSELECTED = -5;
constexpr int TSE_BUSY = -6;
constexpr int TSE_LABELTOOLONG = -7;
constexpr int TSE_NOTIPSSTYLE = -8;
constexpr int TSE_NOTIPWINDOW = -9;

// Hit codes: a tab index (0 or more) or one of these.
constexpr int TSHT_HOME = -1;
constexpr int TSHT_BACK = -2;
constexpr int TSHT_FWD = -3;
constexpr int TSHT_END = -4;
constexpr int TSHT_NONE = -5;

// Tab kinds, given by the layout.
constexpr BYTE TK_HIDDEN = 0;         // scrolled out to the left
constexpr BYTE TK_EDGE_SELECTED = 1;  // sliver before the first shown tab, current
constexpr BYTE TK_EDGE = 2;           // sliver before the first shown tab
constexpr BYTE TK_FULL = 3;           // shown whole: the current or the last tab
constexpr BYTE TK_COVERED = 4;        // shown, right end under its neighbour

// Scroll-button states.
constexpr int ARROW_HIDDEN = 0;
constexpr int ARROW_NORMAL = 1;
constexpr int ARROW_HOT = 2;
constexpr int ARROW_PRESSED = 3;

// Layout modes: how UpdateLayout moves the scroll position.
constexpr int LAYOUT_BACK = 0;
constexpr int LAYOUT_FWD = 1;
constexpr int LAYOUT_SHOW = 2;
constexpr int LAYOUT_FIT = 3;
constexpr int LAYOUT_HOME = 4;
constexpr int LAYOUT_END = 5;
constexpr int LAYOUT_EDITOR = 6;

// Timers of the control's window.
constexpr UINT_PTR TIMER_REPEAT = 1;  // scroll-button auto-repeat, every 100 ms
constexpr UINT_PTR TIMER_DRAG = 2;    // 300 ms before a press becomes a drag, then 10 ms
constexpr UINT kRepeatTickMs = 100;
constexpr DWORD kRepeatStepMs = 250;  // a held button steps when this much has passed
constexpr UINT kDragDelayMs = 300;
constexpr UINT kDragTickMs = 10;

// Child id of the label editor, and the most characters it takes.
constexpr UINT kEditorId = 1;
constexpr int kEditorMaxChars = 30;

// Longest label InsertTab accepts (renaming allows one more character).
constexpr size_t TAB_MAX_LABEL = 29;
