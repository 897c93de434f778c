#include "ViewFixture.h"

#include "framework/AppGlobals.h"
#include "tabstrip/TabNotify.h"

#include <windows.h>

ViewFixture::ViewFixture() {
    fw::SetMainWindow(parent.GetHwnd());
    plugin.AddText("Name", wdx::kString, "hello");
    plugin.AddInt32("Count", 42);
}

ViewFixture::~ViewFixture() {
    view.DestroyWindow();
    fw::SetMainWindow(nullptr);
    // The view keeps its last plugin for the process's lifetime; the test
    // lets go of it so that its copy can be deleted.
    view.m_plugin.Release();
    EXPECT_EQ(boxes.Texts(), expectedBoxes);
}

std::string ViewFixture::InstallPlugin(const std::string& name) {
    std::string folder = dir.Path() + "\\plugins";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    folder += "\\" + name;
    ::CreateDirectoryA(folder.c_str(), nullptr);
    std::string base = folder + "\\" + name;
    if (k64) {
        // A real 64-bit installation keeps the 32-bit library beside it.
        dir.Write("plugins\\" + name + "\\" + name + ".wdx", "not a 64-bit library");
        ::CopyFileA(testplugin::Path().c_str(), (base + ".wdx64").c_str(), FALSE);
    } else {
        ::CopyFileA(testplugin::Path().c_str(), (base + ".wdx").c_str(), FALSE);
    }
    return "%COMMANDER_PATH%\\plugins\\" + name + "\\" + name + ".wdx";
}

std::string ViewFixture::WriteHost(const std::vector<std::string>& pluginLines) {
    std::string text = "[Configuration]\r\nFirstTime=0\r\n[ContentPlugins]\r\n";
    for (const std::string& line : pluginLines) text += line + "\r\n";
    std::string ini = dir.Write("wincmd.ini", text);
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), ".\\wincmd.ini");
    return ini;
}

void ViewFixture::InstallHost(const std::vector<std::string>& names) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < names.size(); ++i) {
        lines.push_back(std::to_string(i) + "=" + InstallPlugin(names[i]));
        lines.push_back(std::to_string(i) + "_detect=\"EXT=\"\"TXT\"\"\"");
    }
    WriteHost(lines);
}

void ViewFixture::CreateView() {
    fw::ViewArgs args;
    args.parent = parent.GetHwnd();
    args.id = 0xE900;
    args.style = WS_CHILD | WS_VISIBLE;
    args.rect = parent.GetClientRect();
    ASSERT_TRUE(view.Create(args));
}

void ViewFixture::Start() {
    CreateView();
    view.OnInitialUpdate();
}

std::string ViewFixture::LoadedFile() const {
    if (!view.m_plugin.IsLoaded()) return "";
    char name[MAX_PATH] = "";
    ::GetModuleFileNameA(::GetModuleHandleA(view.m_plugin.Path()), name, MAX_PATH);
    return name;
}

std::string ViewFixture::LibraryOf(const std::string& name) const {
    return dir.Path() + "\\plugins\\" + name + "\\" + name + (k64 ? ".wdx64" : ".wdx");
}

std::string ViewFixture::TabLabel(int index) const {
    const CTabEntry* tab = view.m_wndTabs.GetTabEntry(index);
    return tab ? tab->m_label : "<no tab>";
}

std::string ViewFixture::TabTip(int index) const {
    const CTabEntry* tab = view.m_wndTabs.GetTabEntry(index);
    return tab ? tab->m_tip : "<no tab>";
}

void ViewFixture::SendTabSelect(int index, UINT_PTR fromId) {
    NMTABSTRIP nm{};
    nm.hdr.hwndFrom = view.m_wndTabs.GetHwnd();
    nm.hdr.idFrom = fromId;
    nm.hdr.code = TSN_SELECT;
    nm.iTab = index;
    ::SendMessageA(view.GetHwnd(), WM_NOTIFY, fromId, reinterpret_cast<LPARAM>(&nm));
}

std::vector<std::string> ViewFixture::FetchedFiles() const {
    std::vector<std::string> files;
    for (const testplugin::Call& call : plugin.Calls(testplugin::Entry::GetValue))
        if (call.unitIndex == 0 && call.fieldIndex == 0) files.push_back(call.file);
    return files;
}
