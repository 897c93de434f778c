#include "TabStripFixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

namespace {

// A client-sized 32-bit DIB in a memory DC.
class Canvas {
public:
    Canvas(int w, int h, COLORREF fill) : width(w), height(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        m_dib.Reset(::CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0));
        m_select = std::make_unique<fw::SelectScope>(m_dc, m_dib);
        const RECT all{0, 0, w, h};
        fw::Brush brush(::CreateSolidBrush(fill));
        ::FillRect(m_dc, &all, brush);
    }
    HDC Dc() const { return m_dc; }
    COLORREF At(int x, int y) const {
        if (!m_bits || x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
        ::GdiFlush();
        const DWORD v = m_bits[y * width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    const int width;
    const int height;

private:
    fw::MemoryDC m_dc{::CreateCompatibleDC(nullptr)};
    fw::Bitmap m_dib;
    DWORD* m_bits = nullptr;
    std::unique_ptr<fw::SelectScope> m_select;
};

// The strip as WM_PRINTCLIENT composes it: what a paint copies to the screen.
class Picture : public Canvas {
public:
    explicit Picture(HWND hwnd) : Canvas(ClientWidth(hwnd), ClientHeight(hwnd), RGB(1, 2, 3)) {
        ::SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Dc()), PRF_CLIENT);
    }
    // 8-bit RGB PNG with stored (uncompressed) deflate blocks.
    bool SavePng(const std::string& path) const;
    // The text form of reference pictures (ReadPicture).
    std::string Text() const;

private:
    static int ClientWidth(HWND hwnd) {
        RECT rc{};
        ::GetClientRect(hwnd, &rc);
        return rc.right;
    }
    static int ClientHeight(HWND hwnd) {
        RECT rc{};
        ::GetClientRect(hwnd, &rc);
        return rc.bottom;
    }
};

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBe32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

bool Picture::SavePng(const std::string& path) const {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // filter: none
        for (int x = 0; x < width; ++x) {
            const COLORREF c = At(x, y);
            raw += static_cast<char>(GetRValue(c));
            raw += static_cast<char>(GetGValue(c));
            raw += static_cast<char>(GetBValue(c));
        }
    }
    std::string z = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (unsigned char ch : raw) {
        a = (a + ch) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t pos = 0; pos == 0 || pos < raw.size(); pos += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z += static_cast<char>(pos + n >= raw.size() ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, pos, n);
    }
    PutBe32(z, (b << 16) | a);

    std::string png = "\x89PNG\r\n\x1a\n";
    auto chunk = [&png](const char* type, const std::string& data) {
        PutBe32(png, static_cast<uint32_t>(data.size()));
        const std::string body = type + data;
        png += body;
        PutBe32(png, Crc32(body));
    };
    std::string header;
    PutBe32(header, static_cast<uint32_t>(width));
    PutBe32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB
    chunk("IHDR", header);
    chunk("IDAT", z);
    chunk("IEND", "");
    std::ofstream file(path, std::ios::binary);
    file << png;
    return static_cast<bool>(file);
}

std::string Hex(COLORREF c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

// Reference pictures are text, to be read in a diff: a line "colour C RRGGBB"
// per colour, then "image W H" and H rows of W characters. The system colours
// of the strip get names; the greys of smoothed label text get the rest.
std::string Picture::Text() const {
    const std::pair<char, int> named[] = {
        {'#', COLOR_BTNTEXT}, {'.', COLOR_BTNFACE}, {'w', COLOR_WINDOW}, {'s', COLOR_BTNSHADOW}};
    const std::string others = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrtuvxyz+*=%@&$";
    std::map<COLORREF, char> symbols;
    size_t next = 0;
    std::string legend, rows;
    for (int y = 0; y < height; ++y, rows += '\n')
        for (int x = 0; x < width; ++x) {
            const COLORREF c = At(x, y);
            if (!symbols.count(c)) {
                const auto n = std::find_if(std::begin(named), std::end(named),
                                            [c](const auto& n) { return ::GetSysColor(n.second) == c; });
                const char symbol = n != std::end(named) ? n->first : others.at(next++);
                symbols[c] = symbol;
                legend += std::string("colour ") + symbol + " " + Hex(c) + "\n";
            }
            rows += symbols[c];
        }
    return legend + "image " + std::to_string(width) + " " + std::to_string(height) + "\n" + rows;
}

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colors;  // row after row
};

