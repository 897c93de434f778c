#include "tabstrip/CustomTabCtrl.h"

#include <new>

namespace {

const char kClassName[] = "CCustomTabCtrl";

// Client coordinates of a mouse message: signed, since a captured pointer
// can be left of or above the window.
POINT MousePoint(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

const LOGFONTA kFallbackFont = {
    12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_CHARACTER_PRECIS,
    CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, 0, "Microsoft Sans Serif"};

// Four 8x7 arrow glyphs side by side (first, previous, next, last); a 0 bit is
// glyph, a 1 bit background. Rows of 4 bytes are already WORD-aligned.
const BYTE kArrowBits[28] = {
    0xBD, 0xFB, 0xDF, 0xBD,  //
    0xB9, 0xF3, 0xCF, 0x9D,  //
    0xB1, 0xE3, 0xC7, 0x8D,  //
    0xA3, 0xC7, 0xE3, 0xC5,  //
    0xB1, 0xE3, 0xC7, 0x8D,  //
    0xB9, 0xF3, 0xCF, 0x9D,  //
    0xBD, 0xFB, 0xDF, 0xBD,  //
};

}  // namespace

CCustomTabCtrl::CCustomTabCtrl() {
    RegisterTabStripClass();
    SetLabelFont(&kFallbackFont, FALSE);
    m_bmpArrows.Reset(::CreateBitmap(32, 7, 1, 1, kArrowBits));
}

CCustomTabCtrl::~CCustomTabCtrl() {
    if (m_pRenameGone) *m_pRenameGone = true;
    // The tab records (and their regions) go first; the members follow in
    // reverse order, and the window base takes the window down last.
    m_tabs.clear();
    DropPaintCaches();
    m_hbmScrollLeft.Reset();
    m_hbmScrollRight.Reset();
    m_hReorderCursor.Reset();
    m_hDuplicateCursor.Reset();
}

BOOL CCustomTabCtrl::RegisterTabStripClass() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    if (::GetClassInfoA(instance, kClassName, &wc)) return TRUE;
    wc = WNDCLASSA{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcA;  // the framework subclasses at creation
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!fw::RegisterWindowClass(wc)) throw TabStripResourceException();
    return TRUE;
}

BOOL CCustomTabCtrl::Create(const TabStripArgs& args) {
    const DWORD style = args.windowStyle | args.tabStyle;
    return CreateEx(0, kClassName, "", style, args.rect, args.parent, args.id) ? TRUE : FALSE;
}

BOOL CCustomTabCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    TabStripArgs args;
    args.parent = parent;
    args.id = id;
    args.windowStyle = style;
    args.rect = rect;
    return Create(args);
}

void CCustomTabCtrl::SetLabelFont(const LOGFONTA* font, BOOL redraw) {
    m_measureDC.Reset();  // first: it holds the bold font selected
    ForgetLayout();
    m_fontLabel.Reset();
    m_fontLabelBold.Reset();
    if (font) m_fontLabel.Reset(::CreateFontIndirectA(font));
    if (!m_fontLabel) m_fontLabel.Reset(::CreateFontIndirectA(&kFallbackFont));
    // Should even the fallback fail, both fonts stay empty and labels are
    // measured and drawn with the device context's own font.
    if (m_fontLabel) {
        LOGFONTA lf{};
        if (::GetObjectA(m_fontLabel, sizeof lf, &lf) > 0) {
            lf.lfWeight = FW_BOLD;
            m_fontLabelBold.Reset(::CreateFontIndirectA(&lf));
        }
    }
    if (redraw && IsCreated()) {
        UpdateLayout(LAYOUT_FIT, m_nSelected);
        Invalidate(true);  // even with a repaint asked: this one erases
        m_repaintAsked = true;
    }
}

void CCustomTabCtrl::SetReorderCursors(HCURSOR move, HCURSOR copy) {
    // Copies are made before the old ones go, so passing back our own works.
    m_hReorderCursor.Reset(move ? static_cast<HCURSOR>(::CopyIcon(move)) : nullptr);
    m_hDuplicateCursor.Reset(copy ? static_cast<HCURSOR>(::CopyIcon(copy)) : nullptr);
}

