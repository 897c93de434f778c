// The resources as the program and the inspection view load them from the
// module: what windres made of the script and of the generated images.
#include "res/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace {

HMODULE Self() { return ::GetModuleHandleA(nullptr); }

std::string LoadString(UINT id) {
    char buf[512] = "";
    int n = ::LoadStringA(Self(), id, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

const unsigned char* ResourceBytes(LPCSTR type, LPCSTR name, DWORD* size) {
    HRSRC r = ::FindResourceA(Self(), name, type);
    if (!r) return nullptr;
    *size = ::SizeofResource(Self(), r);
    return static_cast<const unsigned char*>(::LockResource(::LoadResource(Self(), r)));
}

// --- drag cursor -----------------------------------------------------------

// The tab picture of the drag cursor: 'K' black outline, 'W' white fill,
// '_' transparent, rows and columns counted from the top left.
char ExpectedTabPixel(int row, int col) {
    struct Sides { int row, left, right; };
    static const Sides sides[] = {{2, 2, 28}, {3, 3, 27}, {4, 3, 27}, {5, 3, 27}, {6, 4, 26},
                                  {7, 4, 26}, {8, 5, 25}, {9, 5, 25}, {10, 5, 25}};
    if (row == 1) return col >= 2 && col <= 28 ? 'K' : '_';
    if (row == 11) return col >= 6 && col <= 24 ? 'K' : '_';
    for (const Sides& s : sides) {
        if (s.row != row) continue;
        if (col == s.left || col == s.right) return 'K';
        return col > s.left && col < s.right ? 'W' : '_';
    }
    return '_';
}

TEST(Resources, DragCursorIsTheTabPictureWithItsHotSpotAtTheTopLeftCorner) {
    HCURSOR cursor = ::LoadCursorA(Self(), MAKEINTRESOURCEA(IDC_TABDRAG));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 2u);
    EXPECT_EQ(info.yHotspot, 1u);
    EXPECT_EQ(info.hbmColor, nullptr) << "a two-colour cursor has only a mask bitmap";

    // The mask bitmap holds the AND bits above the XOR bits, 32 rows each.
    struct { BITMAPINFOHEADER h; RGBQUAD colours[2]; } bi{};
    bi.h.biSize = sizeof bi.h;
    HDC dc = ::GetDC(nullptr);
    ASSERT_TRUE(::GetDIBits(dc, info.hbmMask, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS));
    ASSERT_EQ(bi.h.biWidth, 32);
    ASSERT_EQ(bi.h.biHeight, 64);
    bi.h.biBitCount = 1;
    bi.h.biCompression = BI_RGB;
    bi.h.biHeight = -64;  // top-down rows
    std::vector<unsigned char> bits(4 * 64);
    ASSERT_EQ(::GetDIBits(dc, info.hbmMask, 0, 64, bits.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS), 64);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(info.hbmMask);

    auto bit = [&](int row, int col) { return (bits[row * 4 + col / 8] >> (7 - col % 8)) & 1; };
    for (int row = 0; row < 32; ++row) {
        for (int col = 0; col < 32; ++col) {
            char expected = ExpectedTabPixel(row, col);
            char actual = bit(row, col) ? (bit(32 + row, col) ? '?' : '_') : (bit(32 + row, col) ? 'W' : 'K');
            ASSERT_EQ(actual, expected) << "row " << row << ", column " << col;
        }
    }
}

// --- strings, menu, accelerators ---------------------------------------------

TEST(Resources, StringsCarryPromptAndTooltipSeparatedByANewline) {
    EXPECT_EQ(LoadString(IDR_MAINFRAME), "Probelet");
    EXPECT_EQ(LoadString(IDS_APP_TITLE), "Probelet");
    EXPECT_EQ(LoadString(IDS_IDLE_MESSAGE), "Ready");
    EXPECT_EQ(LoadString(ID_ADD_FILES), "Add files to the file list\nAdd files");
    EXPECT_EQ(LoadString(ID_CLEAR_LIST), "Clear the file list\nClear");
    EXPECT_EQ(LoadString(ID_CHANGE_INI), "Switch to the custom INI file\nChange INI file");
    EXPECT_EQ(LoadString(ID_APP_EXIT), "Quit the application; prompts to save documents\nExit");
    EXPECT_EQ(LoadString(ID_INDICATOR_CAPS), "CAP");
    EXPECT_EQ(LoadString(ID_INDICATOR_NUM), "NUM");
    EXPECT_EQ(LoadString(ID_INDICATOR_SCRL), "SCRL");
    EXPECT_EQ(LoadString(ID_INDICATOR_INI), "INI File");
    EXPECT_EQ(LoadString(61203), "Activate Task List");
    EXPECT_EQ(LoadString(61190), "Close the active window and prompts to save the documents");
}

TEST(Resources, TheStringTableIsExactlyTheProgramsStrings) {
    const std::map<UINT, std::string> expected = {
        {128, "Probelet"},
        {32771, "Clear the file list\nClear"},
        {32772, "Add files to the file list\nAdd files"},
        {32773, "Switch to the custom INI file\nChange INI file"},
        {57344, "Probelet"},
        {57345, "Ready"},
        {57632, "Erase the selection\nErase"},
        {57633, "Erase everything\nErase All"},
        {57634, "Copy the selection and put it on the Clipboard\nCopy"},
        {57635, "Cut the selection and put it on the Clipboard\nCut"},
        {57636, "Find the specified text\nFind"},
        {57637, "Insert Clipboard contents\nPaste"},
        {57640, "Repeat the last action\nRepeat"},
        {57641, "Replace specific text with different text\nReplace"},
        {57642, "Select the entire document\nSelect All"},
        {57643, "Undo the last action\nUndo"},
        {57644, "Redo the previously undone action\nRedo"},
        {57653, "Split the active window into panes\nSplit"},
        {57664, "Display program information, version number and copyright\nAbout"},
        {57665, "Quit the application; prompts to save documents\nExit"},
        {57680, "Switch to the next window pane\nNext Pane"},
        {57681, "Switch back to the previous window pane\nPrevious Pane"},
        {59136, "EXT"},
        {59137, "CAP"},
        {59138, "NUM"},
        {59139, "SCRL"},
        {59140, "OVR"},
        {59141, "REC"},
        {59392, "Show or hide the toolbar\nToggle ToolBar"},
        {59393, "Show or hide the status bar\nToggle StatusBar"},
        {61184, "Change the window size"},
        {61185, "Change the window position"},
        {61186, "Reduce the window to an icon"},
        {61187, "Enlarge the window to full size"},
        {61188, "Switch to the next document window"},
        {61189, "Switch to the previous document window"},
        {61190, "Close the active window and prompts to save the documents"},
        {61202, "Restore the window to normal size"},
        {61203, "Activate Task List"},
        {61204, "INI File"},
    };
    std::map<UINT, std::string> found;
    for (UINT id = 0; id < 0x10000; ++id) {
        std::string text = LoadString(id);
        if (!text.empty()) found[id] = text;
    }
    EXPECT_EQ(found, expected);
}

struct MenuItem {
    std::string text;
    UINT id;
};

std::vector<MenuItem> Items(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[128] = "";
        ::GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        HMENU sub = ::GetSubMenu(menu, i);
        items.push_back({text, sub ? 0u : ::GetMenuItemID(menu, i)});
    }
    return items;
}