// False unless the file is a whole picture in the form Picture::Text writes.
bool ReadPicture(const std::string& path, Pixels& out) {
    std::ifstream file(path);
    std::map<char, COLORREF> legend;
    std::string line;
    unsigned rgb = 0;
    char symbol = 0;
    while (std::getline(file, line) && std::sscanf(line.c_str(), "image %d %d", &out.width, &out.height) != 2)
        if (std::sscanf(line.c_str(), "colour %c %06x", &symbol, &rgb) == 2)
            legend[symbol] = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    for (int y = 0; y < out.height && std::getline(file, line); ++y) {
        if (!line.empty() && line.back() == '\r') line.pop_back();  // a checkout with CR LF ends
        if (static_cast<int>(line.size()) != out.width) return false;
        for (char ch : line) {
            if (!legend.count(ch)) return false;
            out.colors.push_back(legend[ch]);
        }
    }
    return out.width > 0 && out.colors.size() == static_cast<size_t>(out.width) * out.height;
}

// The build tree's test-output folder (PROBELET_BUILD_DIR), else the current one.
std::string OutputDir() {
    char dir[MAX_PATH] = "";
    if (!::GetEnvironmentVariableA("PROBELET_BUILD_DIR", dir, MAX_PATH)) return ".";
    const std::string out = std::string(dir) + "/test-output";
    ::CreateDirectoryA(out.c_str(), nullptr);
    return out;
}

// The strips the tables look at.
enum class Scene {
    Empty,          // no tabs, two buttons
    EmptyNoArrows,  // no tabs, buttons hidden
    NoCurrent,      // three tabs, none current
    CurrentHidden,  // the current tab scrolled out to the left
    Tabs,           // five tabs: 0 marked, 2 current, 4 last
    Edge,           // the tab before the first shown one, not current
    EdgeCurrent,    // the same tab, current
    FourButtons,
    PressedBack,  // the previous button held down
    PressedFwd,
    // Three tabs, the first or the last current, with buttons or without.
    FirstCurrent,
    LastCurrent,
    FirstCurrentNoArrows,
    LastCurrentNoArrows,
};

// Where a colour is looked at: x from the client's left edge, a tab's shape
// edge or the client's right edge.
enum Anchor { kClient, kLeft, kRight, kClientRight };

struct Spot {
    Scene scene;
    const char* what;
    int tab;
    Anchor anchor;
    int dx;
    int y;
    int sysColor;
};

const char* const kGlyphs[4][7] = {
    {".#....#.", ".#...##.", ".#..###.", ".#.###..", ".#..###.", ".#...##.", ".#....#."},  // first
    {".....#..", "....##..", "...###..", "..###...", "...###..", "....##..", ".....#.."},  // previous
    {"..#.....", "..##....", "..###...", "...###..", "..###...", "..##....", "..#....."},  // next
    {".#....#.", ".##...#.", ".###..#.", "..###.#.", ".###..#.", ".##...#.", ".#....#."},  // last
};

class TabPaint : public TabStripTest {
protected:
    void SetUp() override {
        // Colours that must differ for the tables to mean anything.
        const int used[] = {COLOR_BTNTEXT, COLOR_BTNSHADOW, COLOR_WINDOW, COLOR_BTNFACE};
        for (int a : used)
            for (int b : used)
                if (a < b) {
                    ASSERT_NE(::GetSysColor(a), ::GetSysColor(b)) << a << " " << b;
                }
    }

