// The start-up benchmark's floor: a window of ours that shows what Probelet
// shows at start-up with the least work that can show it.
//   bare_window.exe [--ini INI] [--list LIST]
// A top-level window with a file list-view on the left and a child the size
// of the tab strip at the bottom of the right pane. With --ini, for every
// key of [ContentPlugins]: the value is read, its label measured once with
// the strip's bold font, one tab polygon region made and one tooltip tool
// added. With --list, every line of the file is read and inserted with
// redraw off. Then the message loop runs, painting as any window does.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kFrameClass[] = "ProbeletBareFrame";
const char kStripClass[] = "ProbeletBareStrip";

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Every line of the file, read in one piece; CR LF, LF or CR end a line.
std::vector<std::string> ReadLines(const char* path) {
    std::vector<std::string> lines;
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE) return lines;
    std::string text(::GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!text.empty() && ::ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr)) text.resize(read);
    ::CloseHandle(file);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end;
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
    }
    return lines;
}

// One tab per plugin key: the least the strip must do for it once.
void AddTabs(HWND frame, HWND strip, const char* ini, std::vector<HRGN>& regions) {
    LOGFONTA lf{};
    lf.lfHeight = 12;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(lf.lfFaceName, "Verdana");
    HFONT font = ::CreateFontIndirectA(&lf);
    HWND tips = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, frame,
                                  nullptr, nullptr, nullptr);
    HDC dc = ::GetDC(strip);
    HGDIOBJ old = ::SelectObject(dc, font);
    int x = 37;
    for (int n = 0;; ++n) {
        char key[16];
        char value[MAX_PATH] = "";
        wsprintfA(key, "%d", n);
        ::GetPrivateProfileStringA("ContentPlugins", key, "", value, MAX_PATH, ini);
        if (!value[0]) break;
        std::string label = value;
        label = label.substr(label.find_last_of('\\') + 1);
        label = label.substr(0, label.find_last_of('.'));
        RECT rc{};
        ::DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &rc, DT_CALCRECT);
        const int w = rc.right - rc.left;
        const POINT points[6] = {{x, 1}, {x + 4, 9}, {x + 9, 19}, {x + w + 15, 19}, {x + w + 19, 9}, {x + w + 24, 1}};
        regions.push_back(::CreatePolygonRgn(points, 6, WINDING));
        TTTOOLINFOA ti{};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.hwnd = strip;
        ti.uId = static_cast<UINT_PTR>(n + 1);
        ti.rect = {x + 10, 1, x + w + 14, 19};
        ti.lpszText = value;
        ::SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        x += w + 14;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(strip, dc);
    // The font stays alive as the strip's would; the process ends soon.
}

}  // namespace

// A windows-subsystem program like Probelet.exe, so both start alike.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const int argc = __argc;
    char** const argv = __argv;
    const char* ini = nullptr;
    const char* list = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--ini") == 0) ini = argv[i + 1];
        if (std::strcmp(argv[i], "--list") == 0) list = argv[i + 1];
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFrameClass;
    ::RegisterClassA(&wc);
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.lpszClassName = kStripClass;
    ::RegisterClassA(&wc);

    HWND frame = ::CreateWindowExA(0, kFrameClass, "bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!frame) return 1;
    RECT client{};
    ::GetClientRect(frame, &client);
    const int left = client.right / 4;
    HWND files = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                   WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, left,
                                   client.bottom, frame, nullptr, instance, nullptr);
    HWND strip = ::CreateWindowExA(0, kStripClass, "", WS_CHILD | WS_VISIBLE, left, client.bottom - 20,
                                   client.right - left, 20, frame, nullptr, instance, nullptr);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>("File Name");
    column.cx = left - 4;
    ::SendMessageA(files, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));

    std::vector<HRGN> regions;
    if (ini) AddTabs(frame, strip, ini, regions);
    ::ShowWindow(frame, SW_SHOW);
    ::UpdateWindow(frame);
    if (list) {
        ::SendMessageA(files, WM_SETREDRAW, FALSE, 0);
        int index = 0;
        for (const std::string& line : ReadLines(list)) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = index++;
            item.pszText = const_cast<char*>(line.c_str());
            ::SendMessageA(files, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
        ::SendMessageA(files, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(files, nullptr, TRUE);
    }

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    for (HRGN r : regions) ::DeleteObject(r);
    return 0;
}
