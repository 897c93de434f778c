// What a plugin leaves behind without faulting: the floating-point control
// state, a DllMain that handles its own exceptions and refuses to load, and
// the release's use of the loader's module list while another thread holds
// the loader.
#include "plugin/PluginBoundary.h"
#include "testplugin/TestPluginControl.h"

#include <gtest/gtest.h>

#include <winternl.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

std::string Unruly(const char* name) {
    std::string path = testplugin::Path();
    path = path.substr(0, path.find_last_of('\\') + 1) + name + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
    return path;
}

wdx::FpuState ReadFpu() {
    wdx::FpuState s;
    unsigned mxcsr = 0;
    asm volatile("fnstcw %0" : "=m"(s.x87));
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    s.mxcsr = mxcsr & ~0x3Fu;
    return s;
}

// Each step of a run leaves our control state as it was, though the plugin
// rounds toward zero on load and in every call; the guard saw the change.
TEST(PluginManners, EveryCallLeavesOurFloatingPointStateAsItWas) {
    const wdx::FpuState ours = ReadFpu();
    wdx::FaultGuard guard;
    ASSERT_TRUE(guard.Run([]() noexcept {
        unsigned short cw = 0;
        asm volatile("fnstcw %0\n\torw $0x0C00, %0\n\tfldcw %0" : "+m"(cw));
    }));
    EXPECT_TRUE(guard.FpuChanged());
    EXPECT_EQ(guard.FpuAfter().x87, ours.x87 | 0x0C00);
    EXPECT_TRUE(ReadFpu() == ours) << "after a guarded call of our own";

    wdx::PluginBoundary plugin;
    wdx::PluginField field;
    wdx::ValueFetch fetch;
    const struct {
        const char* step;
        bool (*run)(wdx::PluginBoundary&, wdx::PluginField&, wdx::ValueFetch&);
    } steps[] = {
        {"load", [](wdx::PluginBoundary& p, wdx::PluginField&, wdx::ValueFetch&) {
             return p.Open(Unruly("unruly_fpu").c_str()) == wdx::PluginBoundary::OpenResult::Opened;
         }},
        {"field", [](wdx::PluginBoundary& p, wdx::PluginField& f, wdx::ValueFetch&) { return p.QueryField(0, f); }},
        {"value", [](wdx::PluginBoundary& p, wdx::PluginField&, wdx::ValueFetch& v) {
             p.SetFile("C:\\windows\\win.ini");
             return p.Fetch(0, v) && v.code == wdx::kString;
         }},
        {"release", [](wdx::PluginBoundary& p, wdx::PluginField&, wdx::ValueFetch&) { return p.Release(); }},
    };
    for (const auto& s : steps) {
        EXPECT_TRUE(s.run(plugin, field, fetch)) << s.step;
        EXPECT_EQ(ReadFpu().x87, ours.x87) << s.step;
        EXPECT_EQ(ReadFpu().mxcsr, ours.mxcsr) << s.step;
    }
}

TEST(PluginManners, ADllMainThatHandlesItsOwnExceptionsAndRefusesIsALoadFailure) {
    wdx::PluginBoundary plugin;
    EXPECT_EQ(plugin.Open(Unruly("unruly_refuses").c_str()), wdx::PluginBoundary::OpenResult::LoadFailed)
        << plugin.FaultText();
    EXPECT_EQ(plugin.LoadError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    EXPECT_FALSE(plugin.HasFault());
}

// The module's DllMain as the loader will call it, read from the loader's list.
void* LoaderEntryPoint(HMODULE module) {
    PEB* peb = nullptr;
#if defined(_WIN64)
    asm("movq %%gs:0x60, %0" : "=r"(peb));
#else
    asm("movl %%fs:0x30, %0" : "=r"(peb));
#endif
    LIST_ENTRY* head = &peb->Ldr->InMemoryOrderModuleList;
    for (LIST_ENTRY* link = head->Flink; link != head; link = link->Flink) {
        auto* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
        if (entry->DllBase == module) return entry->Reserved3[0];
    }
    return nullptr;
}

// While another thread holds the loader, a release must not touch the
// loader's list: the module's entry point stays the plugin's own until the
// release gets the loader in turn.
TEST(PluginManners, AReleaseWaitsForTheLoaderBeforeItTouchesTheModuleList) {
    using LockFn = LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*);
    using UnlockFn = LONG(NTAPI*)(ULONG, ULONG_PTR);
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    const auto lock = reinterpret_cast<LockFn>(::GetProcAddress(ntdll, "LdrLockLoaderLock"));
    const auto unlock = reinterpret_cast<UnlockFn>(::GetProcAddress(ntdll, "LdrUnlockLoaderLock"));
    ASSERT_TRUE(lock && unlock);

    wdx::PluginBoundary plugin;
    const std::string path = Unruly("unruly_fpu");
    ASSERT_EQ(plugin.Open(path.c_str()), wdx::PluginBoundary::OpenResult::Opened);
    const HMODULE module = ::GetModuleHandleA(path.c_str());
    void* const own = LoaderEntryPoint(module);
    ASSERT_NE(own, nullptr);

    std::atomic<int> stage{0};
    void* seen = nullptr;
    std::thread holder([&] {
        ULONG_PTR cookie = 0;
        lock(0, nullptr, &cookie);
        stage = 1;
        ::Sleep(300);  // the release runs meanwhile, up to where it needs the loader
        seen = LoaderEntryPoint(module);
        unlock(0, cookie);
    });
    while (stage == 0) ::Sleep(1);
    EXPECT_TRUE(plugin.Release());
    holder.join();
    EXPECT_EQ(seen, own) << "the release swapped the entry point without the loader's lock";
}

}  // namespace