    void TearDown() override {
        // A pointer left over a place where later tests put their windows
        // would send them moves of its own.
        if (m_movedPointer) ::SetCursorPos(m_pointer.x, m_pointer.y);
        TabStripTest::TearDown();
    }

    void Build(Scene scene) {
        switch (scene) {
        case Scene::Empty: Make(0, 200); break;
        case Scene::EmptyNoArrows: Make(TSS_HIDEARROWS, 200); break;
        case Scene::NoCurrent:
            Make(0, 400);
            Add({"Alpha", "Beta", "Gamma"});
            break;
        case Scene::CurrentHidden:
            Make(0, 150);
            AddNumbered(10);
            tabs->SelectTab(0);
            tabs->UpdateLayout(LAYOUT_FWD, 0);
            tabs->UpdateLayout(LAYOUT_FWD, 0);
            ASSERT_EQ(Tab(0).m_kind, TK_HIDDEN);
            break;
        case Scene::Tabs:
            Make(TSS_MULTIMARK, 400);
            Add({"Alpha", "Beta", "Gamma", "Delta", "Eps"});
            tabs->SelectTab(2);
            ASSERT_EQ(tabs->MarkTab(0, FALSE, TRUE), TSE_OK);
            ASSERT_TRUE(Tab(0).m_bMarked && !Tab(1).m_bMarked && !Tab(3).m_bMarked && !Tab(4).m_bMarked);
            ASSERT_LT(Tab(4).m_rcShape.right, 390);  // all shown
            break;
        case Scene::Edge:
        case Scene::EdgeCurrent:
            Make(0, 150);
            AddNumbered(10);
            tabs->SelectTab(3);
            if (scene == Scene::EdgeCurrent) tabs->UpdateLayout(LAYOUT_FWD, 3);
            ASSERT_EQ(Tab(scene == Scene::Edge ? 2 : 3).m_kind, scene == Scene::Edge ? TK_EDGE : TK_EDGE_SELECTED);
            break;
        case Scene::FourButtons:
            Make(TSS_FOURARROWS, 300);
            AddNumbered(2);
            break;
        case Scene::FirstCurrent:
        case Scene::LastCurrent:
        case Scene::FirstCurrentNoArrows:
        case Scene::LastCurrentNoArrows: {
            const bool arrows = scene == Scene::FirstCurrent || scene == Scene::LastCurrent;
            Make(arrows ? 0 : TSS_HIDEARROWS, 220);
            Add({"Alpha", "Beta", "Gamma"});
            tabs->SelectTab(scene == Scene::FirstCurrent || scene == Scene::FirstCurrentNoArrows ? 0 : 2);
            ASSERT_EQ(tabs->GetButtonState(TSHT_BACK) != ARROW_HIDDEN, arrows);
            ASSERT_EQ(Tab(2).m_kind, TK_FULL);
            break;
        }
        case Scene::PressedBack:
        case Scene::PressedFwd: {
            Make(0, 150);
            AddNumbered(10);
            tabs->SelectTab(5);
            const int code = scene == Scene::PressedBack ? TSHT_BACK : TSHT_FWD;
            const RECT rc = tabs->GetButtonRect(code);
            ::SendMessageA(*tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.left + 5, 10));
            ASSERT_EQ(tabs->GetButtonState(code), ARROW_PRESSED) << "the mouse handling is not there yet";
            break;
        }
        }
    }

    POINT Where(const Spot& s) const {
        const RECT client = tabs->GetClientRect();
        switch (s.anchor) {
        case kLeft: return {Tab(s.tab).m_rcShape.left + s.dx, s.y};
        case kRight: return {Tab(s.tab).m_rcShape.right + s.dx, s.y};
        case kClientRight: return {client.right + s.dx, s.y};
        default: return {s.dx, s.y};
        }
    }

    // Each spot's colour, the strip built once per run of rows of a scene.
    void Check(const std::vector<Spot>& table) {
        std::unique_ptr<Picture> pic;
        for (size_t i = 0; i < table.size(); ++i) {
            const Spot& s = table[i];
            if (i == 0 || s.scene != table[i - 1].scene) {
                Build(s.scene);
                if (HasFatalFailure()) return;
                pic = std::make_unique<Picture>(*tabs);
            }
            const POINT p = Where(s);
            EXPECT_EQ(pic->At(p.x, p.y), ::GetSysColor(s.sysColor))
                << s.what << " at (" << p.x << ", " << p.y << ")";
        }
    }

    // Presses the left button on tab `index` and waits for the drag cursor.
    bool StartDrag(int index) {
        // The pointer where the press is, so that a move the system makes up
        // while the mouse is captured changes nothing.
        POINT at = {Tab(index).m_rcLabel.left + 2, 10};
        POINT screen = at;
        ::ClientToScreen(*tabs, &screen);
        if (!m_movedPointer) m_movedPointer = ::GetCursorPos(&m_pointer) != FALSE;
        ::SetCursorPos(screen.x, screen.y);
        ::SendMessageA(*tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        const DWORD start = ::GetTickCount();
        while (::GetCursor() != tabs->GetReorderCursor()) {
            if (::GetTickCount() - start > 5000) return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            testsupport::PumpMessages();
        }
        return true;
    }

private:
    bool m_movedPointer = false;
    POINT m_pointer{};
};

