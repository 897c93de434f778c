// What the leak check counts, counted from inside the process: each measure
// rises with what it counts and falls back when that goes (Wine answers the
// system's own counters with 0, so each has a way of its own).
#include "cli/SystemText.h"
#include "plugin/ProcessCounts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

DWORD WINAPI WaitFor(void* event) { return ::WaitForSingleObject(event, INFINITE); }

TEST(ProcessCounts, EachMeasureFollowsWhatItCounts) {
    struct Case {
        const char* what;
        std::function<int64_t()> count;
        int64_t least;  // growth expected for what is made
        std::function<std::function<void()>()> make;  // makes it; returns what frees it
    };
    const std::vector<Case> cases = {
        {"kernel handles", counts::KernelHandles, 50,
         [] {
             std::vector<HANDLE> events;
             for (int i = 0; i < 50; ++i) events.push_back(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
             return [events] { for (HANDLE e : events) ::CloseHandle(e); };
         }},
        {"GDI objects", counts::GdiObjects, 20,
         [] {
             std::vector<HBRUSH> brushes;
             for (int i = 0; i < 20; ++i) brushes.push_back(::CreateSolidBrush(RGB(i, 0, 0)));
             return [brushes] { for (HBRUSH b : brushes) ::DeleteObject(b); };
         }},
        {"USER objects", counts::UserObjects, 3,
         [] {
             std::vector<HWND> windows;
             for (int i = 0; i < 3; ++i)
                 windows.push_back(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
             return [windows] { for (HWND w : windows) ::DestroyWindow(w); };
         }},
        {"threads", [] { return static_cast<int64_t>(counts::ThreadIds().size()); }, 2,
         [] {
             const HANDLE stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
             std::vector<HANDLE> threads;
             for (int i = 0; i < 2; ++i)
                 threads.push_back(::CreateThread(nullptr, 0, WaitFor, stop, 0, nullptr));
             return [stop, threads] {
                 ::SetEvent(stop);
                 for (HANDLE t : threads) {
                     ::WaitForSingleObject(t, INFINITE);
                     ::CloseHandle(t);
                 }
                 ::CloseHandle(stop);
             };
         }},
        {"private bytes", counts::PrivateBytes, 4 << 20,
         [] {
             void* block = ::VirtualAlloc(nullptr, 4 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
             return [block] { ::VirtualFree(block, 0, MEM_RELEASE); };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.count();  // a first count may make objects of its own
        const int64_t before = c.count();
        const std::function<void()> free = c.make();
        const int64_t during = c.count();
        free();
        const int64_t after = c.count();
        EXPECT_GE(during - before, c.least);
        EXPECT_LT(after, during);
    }
}

// Where a fault happened, as a finding and a stray thread name it.
TEST(ProcessCounts, AnAddressIsNamedByItsModule) {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const auto inKernel = reinterpret_cast<uintptr_t>(kernel) + 0x1234;
    std::string text = cli::AddressText(inKernel);
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    EXPECT_EQ(text, "kernel32.dll+0x1234");
    EXPECT_EQ(cli::AddressText(0x10), "0x10");  // in no module
}

}  // namespace
