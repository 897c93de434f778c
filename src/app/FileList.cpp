#include "app/FileList.h"

#include "framework/AppGlobals.h"
#include "framework/MessageBox.h"
#include "framework/TextFileReader.h"
#include "inspect/FieldListCtrl.h"

#include <commctrl.h>

#include <string>

bool CFileList::Create(const fw::ViewArgs& args) {
    fw::ViewArgs list = args;
    list.style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    if (!fw::ListView::Create(list)) return false;
    InsertColumn(0, "File Name", LVCFMT_LEFT);
    return true;
}

void CFileList::OnActivateView(bool activate, fw::View* activated, fw::View* deactivated) {
    ::SetFocus(GetHwnd());
    fw::ListView::OnActivateView(activate, activated, deactivated);
}

void CFileList::LoadFileList(const char* path) {
    if (!path) return;
    fw::TextFileReader reader;
    if (!reader.Open(path)) {
        fw::AppMessageBox("Cannot open file list", MB_OK);
        return;
    }
    std::string line;
    fw::TextFileReader::Result result;
    int index = 0;
    SetRedraw(false);
    while ((result = reader.ReadLine(line)) == fw::TextFileReader::Result::Line) InsertItem(index++, line.c_str());
    SetRedraw(true);
    Invalidate();
    reader.Close();
    // A file that breaks off keeps what was read, and the user learns it is not all.
    if (result == fw::TextFileReader::Result::Error) fw::AppMessageBox("Cannot read the whole file list", MB_OK);
    SetColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER);
    SelectItem(0);
    ::SendMessageA(fw::GetMainWindow(), WM_FILESELECTED, 0, 0);
}

int CFileList::GetSelectedIndex() const { return GetNextItem(-1, LVNI_SELECTED); }

void CFileList::GetSelectedPath(char (&buffer)[MAX_PATH]) const {
    buffer[0] = '\0';
    int index = GetSelectedIndex();
    if (index < 0) return;
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = buffer;
    item.cchTextMax = MAX_PATH;
    Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    buffer[MAX_PATH - 1] = '\0';
}

int CFileList::SelectItem(int index) {
    SetItemState(index, LVIS_SELECTED, LVIS_SELECTED);
    return 0;
}

void CFileList::OnClick(NMHDR* nm, LRESULT* result) { *result = 0; }

void CFileList::OnItemChanged(NMHDR* nm, LRESULT* result) {
    auto* change = reinterpret_cast<NMLISTVIEW*>(nm);
    if (change->uNewState & LVIS_SELECTED)
        ::SendMessageA(fw::GetMainWindow(), WM_FILESELECTED, static_cast<WPARAM>(GetSelectedIndex()), 0);
    *result = 0;
}

void CFileList::OnKeydown(const NMLVKEYDOWN& key, LRESULT* result) {
    ForwardSteeringKey(key.wVKey);
    *result = 0;
}

void CFileList::OnSize(UINT type, int cx, int cy) {
    Default(WM_SIZE, type, MAKELPARAM(cx, cy));
    SetColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER);
}

bool CFileList::OnReflectedNotify(NMHDR* nm, LRESULT* result) {
    switch (nm->code) {
    case NM_CLICK:
        OnClick(nm, result);
        return true;
    case LVN_ITEMCHANGED:
        OnItemChanged(nm, result);
        return true;
    case LVN_KEYDOWN:
        OnKeydown(*reinterpret_cast<const NMLVKEYDOWN*>(nm), result);
        return true;
    }
    return false;
}

LRESULT CFileList::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    return fw::ListView::WindowProc(msg, wParam, lParam);
}