// Distances in the rows: the strip is 20 high, so a tab's shape is 18 high
// (y 1 to 19) and its slants run 9 across for 18 down.
TEST_F(TabPaint, TabsAreFilledOutlinedAndShadedByKind) {
    Check({
        {Scene::Tabs, "marked tab: window fill", 0, kLeft, 6, 4, COLOR_WINDOW},
        {Scene::Tabs, "marked tab: left slant", 0, kLeft, 4, 9, COLOR_BTNTEXT},
        {Scene::Tabs, "marked tab: bottom edge in shadow", 0, kLeft, 12, 19, COLOR_BTNSHADOW},
        {Scene::Tabs, "marked tab: inner shadow line", 0, kRight, -9, 17, COLOR_BTNSHADOW},
        {Scene::Tabs, "marked tab: right slant", 0, kRight, -8, 17, COLOR_BTNTEXT},
        {Scene::Tabs, "plain tab lies over its marked left neighbour", 1, kLeft, 6, 4, COLOR_BTNFACE},
        {Scene::Tabs, "plain tab: left slant", 1, kLeft, 4, 9, COLOR_BTNTEXT},
        {Scene::Tabs, "plain tab: inner shadow line", 1, kRight, -9, 17, COLOR_BTNSHADOW},
        {Scene::Tabs, "current tab: window fill", 2, kLeft, 6, 4, COLOR_WINDOW},
        {Scene::Tabs, "current tab: no inner shadow line", 2, kRight, -9, 17, COLOR_WINDOW},
        {Scene::Tabs, "current tab: right slant", 2, kRight, -8, 17, COLOR_BTNTEXT},
        {Scene::Tabs, "current tab: bottom edge in shadow", 2, kLeft, 12, 19, COLOR_BTNSHADOW},
        {Scene::Tabs, "current tab lies over its right neighbour", 2, kRight, -6, 4, COLOR_WINDOW},
        {Scene::Tabs, "current tab's right slant over its neighbour", 2, kRight, -4, 9, COLOR_BTNTEXT},
        {Scene::Tabs, "last tab: inner shadow line", 4, kRight, -9, 17, COLOR_BTNSHADOW},
        {Scene::Tabs, "last tab: right slant", 4, kRight, -8, 17, COLOR_BTNTEXT},
        {Scene::Tabs, "last tab: its whole top right corner", 4, kRight, -3, 3, COLOR_BTNFACE},
        {Scene::Tabs, "right of the last tab", 4, kRight, 2, 10, COLOR_BTNFACE},
        {Scene::Edge, "edge: slant", 2, kLeft, 2, 15, COLOR_BTNTEXT},
        {Scene::Edge, "edge: shadow line left of it", 2, kLeft, 1, 15, COLOR_BTNSHADOW},
        {Scene::Edge, "edge: upper half under the next tab", 2, kLeft, 5, 7, COLOR_WINDOW},
        {Scene::EdgeCurrent, "current edge: slant", 3, kLeft, 2, 15, COLOR_BTNTEXT},
        {Scene::EdgeCurrent, "current edge: window fill, no shadow line", 3, kLeft, 1, 15, COLOR_WINDOW},
        {Scene::EdgeCurrent, "current edge: upper slant over the next tab", 3, kLeft, 6, 7, COLOR_BTNTEXT},
        {Scene::EdgeCurrent, "current edge: fill over the next tab", 3, kLeft, 5, 7, COLOR_WINDOW},
    });
}

