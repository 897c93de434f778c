// Times UpdateLayout of a strip with 200 tabs in every mode. The floor is the
// least any layout must do: measure every label once with DrawText and build
// every tab's polygon region once, in the same window and font.
//
// Run: scripts/wine-run.sh BUILD_DIR BUILD_DIR/tabstrip_bench.exe
#include "tabstrip/CustomTabCtrl.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kTabs = 200;
constexpr int kRounds = 15;

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

// Best of kRounds, in microseconds; setup runs untimed before each round.
double Best(const std::function<void()>& setup, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < kRounds; ++i) {
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
    return 0;
}
