// Times UpdateLayout of a strip with 200 tabs in every mode. The floor is the
// least any layout must do: measure every label once with DrawText and build
// every tab's polygon region once, in the same window and font.
//
// Times one full paint of a 50-tab and of a 200-tab strip. Its floor is the
// drawing no paint can skip: each tab's region filled, its outline drawn with
// pens made per tab, its label drawn, into a memory DC of the strip's size,
// and one BitBlt.
//
// Times filling a strip with 1,000 tabs as the inspection view does (insert
// a tab, set its tip, for every plugin). Its floor: each label measured once,
// one region and one tooltip tool made per tab.
//
// Run: scripts/wine-run.sh BUILD_DIR BUILD_DIR/tabstrip_bench.exe
#include "tabstrip/CustomTabCtrl.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kTabs = 200;
constexpr int kRounds = 15;
constexpr int kPaintRounds = 60;  // a paint is short; more rounds steady its minimum

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(freq.QuadPart);
}

// Best of `rounds`, in microseconds; setup runs untimed before each round.
double Best(const std::function<void()>& setup, const std::function<void()>& work, int rounds = kRounds) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        setup();
        const double t0 = Now();
        work();
        best = std::min(best, Now() - t0);
    }
    return best;
}

class BenchParent : public fw::Window {
public:
    BenchParent() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "ProbeletBenchParent";
        fw::RegisterWindowClass(wc);
        CreateEx(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 900, 100}, nullptr, 0);
    }
};

}  // namespace

// Times every mode on one strip; returns false when it cannot be made.
bool RunModes(HWND parent, bool tips) {
    CCustomTabCtrl tabs;
    const DWORD style = WS_CHILD | WS_VISIBLE | TSS_REORDER | (tips ? TSS_TIPS : 0);
    if (!tabs.Create(style, RECT{0, 0, 800, 20}, parent, 2)) return false;
    for (int i = 0; i < kTabs; ++i) {
        tabs.InsertTab(i, "Content plugin " + std::to_string(i), static_cast<DWORD_PTR>(i));
        if (tips) tabs.SetTabTip(i, "C:\\plugins\\plugin" + std::to_string(i) + ".wdx");
    }
    const int last = kTabs - 1;

    // Floor: one measuring pass and one region per tab.
    const double floor = Best([] {}, [&] {
        HDC dc = ::GetDC(tabs);
        HGDIOBJ old = ::SelectObject(dc, tabs.GetLabelFontBold());
        for (int i = 0; i < kTabs; ++i) {
            const std::string& label = tabs.GetTabEntry(i)->m_label;
            RECT rc{};
            ::DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &rc, DT_CALCRECT);
            POINT pts[6] = {{i, 1}, {i + 4, 9}, {i + 9, 19}, {i + 60, 19}, {i + 65, 9}, {i + 70, 1}};
            ::DeleteObject(::CreatePolygonRgn(pts, 6, WINDING));
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(tabs, dc);
    });

    struct Case {
        const char* name;
        std::function<void()> setup;
        std::function<void()> work;
    };
    auto home = [&] { tabs.UpdateLayout(LAYOUT_HOME, -1); };
    auto end = [&] { tabs.UpdateLayout(LAYOUT_END, -1); };
    tabs.SelectTab(last);
    const Case cases[] = {
        {"BACK   (from the end)", end, [&] { tabs.UpdateLayout(LAYOUT_BACK, -1); }},
        {"FWD    (from home)", home, [&] { tabs.UpdateLayout(LAYOUT_FWD, -1); }},
        {"SHOW   (last tab, from home)", home, [&] { tabs.UpdateLayout(LAYOUT_SHOW, last); }},
        {"FIT    (at home)", home, [&] { tabs.UpdateLayout(LAYOUT_FIT, -1); }},
        {"HOME   (from the end)", end, [&] { tabs.UpdateLayout(LAYOUT_HOME, -1); }},
        {"END    (pulls back from the last tab)", home, [&] { tabs.UpdateLayout(LAYOUT_END, -1); }},
        {"EDITOR (keep)", end, [&] { tabs.UpdateLayout(LAYOUT_EDITOR, last); }},
    };

    std::printf("Tab strip layout, %d tabs, 800 x 20 pixels, %s, best of %d rounds\n", kTabs,
                tips ? "with a tooltip per tab" : "without tooltips", kRounds);
    std::printf("  floor (measure every label, build every region once): %8.1f us\n", floor);
    for (const Case& c : cases) {
        const double t = Best(c.setup, c.work);
        std::printf("  %-40s %8.1f us  %5.2f x floor  (scroll position %d)\n", c.name, t, t / floor,
                    tabs.GetScrollPos());
    }
    return true;
}