// Background, the frame of the button area and the top line; the gap over
// the current tab is in the reference pictures.
TEST_F(TabPaint, StripBackgroundFrameAndTopLine) {
    Check({
        {Scene::Empty, "background", 0, kClient, 100, 10, COLOR_BTNFACE},
        {Scene::Empty, "above the top line", 0, kClient, 100, 0, COLOR_BTNFACE},
        {Scene::Empty, "top line from the button area", 0, kClient, 37, 1, COLOR_BTNTEXT},
        {Scene::Empty, "top line to the right edge", 0, kClientRight, -1, 1, COLOR_BTNTEXT},
        {Scene::Empty, "frame: left", 0, kClient, 0, 10, COLOR_BTNTEXT},
        {Scene::Empty, "frame: right", 0, kClient, 36, 10, COLOR_BTNTEXT},
        {Scene::Empty, "frame: bottom", 0, kClient, 10, 19, COLOR_BTNTEXT},
        {Scene::Empty, "frame: not above y 1", 0, kClient, 10, 0, COLOR_BTNFACE},
        {Scene::EmptyNoArrows, "no buttons: top line from 0", 0, kClient, 0, 1, COLOR_BTNTEXT},
        {Scene::EmptyNoArrows, "no buttons: no frame", 0, kClient, 0, 10, COLOR_BTNFACE},
        {Scene::NoCurrent, "no current tab: unbroken over tab 0", 0, kLeft, 20, 1, COLOR_BTNTEXT},
        {Scene::NoCurrent, "no current tab: unbroken over tab 1", 1, kLeft, 20, 1, COLOR_BTNTEXT},
        {Scene::CurrentHidden, "hidden current tab: unbroken", 2, kLeft, 20, 1, COLOR_BTNTEXT},
        {Scene::CurrentHidden, "hidden current tab: unbroken after the buttons", 0, kClient, 38, 1,
         COLOR_BTNTEXT},
        {Scene::FourButtons, "four: frame right", 0, kClient, 70, 10, COLOR_BTNTEXT},
        {Scene::FourButtons, "four: top line from 71", 0, kClient, 71, 1, COLOR_BTNTEXT},
    });
}

