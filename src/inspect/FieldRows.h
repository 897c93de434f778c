// FieldRowWriter: an inspection's rows written into a field list whose four
// columns "Field", "Type", "Time(ms)", "Value" exist; who tells the messages
// is the subclass's choice. ViewReport: the view's, with a box per message.
// In a header so that whatever links the engine and the framework can use it.
#pragma once

#include "framework/ListCtrl.h"
#include "framework/MessageBox.h"
#include "inspect/InspectionRun.h"

#include <string>

class FieldRowWriter : public InspectionReport {
public:
    explicit FieldRowWriter(fw::ListCtrl& fields) : m_fields(fields) {}

    void ClearRows() override { m_fields.DeleteAllItems(); }
    // Only the plugin calls and list work stay in the loop; the list paints once at the end.
    void BeginRows() override { m_fields.SetRedraw(false); }
    void EndRows() override {
        m_fields.SetColumnWidth(0, LVSCW_AUTOSIZE);
        m_fields.SetColumnWidth(1, LVSCW_AUTOSIZE);
        m_fields.SetColumnWidth(2, LVSCW_AUTOSIZE_USEHEADER);
        m_fields.SetColumnWidth(3, LVSCW_AUTOSIZE_USEHEADER);
        m_fields.SetRedraw(true);
        m_fields.Invalidate();
    }
    void AddRow(int index, const std::string& name, const char* type) override {
        m_fields.InsertItem(index, name.c_str());
        m_fields.SetItemText(index, 1, type);
    }
    // A faulted fetch has a value text but no time: nothing was measured.
    void SetResult(int index, const std::string& value, const std::string& time) override {
        m_fields.SetItemText(index, 3, value.c_str());
        if (!time.empty()) m_fields.SetItemText(index, 2, time.c_str());
    }

private:
    fw::ListCtrl& m_fields;
};

class ViewReport : public FieldRowWriter {
public:
    using FieldRowWriter::FieldRowWriter;
    // Modal: the run goes on (the release follows) once the user has read it.
    void Tell(const std::string& message) override { fw::AppMessageBox(message); }
};
