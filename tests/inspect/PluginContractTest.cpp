// Entry-point resolution and the default-params record, on real DLLs of ours.
#include "inspect/InspectionRun.h"
#include "testplugin/TestPluginControl.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using testplugin::Variant;

struct Loaded {
    explicit Loaded(Variant v) : module(::LoadLibraryA(testplugin::Path(v).c_str())) {}
    ~Loaded() {
        if (module) ::FreeLibrary(module);
    }
    HMODULE module;
};

TEST(ResolveEntryPoints, FindsTheRequiredPairAndEitherSpellingOfTheParamsEntry) {
    testplugin::Session session;
    {
        Loaded p(Variant::Standard);
        ASSERT_NE(p.module, nullptr);
        wdx::PluginEntryPoints ep = wdx::ResolveEntryPoints(p.module);
        EXPECT_TRUE(ep.IsValid());
        EXPECT_EQ(reinterpret_cast<FARPROC>(ep.setDefaultParams), ::GetProcAddress(p.module, "ContentSetDefaultParams"));
    }
    {
        Loaded p(Variant::OldParamsName);
        wdx::PluginEntryPoints ep = wdx::ResolveEntryPoints(p.module);
        EXPECT_TRUE(ep.IsValid());
        EXPECT_EQ(reinterpret_cast<FARPROC>(ep.setDefaultParams), ::GetProcAddress(p.module, "ContentSetDefaultParam"));
        EXPECT_NE(ep.setDefaultParams, nullptr);
    }
    {
        Loaded p(Variant::BothParamsNames);
        wdx::PluginEntryPoints ep = wdx::ResolveEntryPoints(p.module);
        EXPECT_EQ(reinterpret_cast<FARPROC>(ep.setDefaultParams), ::GetProcAddress(p.module, "ContentSetDefaultParams"));
    }
    {
        Loaded p(Variant::NoParams);
        wdx::PluginEntryPoints ep = wdx::ResolveEntryPoints(p.module);
        EXPECT_TRUE(ep.IsValid());
        EXPECT_EQ(ep.setDefaultParams, nullptr);
    }
    for (Variant v : {Variant::NoGetValue, Variant::NoGetField}) {
        Loaded p(v);
        ASSERT_NE(p.module, nullptr);
        EXPECT_FALSE(wdx::ResolveEntryPoints(p.module).IsValid());
    }
}

// Export names are exact and case-sensitive: the i686 build must not carry
// stdcall decorations.
TEST(ResolveEntryPoints, OurPluginsExportPlainNames) {
    testplugin::Session session;
    Loaded p(Variant::Standard);
    EXPECT_NE(::GetProcAddress(p.module, "ContentGetSupportedField"), nullptr);
    EXPECT_EQ(::GetProcAddress(p.module, "contentgetsupportedfield"), nullptr);
    EXPECT_EQ(::GetProcAddress(p.module, "_ContentGetValue@24"), nullptr);
}

TEST(MakeDefaultParams, LaysOutSizeVersionsAndPath) {
    const wdx::PluginDefaultParams p = wdx::MakeDefaultParams("C:\\tc\\wincmd.ini");
    unsigned char bytes[272];
    static_assert(sizeof p == sizeof bytes, "272 bytes");
    std::memcpy(bytes, &p, sizeof bytes);
    const unsigned char head[12] = {0x10, 0x01, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes, head, sizeof head), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 12), "C:\\tc\\wincmd.ini");
    EXPECT_STREQ(wdx::MakeDefaultParams("").defaultIniName, "");
    EXPECT_STREQ(wdx::MakeDefaultParams(nullptr).defaultIniName, "");
}

}  // namespace