// Each face as the system draws a push button of that rectangle, with the
// glyph over it: glyph bits in the button text colour, the face left as it
// is under the others.
TEST_F(TabPaint, ScrollButtonFacesAndGlyphs) {
    struct Button {
        Scene scene;
        const char* what;
        RECT face;  // the classic next button reaches one pixel left, over the gap
        bool pushed;
        int glyph;
        POINT at;
    };
    const Button table[] = {
        {Scene::Empty, "two: previous", {1, 2, 18, 19}, false, 1, {5, 7}},
        {Scene::Empty, "two: next", {18, 2, 36, 19}, false, 2, {23, 7}},
        {Scene::FourButtons, "four: first", {1, 2, 18, 19}, false, 0, {5, 7}},
        {Scene::FourButtons, "four: previous", {18, 2, 35, 19}, false, 1, {22, 7}},
        {Scene::FourButtons, "four: next", {35, 2, 53, 19}, false, 2, {40, 7}},
        {Scene::FourButtons, "four: last", {53, 2, 70, 19}, false, 3, {57, 7}},
        {Scene::PressedBack, "pressed previous", {1, 2, 18, 19}, true, 1, {5, 7}},
        {Scene::PressedBack, "next beside a pressed previous", {18, 2, 36, 19}, false, 2, {23, 7}},
        {Scene::PressedFwd, "pressed next", {18, 2, 36, 19}, true, 2, {23, 7}},
    };
    std::unique_ptr<Picture> pic;
    for (size_t i = 0; i < std::size(table); ++i) {
        const Button& b = table[i];
        SCOPED_TRACE(b.what);
        if (i == 0 || b.scene != table[i - 1].scene) {
            Build(b.scene);
            if (HasFatalFailure()) return;
            pic = std::make_unique<Picture>(*tabs);
            for (int k = 0; k < 4; ++k) EXPECT_EQ(tabs->GetGlyphColors()[k], ::GetSysColor(COLOR_BTNTEXT));
        }
        const int w = b.face.right - b.face.left, h = b.face.bottom - b.face.top;
        Canvas face(w, h, RGB(1, 2, 3));
        RECT rc{0, 0, w, h};
        ::DrawFrameControl(face.Dc(), &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (b.pushed ? DFCS_PUSHED : 0));
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int gx = b.face.left + x - b.at.x, gy = b.face.top + y - b.at.y;
                const bool ink = gx >= 0 && gx < 8 && gy >= 0 && gy < 7 && kGlyphs[b.glyph][gy][gx] == '#';
                const COLORREF want = ink ? ::GetSysColor(COLOR_BTNTEXT) : face.At(x, y);
                const COLORREF got = pic->At(b.face.left + x, b.face.top + y);
                if (got != want && ++wrong <= 3)
                    ADD_FAILURE() << "(" << b.face.left + x << ", " << b.face.top + y << ") " << std::hex << got
                                  << " instead of " << want << (ink ? " (glyph)" : " (face)");
            }
        EXPECT_EQ(wrong, 0);
    }
    ::SendMessageA(*tabs, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
}

// While a tab is dragged a small triangle (7, 5, 3, 1 pixels wide at y 1 to
// 4) points at the insertion place; the picture is otherwise the one shown
// once the drag has ended.
TEST_F(TabPaint, DropMarkerPointsAtTheInsertionPlace) {
    struct Drop {
        const char* what;
        int width;
        std::vector<std::string> labels;
        int pressed;
        bool toEnd;  // move the drop place after the last tab
        int (*expectedX)(const CCustomTabCtrl&, int width);
    };
    const Drop table[] = {
        {"before the pressed tab", 400, {"One", "Two", "Three"}, 1, false,
         [](const CCustomTabCtrl& t, int) { return static_cast<int>(t.GetTabEntry(1)->m_rcLabel.left) - 20 / 4 - 3; }},
        {"after the last tab", 400, {"One", "Two", "Three"}, 1, true,
         [](const CCustomTabCtrl& t, int) { return static_cast<int>(t.GetTabEntry(2)->m_rcLabel.right) + 20 / 4 - 3; }},
        {"after a last tab reaching past the edge: 7 from the edge", 200,
         {"One", "Two", "The last label, a longer one"}, 0, true, [](const CCustomTabCtrl&, int w) { return w - 7; }},
    };
    for (const Drop& d : table) {
        SCOPED_TRACE(d.what);
        Make(TSS_REORDER, d.width);
        Add(d.labels);
        tabs->SetReorderCursors(::LoadCursor(nullptr, IDC_SIZEALL), nullptr);
        ASSERT_TRUE(StartDrag(d.pressed)) << "no drag cursor: the mouse handling is not there yet";
        const int count = tabs->GetTabCount();
        for (int i = 0; d.toEnd && tabs->GetDropPos() != count && i < 3 * count; ++i)
            ::SendMessageA(*tabs, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(d.width, 10));
        if (d.toEnd) {
            ASSERT_EQ(tabs->GetDropPos(), count);
        }

        const Picture marked(*tabs);
        // Taking the capture away ends the press without a drop.
        ::ReleaseCapture();
        const Picture plain(*tabs);
        const int x = d.expectedX(*tabs, d.width);
        int wrong = 0;
        int onlyWhileDragging = 0;
        for (int py = 0; py < marked.height; ++py)
            for (int px = 0; px < marked.width; ++px) {
                const int row = py - 1;
                const bool ink = row >= 0 && row < 4 && px >= x + row && px < x + 7 - row;
                const COLORREF want = ink ? ::GetSysColor(COLOR_BTNTEXT) : plain.At(px, py);
                onlyWhileDragging += ink && plain.At(px, py) != want;
                if (marked.At(px, py) != want && ++wrong <= 3)
                    ADD_FAILURE() << "(" << px << ", " << py << ")" << (ink ? " marker" : " not marker");
            }
        EXPECT_EQ(wrong, 0) << "marker expected at x " << x;
        EXPECT_GT(onlyWhileDragging, 0) << "a marker after the drag ended";
        ::SendMessageA(*tabs, WM_LBUTTONUP, 0, MAKELPARAM(0, 30));
    }
}

