// RAII holders for GDI and USER handles: each deletes what it holds, once.
#pragma once

#include <windows.h>

#include <utility>

namespace fw {

// Owns one handle and frees it with Traits::Free.
template <class H, class Traits>
class Handle {
public:
    Handle() = default;
    explicit Handle(H h) : m_h(h) {}
    ~Handle() { Reset(); }
    Handle(Handle&& o) noexcept : m_h(o.Release()) {}
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    H Get() const { return m_h; }
    operator H() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    H Release() { return std::exchange(m_h, nullptr); }
    void Reset(H h = nullptr) {
        if (m_h) Traits::Free(m_h);
        m_h = h;
    }

private:
    H m_h = nullptr;
};

struct GdiObjectTraits { static void Free(HGDIOBJ h) { ::DeleteObject(h); } };
struct DcTraits { static void Free(HDC h) { ::DeleteDC(h); } };
struct CursorTraits { static void Free(HCURSOR h) { ::DestroyCursor(h); } };
struct IconTraits { static void Free(HICON h) { ::DestroyIcon(h); } };
struct ModuleTraits { static void Free(HMODULE h) { ::FreeLibrary(h); } };
struct MenuTraits { static void Free(HMENU h) { ::DestroyMenu(h); } };
struct KernelHandleTraits { static void Free(HANDLE h) { ::CloseHandle(h); } };

using Font = Handle<HFONT, GdiObjectTraits>;
using Brush = Handle<HBRUSH, GdiObjectTraits>;
using Pen = Handle<HPEN, GdiObjectTraits>;
using Bitmap = Handle<HBITMAP, GdiObjectTraits>;
using Region = Handle<HRGN, GdiObjectTraits>;
using MemoryDC = Handle<HDC, DcTraits>;  // from CreateCompatibleDC
using Cursor = Handle<HCURSOR, CursorTraits>;
using Icon = Handle<HICON, IconTraits>;
using Module = Handle<HMODULE, ModuleTraits>;
using Menu = Handle<HMENU, MenuTraits>;
// Files, events, threads... (hold null, never INVALID_HANDLE_VALUE, when empty)
using KernelHandle = Handle<HANDLE, KernelHandleTraits>;

// A window's device context from GetDC, released on scope exit.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~WindowDC() {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_ps)) {}
    ~PaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectScope() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace fw
