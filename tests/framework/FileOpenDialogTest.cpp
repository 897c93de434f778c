// The system's file-open dialog, driven from a second thread as a user would
// drive it: read the name field, type into it, press Open.
#include "framework/FileOpenDialog.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// How long the dialog may take to come up, and to go once answered. Past it
// the helper closes whatever dialog is up, so the modal call returns and the
// test fails instead of hanging until ctest gives up.
constexpr DWORD kDialogWaitMs = 20000;
constexpr DWORD kCloseRetryMs = 500;

// Waits for the dialog of this process, remembers the text of its name field,
// replaces it with `typed` and presses Open (or Cancel when typed is empty).
class DialogUser {
public:
    explicit DialogUser(std::string typed) : m_typed(std::move(typed)), m_thread([this] { Run(); }) {}
    ~DialogUser() { ModalEnded(); }
    // The modal call has returned: nothing more to answer.
    void ModalEnded() {
        m_modalEnded = true;
        if (m_thread.joinable()) m_thread.join();
    }
    // What the name field showed before typing; empty when no dialog came.
    std::string ShownName() {
        ModalEnded();
        return m_shown;
    }
    bool Found() {
        ModalEnded();
        return m_found;
    }
    // Why the helper had to close the dialog itself; empty when it did not.
    std::string Trouble() {
        ModalEnded();
        return m_trouble;
    }

private:
    static DWORD Since(DWORD start) { return ::GetTickCount() - start; }

    // A visible dialog of this process with a file-name field (not a message box).
    static HWND FindDialog(HWND* name) {
        const DWORD pid = ::GetCurrentProcessId();
        HWND dialog = nullptr;
        while ((dialog = ::FindWindowExA(nullptr, dialog, "#32770", nullptr)) != nullptr) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(dialog, &owner);
            *name = ::GetDlgItem(dialog, cmb13);
            if (!*name) *name = ::GetDlgItem(dialog, edt1);
            if (owner == pid && ::IsWindowVisible(dialog) && *name) return dialog;
        }
        return nullptr;
    }

    // Cancels every dialog of this process, the error boxes the file dialog
    // may have put up over itself included; true when there was one.
    static bool CloseDialogs() {
        const DWORD pid = ::GetCurrentProcessId();
        bool any = false;
        HWND dialog = nullptr;
        while ((dialog = ::FindWindowExA(nullptr, dialog, "#32770", nullptr)) != nullptr) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(dialog, &owner);
            if (owner != pid) continue;
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            ::PostMessageA(dialog, WM_CLOSE, 0, 0);
            any = true;
        }
        return any;
    }

    void Answer(HWND dialog, HWND name) {
        char text[4096] = "";
        ::GetWindowTextA(name, text, sizeof text);
        m_shown = text;
        m_found = true;
        if (m_typed.empty()) {
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        } else {
            ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_typed.c_str()));
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
        }
    }

    void Run() {
        const DWORD start = ::GetTickCount();
        DWORD deadlineFrom = start;
        DWORD lastClose = 0;
        // Watches until the modal call returns; a dialog that comes up only
        // after the helper gave up is still closed, or the test would hang.
        while (!m_modalEnded && Since(start) < 4 * kDialogWaitMs) {
            HWND name = nullptr;
            HWND dialog = FindDialog(&name);
            if (dialog && !m_found && m_trouble.empty()) {
                Answer(dialog, name);
                deadlineFrom = ::GetTickCount();
            } else if (Since(deadlineFrom) > kDialogWaitMs && Since(lastClose) > kCloseRetryMs) {
                if (m_trouble.empty())
                    m_trouble = m_found ? "the file dialog was still open " + std::to_string(kDialogWaitMs) +
                                              " ms after it was answered; the test closed it"
                                        : "no file dialog came up within " + std::to_string(kDialogWaitMs) + " ms";
                if (CloseDialogs()) lastClose = ::GetTickCount();
            }
            ::Sleep(5);
        }
    }

    std::string m_typed;
    std::string m_shown;
    std::string m_trouble;
    bool m_found = false;
    std::atomic<bool> m_modalEnded{false};
    std::thread m_thread;
};

