#include "framework/FileOpenDialog.h"

#include "framework/AppGlobals.h"

#include <algorithm>
#include <cstring>

namespace fw {

FileOpenDialog::FileOpenDialog(DWORD flags, size_t bufferSize) : m_buffer(bufferSize < 2 ? 2 : bufferSize, '\0') {
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = flags;
    m_ofn.lpstrFile = m_buffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_buffer.size());
}

bool FileOpenDialog::SetInitialName(const std::string& name) {
    std::fill(m_buffer.begin(), m_buffer.end(), '\0');
    // The dialog reads a list that ends with two zero bytes.
    if (name.size() + 2 > m_buffer.size()) return false;
    std::memcpy(m_buffer.data(), name.data(), name.size());
    return true;
}

int FileOpenDialog::DoModal(HWND owner) {
    m_ofn.hwndOwner = owner ? owner : GetMainWindow();
    m_error = 0;
    if (::GetOpenFileNameA(&m_ofn)) return IDOK;
    m_error = ::CommDlgExtendedError();
    // After FNERR_BUFFERTOOSMALL the buffer holds the size it would need, not names.
    std::fill(m_buffer.begin(), m_buffer.end(), '\0');
    return IDCANCEL;
}

std::vector<std::string> FileOpenDialog::GetPathNames() const {
    std::vector<std::string> paths;
    const char* p = m_buffer.data();
    const char* end = p + m_buffer.size();
    std::string first(p, strnlen(p, m_buffer.size()));
    if (first.empty()) return paths;
    // Several files come as the folder and then each name; one file as its full path.
    const char* next = p + first.size() + 1;
    const bool several = (m_ofn.Flags & OFN_ALLOWMULTISELECT) && next < end && *next != '\0';
    if (!several) {
        paths.push_back(first);
        return paths;
    }
    std::string folder = first;
    if (folder.back() != '\\') folder += '\\';
    while (next < end && *next) {
        std::string name(next, strnlen(next, static_cast<size_t>(end - next)));
        paths.push_back(folder + name);
        next += name.size() + 1;
    }
    return paths;
}

}  // namespace fw