TEST_F(TabPaint, CurrentAndMarkedLabelsAreBold) {
    Make(TSS_MULTIMARK, 400);
    Add({"WWWW", "WWWW", "WWWW"});
    tabs->SelectTab(0);
    ASSERT_EQ(tabs->MarkTab(2, FALSE, TRUE), TSE_OK);
    const Picture pic(*tabs);
    auto ink = [&](int i, int sysColor) {
        const RECT r = Tab(i).m_rcLabel;
        int n = 0;
        for (int y = r.top + 2; y < r.bottom - 2; ++y)
            for (int x = r.left; x < r.right; ++x) n += pic.At(x, y) == ::GetSysColor(sysColor);
        return n;
    };
    const int plain = ink(1, COLOR_BTNTEXT);
    EXPECT_GT(plain, 0);
    EXPECT_GT(ink(0, COLOR_WINDOWTEXT), plain);
    EXPECT_EQ(ink(2, COLOR_WINDOWTEXT), ink(0, COLOR_WINDOWTEXT));
}

TEST_F(TabPaint, EraseBackgroundDrawsNothing) {
    Build(Scene::Tabs);
    const COLORREF marker = RGB(12, 34, 56);
    Canvas canvas(400, 20, marker);
    EXPECT_EQ(::SendMessageA(*tabs, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0), TRUE);
    int changed = 0;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) changed += canvas.At(x, y) != marker;
    EXPECT_EQ(changed, 0);
}