TEST(Resources, MenuHasFileEditViewAndHelp) {
    HMENU menu = ::LoadMenuA(Self(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(menu, nullptr);
    auto top = Items(menu);
    ASSERT_EQ(top.size(), 4u);
    EXPECT_EQ(top[0].text, "&File");
    EXPECT_EQ(top[1].text, "&Edit");
    EXPECT_EQ(top[2].text, "&View");
    EXPECT_EQ(top[3].text, "&Help");

    auto file = Items(::GetSubMenu(menu, 0));
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].text, "E&xit");
    EXPECT_EQ(file[0].id, static_cast<UINT>(ID_APP_EXIT));

    auto edit = Items(::GetSubMenu(menu, 1));
    ASSERT_EQ(edit.size(), 5u);
    EXPECT_EQ(edit[0].text, "&Undo\tCtrl+Z");
    EXPECT_EQ(edit[0].id, static_cast<UINT>(ID_EDIT_UNDO));
    EXPECT_EQ(edit[1].id, 0u);  // separator
    EXPECT_EQ(edit[2].text, "Cu&t\tCtrl+X");
    EXPECT_EQ(edit[2].id, static_cast<UINT>(ID_EDIT_CUT));
    EXPECT_EQ(edit[3].text, "&Copy\tCtrl+C");
    EXPECT_EQ(edit[3].id, static_cast<UINT>(ID_EDIT_COPY));
    EXPECT_EQ(edit[4].text, "&Paste\tCtrl+V");
    EXPECT_EQ(edit[4].id, static_cast<UINT>(ID_EDIT_PASTE));

    auto view = Items(::GetSubMenu(menu, 2));
    ASSERT_EQ(view.size(), 2u);
    EXPECT_EQ(view[0].text, "&Toolbar");
    EXPECT_EQ(view[0].id, static_cast<UINT>(ID_VIEW_TOOLBAR));
    EXPECT_EQ(view[1].text, "&Status Bar");
    EXPECT_EQ(view[1].id, static_cast<UINT>(ID_VIEW_STATUS_BAR));

    auto help = Items(::GetSubMenu(menu, 3));
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].text, "&About Probelet...");
    EXPECT_EQ(help[0].id, static_cast<UINT>(ID_APP_ABOUT));
    ::DestroyMenu(menu);
}

