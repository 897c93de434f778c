// The system's file-open dialog with a result buffer of a fixed size, which
// with OFN_ALLOWMULTISELECT returns several files.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <cderr.h>  // CommDlgExtendedError codes

#include <string>
#include <vector>

namespace fw {

class FileOpenDialog {
public:
    FileOpenDialog(DWORD flags, size_t bufferSize);
    // The name the dialog shows at first (the buffer is emptied after a cancel). A name that does not fit the buffer
    // (terminators included) is not used: the dialog starts empty, false.
    bool SetInitialName(const std::string& name);
    std::string GetInitialName() const { return std::string(m_buffer.data()); }
    // IDOK or IDCANCEL; after IDCANCEL, ExtendedError tells whether it was an error.
    int DoModal(HWND owner = nullptr);
    DWORD ExtendedError() const { return m_error; }
    // The chosen files as full paths, in the dialog's order.
    std::vector<std::string> GetPathNames() const;

    OPENFILENAMEA& Options() { return m_ofn; }

private:
    std::vector<char> m_buffer;
    OPENFILENAMEA m_ofn{};
    DWORD m_error = 0;
};

}  // namespace fw