// Times the paint of one strip; returns false when it cannot be made.
bool RunPaint(HWND parent, int paintTabs) {
    constexpr int W = 800;
    constexpr int H = 20;
    CCustomTabCtrl tabs;
    if (!tabs.Create(WS_CHILD | WS_VISIBLE | TSS_REORDER, RECT{0, 0, W, H}, parent, 3)) return false;
    for (int i = 0; i < paintTabs; ++i)
        tabs.InsertTab(i, "Content plugin " + std::to_string(i), static_cast<DWORD_PTR>(i));
    tabs.SelectTab(3);

    // The target: a memory DC like the one WM_PRINTCLIENT gets.
    fw::WindowDC screen(tabs);
    fw::MemoryDC target(::CreateCompatibleDC(screen));
    fw::Bitmap targetBits(::CreateCompatibleBitmap(screen, W, H));
    fw::SelectScope targetSelect(target, targetBits);
    fw::MemoryDC compose(::CreateCompatibleDC(screen));
    fw::Bitmap composeBits(::CreateCompatibleBitmap(screen, W, H));
    fw::SelectScope composeSelect(compose, composeBits);

    const double floor = Best([] {}, [&] {
        for (int i = 0; i < paintTabs; ++i) {
            const CTabEntry& tab = *tabs.GetTabEntry(i);
            // The same draws as the paint: it skips tabs past the right edge.
            if (tab.m_kind == TK_HIDDEN || tab.m_rcShape.left >= W) continue;
            const fw::Brush brush(::CreateSolidBrush(::GetSysColor(tab.m_bSelected ? COLOR_WINDOW : COLOR_BTNFACE)));
            const fw::Pen outline(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNTEXT)));
            const fw::Pen shadow(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW)));
            ::FillRgn(compose, tab.m_region, brush);
            POINT q[4];
            tab.GetOutlinePoints(tab.m_rcShape, q);
            const fw::SelectScope pen(compose, outline);
            const POINT lines[4][2] = {{q[0], q[1]}, {q[1], q[2]}, {{q[2].x - 1, q[2].y}, {q[3].x - 1, q[3].y}}, {q[2], q[3]}};
            for (int k = 0; k < 4; ++k) {
                ::SelectObject(compose, k == 0 || k == 3 ? outline : shadow);
                ::MoveToEx(compose, lines[k][0].x, lines[k][0].y, nullptr);
                ::LineTo(compose, lines[k][1].x, lines[k][1].y);
            }
            const fw::SelectScope font(compose, tab.m_bSelected ? tabs.GetLabelFontBold() : tabs.GetLabelFont());
            RECT rc = {tab.m_rcShape.left + 9, 3, tab.m_rcShape.right - 9, 17};
            ::DrawTextA(compose, tab.m_label.c_str(), static_cast<int>(tab.m_label.size()), &rc,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        ::BitBlt(target, 0, 0, W, H, compose, 0, 0, SRCCOPY);
    }, kPaintRounds);
    const double paint = Best([] {}, [&] { tabs.PaintStrip(target); }, kPaintRounds);
    const double print = Best([] {}, [&] {
        ::SendMessageA(tabs, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.Get()), PRF_CLIENT);
    }, kPaintRounds);

    // What a paint costs besides the tabs: its DC and bitmap, the buttons.
    CCustomTabCtrl empty;
    if (!empty.Create(WS_CHILD | WS_VISIBLE, RECT{0, 30, W, 30 + H}, parent, 4)) return false;
    const double fixed = Best([] {}, [&] { empty.PaintStrip(target); }, kPaintRounds);

    std::printf("Tab strip paint, %d tabs, %d x %d pixels, best of %d rounds\n", paintTabs, W, H, kPaintRounds);
    std::printf("  floor (fill, outline and label each tab, one BitBlt): %8.1f us\n", floor);
    std::printf("  %-40s %8.1f us  %5.2f x floor\n", "PaintStrip into a memory DC", paint, paint / floor);
    std::printf("  %-40s %8.1f us  %5.2f x floor\n", "WM_PRINTCLIENT", print, print / floor);
    std::printf("  %-40s %8.1f us\n", "PaintStrip without tabs (fixed part)", fixed);
    return true;
}