TEST(Resources, AcceleratorsAreTheTenVirtualKeyEntries) {
    HACCEL accel = ::LoadAcceleratorsA(Self(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(accel, nullptr);
    ACCEL entries[16];
    int n = ::CopyAcceleratorTableA(accel, entries, 16);
    const ACCEL expected[] = {
        {FVIRTKEY | FCONTROL, 'C', ID_EDIT_COPY},     {FVIRTKEY | FCONTROL, 'V', ID_EDIT_PASTE},
        {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO},     {FVIRTKEY | FSHIFT, VK_DELETE, ID_EDIT_CUT},
        {FVIRTKEY, VK_F6, ID_NEXT_PANE},              {FVIRTKEY | FSHIFT, VK_F6, ID_PREV_PANE},
        {FVIRTKEY | FCONTROL, VK_INSERT, ID_EDIT_COPY}, {FVIRTKEY | FSHIFT, VK_INSERT, ID_EDIT_PASTE},
        {FVIRTKEY | FCONTROL, 'X', ID_EDIT_CUT},      {FVIRTKEY | FCONTROL, 'Z', ID_EDIT_UNDO},
    };
    ASSERT_EQ(n, 10);
    for (int i = 0; i < n; ++i) {
        // NOINVERT only matters to menus; compare what selects the command.
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FCONTROL | FALT | FSHIFT), expected[i].fVirt) << i;
        EXPECT_EQ(entries[i].key, expected[i].key) << i;
        EXPECT_EQ(entries[i].cmd, expected[i].cmd) << i;
    }
    ::DestroyAcceleratorTable(accel);
}

// --- toolbar and images ---------------------------------------------------------

TEST(Resources, ToolbarDescriptionListsElevenItemsOfSixteenByFifteenImages) {
    DWORD size = 0;
    auto* p = reinterpret_cast<const WORD*>(
        ResourceBytes(MAKEINTRESOURCEA(RT_TOOLBAR_DESCRIPTION), MAKEINTRESOURCEA(IDR_MAINFRAME), &size));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(size, 15u * sizeof(WORD));
    const WORD expected[] = {1, 16, 15, 11, ID_ADD_FILES, ID_CLEAR_LIST, ID_CHANGE_INI, 0, ID_EDIT_CUT,
                             ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_FILE_PRINT, 0, ID_APP_ABOUT};
    for (int i = 0; i < 15; ++i) EXPECT_EQ(p[i], expected[i]) << i;
}