const CTabEntry* CCustomTabCtrl::GetTabEntry(int index) const {
    if (index < 0 || index >= GetTabCount()) return nullptr;
    return m_tabs[static_cast<size_t>(index)].get();
}

int* CCustomTabCtrl::ButtonStateMember(int hitCode) {
    switch (hitCode) {
    case TSHT_HOME: return &m_stateHome;
    case TSHT_BACK: return &m_stateBack;
    case TSHT_FWD: return &m_stateFwd;
    case TSHT_END: return &m_stateEnd;
    default: return nullptr;
    }
}

int CCustomTabCtrl::GetButtonState(int hitCode) const {
    const int* state = const_cast<CCustomTabCtrl*>(this)->ButtonStateMember(hitCode);
    return state ? *state : ARROW_HIDDEN;
}

void CCustomTabCtrl::PreSubclassWindow() {
    OnThemeChanged();
    // Keeps the label editor from being painted over.
    ::SetWindowLongPtrA(GetHwnd(), GWL_STYLE, static_cast<LONG_PTR>(GetStyle() | WS_CLIPCHILDREN));
    UpdateLayout(LAYOUT_FIT, m_nSelected);
    fw::Window::PreSubclassWindow();
}

void CCustomTabCtrl::OnDestroy() {
    // The tooltip is owned by the top-level window, which may outlive us.
    m_tips.DestroyWindow();
    m_buttonTools = {};
    for (auto& tab : m_tabs) tab->m_hasTool = false;
    m_repaintAsked = false;
    ForgetLayout();
}

LRESULT CCustomTabCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // No exception may unwind through the system's dispatching frames.
    try {
        switch (msg) {
        case WM_SIZE: {
            LRESULT result = Default(msg, wParam, lParam);
            OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
            return result;
        }
        case WM_THEMECHANGED:
            return OnThemeChanged();
        case WM_SYSCOLORCHANGE:
            DropPaintCaches();
            break;
        case WM_SETREDRAW:
        case WM_SHOWWINDOW:
            // Wine drops the update region of a window that turns invisible:
            // the next change asks for a repaint again.
            m_repaintAsked = false;
            break;
        case WM_DESTROY:
            OnDestroy();
            break;
        case WM_ERASEBKGND:
            return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_PRINTCLIENT:
            PaintStrip(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_LBUTTONDOWN:
            OnLButtonDown(static_cast<UINT>(wParam), MousePoint(lParam));
            return Default(msg, wParam, lParam);
        case WM_LBUTTONDBLCLK:
            OnLButtonDblClk(static_cast<UINT>(wParam), MousePoint(lParam));
            return Default(msg, wParam, lParam);
        case WM_LBUTTONUP:
            OnLButtonUp(static_cast<UINT>(wParam), MousePoint(lParam));
            return 0;
        case WM_RBUTTONDOWN:
            OnRButtonDown(static_cast<UINT>(wParam), MousePoint(lParam));
            return Default(msg, wParam, lParam);
        case WM_MOUSEMOVE:
            OnMouseMove(static_cast<UINT>(wParam), MousePoint(lParam));
            return 0;
        case WM_MOUSELEAVE:
            return OnMouseLeave();
        case WM_CAPTURECHANGED:
            OnCaptureChanged(reinterpret_cast<HWND>(lParam));
            break;
        case WM_TIMER: {
            LRESULT result = Default(msg, wParam, lParam);
            OnTimer(wParam);
            return result;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kEditorId && HIWORD(wParam) == EN_UPDATE &&
                reinterpret_cast<HWND>(lParam) == m_editor.GetHwnd()) {
                OnEditorUpdate();
                return 0;
            }
            break;
        default:
            break;
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return fw::Window::WindowProc(msg, wParam, lParam);
}