class FileOpenDialogTest : public ::testing::Test {
protected:
    static fw::FileOpenDialog Dialog(size_t bufferSize = 4096) {
        return fw::FileOpenDialog(OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, bufferSize);
    }
    int Show(fw::FileOpenDialog& d, DialogUser& user) {
        d.Options().lpstrInitialDir = dir.Path().c_str();
        const int result = d.DoModal(owner.GetHwnd());
        const std::string trouble = user.Trouble();
        if (!trouble.empty()) ADD_FAILURE() << trouble;
        return result;
    }
    testsupport::RecordingParent owner;
    testsupport::TempDir dir;
};

TEST_F(FileOpenDialogTest, TheInitialNameIsShownAndOneFileComesBackAsItsFullPath) {
    dir.Write("alpha.txt", "a");
    fw::FileOpenDialog d = Dialog();
    ASSERT_TRUE(d.SetInitialName("start.txt"));
    DialogUser user("alpha.txt");
    EXPECT_EQ(Show(d, user), IDOK);
    EXPECT_EQ(user.ShownName(), "start.txt");
    EXPECT_EQ(d.ExtendedError(), 0u);
    ASSERT_EQ(d.GetPathNames().size(), 1u);
    EXPECT_STRCASEEQ(d.GetPathNames()[0].c_str(), (dir.Path() + "\\alpha.txt").c_str());
}

TEST_F(FileOpenDialogTest, SeveralFilesComeBackAsFolderPlusEachName) {
    dir.Write("one.txt", "1");
    dir.Write("two.txt", "2");
    fw::FileOpenDialog d = Dialog();
    DialogUser user("\"one.txt\" \"two.txt\"");
    ASSERT_EQ(Show(d, user), IDOK);
    ASSERT_TRUE(user.Found());
    const auto paths = d.GetPathNames();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_STRCASEEQ(paths[0].c_str(), (dir.Path() + "\\one.txt").c_str());
    EXPECT_STRCASEEQ(paths[1].c_str(), (dir.Path() + "\\two.txt").c_str());
}

TEST_F(FileOpenDialogTest, CancelIsNoErrorAndNoResult) {
    fw::FileOpenDialog d = Dialog();
    DialogUser user("");
    EXPECT_EQ(Show(d, user), IDCANCEL);
    EXPECT_TRUE(user.Found());
    EXPECT_EQ(d.ExtendedError(), 0u);
    EXPECT_TRUE(d.GetPathNames().empty());
}

// A name that would not fit with the list's two terminators is not used at all:
// a cut name would name some other file.
TEST(FileOpenDialogName, ANameThatDoesNotFitLeavesTheDialogEmpty) {
    fw::FileOpenDialog d(OFN_EXPLORER, 8);
    EXPECT_TRUE(d.SetInitialName("123456"));
    EXPECT_EQ(d.GetInitialName(), "123456");
    EXPECT_FALSE(d.SetInitialName("1234567"));
    EXPECT_EQ(d.GetInitialName(), "");
    EXPECT_TRUE(d.GetPathNames().empty());
}

// Windows refuses a selection the buffer cannot hold (FNERR_BUFFERTOOSMALL);
// Wine returns the first file only. Either way no cut path comes back.
TEST_F(FileOpenDialogTest, ASelectionTooLongForTheBufferGivesNoCutPath) {
    std::string names;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "a-rather-long-file-name-" + std::to_string(i) + ".txt";
        dir.Write(name, "x");
        names += "\"" + name + "\" ";
    }
    fw::FileOpenDialog d = Dialog(64);
    DialogUser user(names);
    const int result = Show(d, user);
    EXPECT_TRUE(user.Found());
    if (result == IDOK) {
        EXPECT_LT(d.GetPathNames().size(), 8u);
        for (const std::string& path : d.GetPathNames())
            EXPECT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    } else {
        EXPECT_EQ(d.ExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
        EXPECT_TRUE(d.GetPathNames().empty());
    }
}

}  // namespace

