#include "InspectionFixture.h"

void CreateFieldList(fw::ListCtrl& list, HWND parent) {
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, RECT{0, 0, 0, 0}, parent, 1));
    list.SetExtendedStyle(0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    const char* headings[] = {"Field", "Type", "Time(ms)", "Value"};
    for (int i = 0; i < 4; ++i) list.InsertColumn(i, headings[i]);
    for (int i = 0; i < 4; ++i) list.SetColumnWidth(i, LVSCW_AUTOSIZE_USEHEADER);
    RECT rc;
    ::GetClientRect(parent, &rc);
    list.MoveWindow(0, 0, rc.right, rc.bottom - 21);
}

std::vector<Row> ReadRows(const fw::ListCtrl& list) {
    std::vector<Row> rows(static_cast<size_t>(list.GetItemCount()));
    for (size_t i = 0; i < rows.size(); ++i)
        for (int c = 0; c < 4; ++c) rows[i][c] = list.GetItemText(static_cast<int>(i), c);
    return rows;
}

std::vector<int> InspectionFixture::ColumnWidths() const {
    std::vector<int> widths;
    for (int c = 0; c < 4; ++c) widths.push_back(list.GetColumnWidth(c));
    return widths;
}

void InspectionFixture::SetColumnWidths(int width) {
    for (int c = 0; c < 4; ++c) list.SetColumnWidth(c, width);
}