// Times filling a strip with tabs; returns false when it cannot be made.
bool RunFill(HWND parent) {
    constexpr int kFillTabs = 1000;
    constexpr int kFillRounds = 3;
    auto label = [](int i) { return "Content plugin " + std::to_string(i); };
    auto tip = [](int i) { return "C:\\plugins\\wdx\\plugin" + std::to_string(i) + "\\plugin.wdx"; };
    bool made = true;
    const double fill = Best([] {}, [&] {
        CCustomTabCtrl tabs;
        made = tabs.Create(WS_CHILD | WS_VISIBLE | TSS_REORDER | TSS_TIPS, RECT{0, 0, 800, 20}, parent, 5) && made;
        for (int i = 0; i < kFillTabs; ++i) {
            tabs.InsertTab(i, label(i), static_cast<DWORD_PTR>(i));
            tabs.SetTabTip(i, tip(i));
        }
    }, kFillRounds);
    if (!made) return false;

    CCustomTabCtrl window;  // only for its DC and font
    if (!window.Create(WS_CHILD | WS_VISIBLE, RECT{0, 40, 800, 60}, parent, 6)) return false;
    const double floor = Best([] {}, [&] {
        HWND tips = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                      parent, nullptr, nullptr, nullptr);
        std::vector<HRGN> regions;
        HDC dc = ::GetDC(window);
        HGDIOBJ old = ::SelectObject(dc, window.GetLabelFontBold());
        for (int i = 0; i < kFillTabs; ++i) {
            const std::string text = label(i);
            RECT rc{};
            ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_CALCRECT);
            POINT pts[6] = {{i, 1}, {i + 4, 9}, {i + 9, 19}, {i + 60, 19}, {i + 65, 9}, {i + 70, 1}};
            regions.push_back(::CreatePolygonRgn(pts, 6, WINDING));
            const std::string path = tip(i);
            TTTOOLINFOA ti{};
            ti.cbSize = TTTOOLINFOA_V2_SIZE;
            ti.hwnd = window;
            ti.uId = static_cast<UINT_PTR>(i + 1);
            ti.lpszText = const_cast<char*>(path.c_str());
            ::SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(window, dc);
        for (HRGN r : regions) ::DeleteObject(r);
        ::DestroyWindow(tips);
    }, kFillRounds);
    std::printf("Tab strip filled with %d tabs (insert, set tip), 800 x 20 pixels, best of %d rounds\n", kFillTabs,
                kFillRounds);
    std::printf("  floor (measure each label, one region, one tooltip tool per tab): %8.1f ms\n", floor / 1000);
    std::printf("  %-40s %8.1f ms  %5.2f x floor\n", "InsertTab + SetTabTip per tab", fill / 1000, fill / floor);
    return true;
}

int main() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    BenchParent parent;
    for (bool tips : {false, true}) {
        if (!RunModes(parent, tips)) {
            std::fprintf(stderr, "cannot create the tab strip\n");
            return 1;
        }
    }
    for (int n : {50, 200}) {
        if (!RunPaint(parent, n)) {
            std::fprintf(stderr, "cannot create the tab strip\n");
            return 1;
        }
    }
    std::fflush(stdout);
    if (!RunFill(parent)) {
        std::fprintf(stderr, "cannot create the tab strip\n");
        return 1;
    }
    return 0;
}
