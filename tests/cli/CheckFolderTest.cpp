// --check's copies live in %TEMP%\probelet-check-PID; what a process leaves
// there (a copy a plugin held, read-only as its original) is taken away whole.
#include "cli/LeftoverChecks.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(CheckFolder, AProcessFolderGoesWholeAndOthersStay) {
    const DWORD gone = 0xFFFFFFF0;  // no process has this id
    const DWORD other = gone - 4;
    const std::wstring folder = cli::CheckFolder(gone), kept = cli::CheckFolder(other);
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.find(L"probelet-check-" + std::to_wstring(gone)), std::wstring::npos);
    for (const std::wstring& f : {folder, kept}) {
        ASSERT_TRUE(::CreateDirectoryW(f.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
        ASSERT_TRUE(::CreateDirectoryW((f + L"\\1").c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
        const std::wstring copy = f + L"\\1\\song.mp3";
        const HANDLE h = ::CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ::CloseHandle(h);
    }
    cli::RemoveCheckFolder(gone);
    cli::RemoveCheckFolder(gone);  // nothing left: nothing happens
    EXPECT_EQ(::GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(::GetFileAttributesW((kept + L"\\1\\song.mp3").c_str()), INVALID_FILE_ATTRIBUTES);
    cli::RemoveCheckFolder(other);
    EXPECT_EQ(::GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