// Pens, brushes, memory DCs and bitmaps live for one paint only.
TEST_F(TabPaint, ThousandPaintsLeaveNoObjectsBehind) {
    Build(Scene::Tabs);
    Canvas canvas(400, 20, 0);
    auto paintBoth = [&](int n) {
        for (int i = 0; i < n; ++i) {
            ::InvalidateRect(*tabs, nullptr, FALSE);
            ::UpdateWindow(*tabs);
            ::SendMessageA(*tabs, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
        }
    };
    paintBoth(1);
    testsupport::PumpMessages();
    const DWORD gdi = GdiCount();
    const DWORD user = UserCount();
    int painted = 0;
    {
        MessageSpy spy(*tabs);
        paintBoth(1000);
        painted = spy.Count(WM_PAINT);
    }
    testsupport::PumpMessages();
    EXPECT_EQ(painted, 1000);
    EXPECT_LE(GdiCount(), gdi + 1);
    EXPECT_EQ(UserCount(), user);
}

// Whole strips, every pixel, against tests/tabstrip/reference/*.txt. The
// colours are literal: the references hold for Wine 8's default colours and
// its own fonts. Each picture is also saved as test-output/tabstrip-NAME.png
// to look at; a strip that differs leaves its text form beside it.
TEST_F(TabPaint, StripsMatchTheirReferencePictures) {
    const std::pair<Scene, const char*> strips[] = {
        {Scene::FirstCurrent, "first-current"},
        {Scene::FirstCurrentNoArrows, "first-current-no-buttons"},
        {Scene::Tabs, "tabs"},
        {Scene::LastCurrent, "last-current"},
        {Scene::LastCurrentNoArrows, "last-current-no-buttons"},
        {Scene::EdgeCurrent, "edge-current"},
        {Scene::FourButtons, "four-buttons"},
    };
    for (const auto& [scene, name] : strips) {
        SCOPED_TRACE(name);
        Build(scene);
        if (HasFatalFailure()) return;
        const Picture pic(*tabs);
        const std::string actual = OutputDir() + "/tabstrip-" + name;
        EXPECT_TRUE(pic.SavePng(actual + ".png")) << actual;
        const std::string reference = std::string(PROBELET_TABSTRIP_REFERENCE_DIR) + "/" + name + ".txt";
        Pixels want;
        std::string wrong;
        if (!ReadPicture(reference, want)) {
            wrong = "cannot read " + reference;
        } else if (want.width != pic.width || want.height != pic.height) {
            wrong = "the reference is " + std::to_string(want.width) + " x " + std::to_string(want.height);
        } else {
            int differ = 0;
            for (int y = 0; y < pic.height; ++y)
                for (int x = 0; x < pic.width; ++x) {
                    const COLORREF got = pic.At(x, y);
                    const COLORREF expected = want.colors[static_cast<size_t>(y * pic.width + x)];
                    if (got != expected && differ++ == 0)
                        wrong = "first difference at (" + std::to_string(x) + ", " + std::to_string(y) +
                                "): " + Hex(got) + " instead of " + Hex(expected);
                }
            if (differ) wrong += "; " + std::to_string(differ) + " pixels differ";
        }
        if (!wrong.empty()) {
            std::ofstream(actual + ".txt") << pic.Text();
            ADD_FAILURE() << wrong << "; painted: " << actual << ".txt";
        }
    }
}

// A paint keeps its back buffer and its coloured glyphs for the next one.
// After a change of size or of the system colours (whether or not the parent
// passes WM_SYSCOLORCHANGE on) the strip paints exactly as one made after it.
TEST_F(TabPaint, KeptPaintMatchesAFreshOneAfterAChange) {
    const struct {
        const char* what;
        int width, height;
        bool colours, message;
    } changes[] = {
        {"wider", 360, 20, false, false},
        {"taller", 300, 26, false, false},
        {"system colours, WM_SYSCOLORCHANGE passed on", 300, 20, true, true},
        {"system colours, no message", 300, 20, true, false},
    };
    const int which[] = {COLOR_BTNTEXT, COLOR_BTNFACE};
    const COLORREF saved[] = {::GetSysColor(which[0]), ::GetSysColor(which[1])};
    const COLORREF other[] = {RGB(160, 0, 40), RGB(200, 220, 180)};
    auto build = [&](int width, int height) {
        Make(0, width, height);
        Add({"Alpha", "Beta", "Gamma"});
        tabs->SelectTab(1);
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        build(300, 20);
        ::UpdateWindow(*tabs);        // kept for the screen
        { const Picture warm(*tabs); }  // and for a DIB like the pictures'
        if (c.colours) ::SetSysColors(2, which, other);
        if (c.message) ::SendMessageA(*tabs, WM_SYSCOLORCHANGE, 0, 0);
        tabs->MoveWindow(0, 0, c.width, c.height);
        const Picture kept(*tabs);
        build(c.width, c.height);
        const Picture fresh(*tabs);
        if (c.colours) ::SetSysColors(2, which, saved);
        int differ = 0;
        for (int y = 0; y < fresh.height; ++y)
            for (int x = 0; x < fresh.width; ++x) differ += kept.At(x, y) != fresh.At(x, y);
        EXPECT_EQ(differ, 0);
    }
}

}  // namespace