TEST(Resources, ToolbarBitmapIsAStripOfEightSixteenColourImages) {
    DWORD size = 0;
    auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(
        ResourceBytes(MAKEINTRESOURCEA(2) /* RT_BITMAP */, MAKEINTRESOURCEA(IDR_MAINFRAME), &size));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->biWidth, 128);
    EXPECT_EQ(h->biHeight, 15);
    EXPECT_EQ(h->biBitCount, 4);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(Resources, BothIconsHaveLargeAndSmall256ColourImages) {
    for (UINT id : {IDR_MAINFRAME, IDI_PROBELET}) {
        DWORD size = 0;
        auto* dir = reinterpret_cast<const WORD*>(
            ResourceBytes(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEA(id), &size));
        ASSERT_NE(dir, nullptr) << id;
        ASSERT_EQ(dir[2], 2) << id;
        auto* entries = reinterpret_cast<const GroupIconEntry*>(dir + 3);
        std::vector<int> sizes;
        for (int i = 0; i < 2; ++i) {
            sizes.push_back(entries[i].width);
            EXPECT_EQ(entries[i].height, entries[i].width) << id;
            EXPECT_EQ(entries[i].bitCount, 8) << id;
        }
        EXPECT_EQ(sizes, (std::vector<int>{32, 16})) << id;
        HICON small = static_cast<HICON>(::LoadImageA(Self(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
        EXPECT_NE(small, nullptr) << id;
        if (small) ::DestroyIcon(small);
    }
}

// --- About box template -----------------------------------------------------------

// Reads a DLGTEMPLATE (not the extended form) as the resource compiler wrote it.
struct DialogItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD classAtom;        // 0x80 button, 0x82 static
    std::wstring text;
    WORD textOrdinal = 0;  // resource id when the text is an ordinal (icons)
};
struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::wstring caption, face;
    WORD points = 0;
    std::vector<DialogItem> items;
};

DialogTemplate ParseDialog(const unsigned char* p) {
    auto word = [&p]() { WORD w; memcpy(&w, p, 2); p += 2; return w; };
    auto dword = [&p]() { DWORD d; memcpy(&d, p, 4); p += 4; return d; };
    auto text = [&p, &word]() {
        std::wstring s;
        for (WORD c = word(); c; c = word()) s += static_cast<wchar_t>(c);
        return s;
    };
    DialogTemplate t;
    t.style = dword();
    dword();  // extended style
    WORD count = word();
    word(), word();
    t.cx = static_cast<short>(word());
    t.cy = static_cast<short>(word());
    if (word() == 0xFFFF) word(); else { p -= 2; text(); }  // menu
    if (word() == 0xFFFF) word(); else { p -= 2; text(); }  // class
    t.caption = text();
    if (t.style & DS_SETFONT) {
        t.points = word();
        t.face = text();
    }
    for (WORD i = 0; i < count; ++i) {
        while (reinterpret_cast<uintptr_t>(p) % 4) ++p;  // items start on DWORD boundaries
        DialogItem item{};
        item.style = dword();
        dword();
        item.x = static_cast<short>(word());
        item.y = static_cast<short>(word());
        item.cx = static_cast<short>(word());
        item.cy = static_cast<short>(word());
        item.id = word();
        if (word() == 0xFFFF) item.classAtom = word(); else { p -= 2; text(); }
        if (word() == 0xFFFF) item.textOrdinal = word(); else { p -= 2; item.text = text(); }
        WORD extra = word();  // creation data, its size word included
        if (extra > 2) p += extra - 2;
        t.items.push_back(item);
    }
    return t;
}

TEST(Resources, AboutBoxTemplateMatchesItsLayout) {
    DWORD size = 0;
    const unsigned char* p = ResourceBytes(MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(IDD_ABOUTBOX), &size);
    ASSERT_NE(p, nullptr);
    DialogTemplate t = ParseDialog(p);
    EXPECT_EQ(t.style, 0x80C800C0u);
    EXPECT_EQ(t.cx, 235);
    EXPECT_EQ(t.cy, 55);
    EXPECT_EQ(t.caption, L"About Probelet");
    EXPECT_EQ(t.face, L"MS Sans Serif");
    EXPECT_EQ(t.points, 8);
    ASSERT_EQ(t.items.size(), 4u);

    const DialogItem& icon = t.items[0];
    EXPECT_EQ(icon.style, 0x50000003u);
    EXPECT_EQ(icon.classAtom, 0x82);
    EXPECT_EQ(icon.textOrdinal, IDI_PROBELET);
    EXPECT_EQ(icon.x, 11);
    EXPECT_EQ(icon.y, 17);
    EXPECT_EQ(icon.cx, 20);
    EXPECT_EQ(icon.cy, 20);
    EXPECT_EQ(icon.id, 0xFFFF);

    const DialogItem& version = t.items[1];
    EXPECT_EQ(version.style, 0x50020080u);
    EXPECT_EQ(version.text, L"Probelet Version 1.0");
    EXPECT_EQ(version.x, 40);
    EXPECT_EQ(version.y, 10);
    EXPECT_EQ(version.cx, 119);
    EXPECT_EQ(version.cy, 8);

    const DialogItem& copyright = t.items[2];
    EXPECT_EQ(copyright.style, 0x50020000u);
    EXPECT_EQ(copyright.x, 40);
    EXPECT_EQ(copyright.y, 25);
    EXPECT_EQ(copyright.cx, 129);
    EXPECT_FALSE(copyright.text.empty());

    const DialogItem& ok = t.items[3];
    EXPECT_EQ(ok.style, 0x50030001u);
    EXPECT_EQ(ok.classAtom, 0x80);
    EXPECT_EQ(ok.id, IDOK);
    EXPECT_EQ(ok.text, L"OK");
    EXPECT_EQ(ok.x, 178);
    EXPECT_EQ(ok.y, 7);
    EXPECT_EQ(ok.cx, 50);
    EXPECT_EQ(ok.cy, 14);
}

// --- version block -----------------------------------------------------------------

TEST(Resources, VersionBlockNamesTheProgram) {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoA(path, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000004u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000004u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    auto value = [&](const char* name) {
        char* text = nullptr;
        UINT n = 0;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!::VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &n)) return std::string("<missing>");
        return std::string(text ? text : "");
    };
    EXPECT_EQ(value("FileDescription"), "Probelet MFC Application");
    EXPECT_EQ(value("InternalName"), "Probelet");
    EXPECT_EQ(value("OriginalFilename"), "Probelet.EXE");
    EXPECT_EQ(value("ProductName"), "Probelet Application");
    EXPECT_EQ(value("FileVersion"), "1, 0, 0, 4");
    EXPECT_EQ(value("ProductVersion"), "1, 0, 0, 4");
    EXPECT_NE(value("LegalCopyright"), "<missing>");
    for (const char* empty : {"CompanyName", "Comments", "LegalTrademarks", "PrivateBuild", "SpecialBuild"})
        EXPECT_EQ(value(empty), "") << empty;
}

}  // namespace
