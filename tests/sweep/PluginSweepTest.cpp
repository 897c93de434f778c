// Bad plugins through the inspection run: one that declares more fields than
// a run takes, and fields whose texts fill their buffers without terminator.
#include "inspect/InspectionFixture.h"

#include <cstring>

namespace {

std::string ManyFieldsPath() {
    return testsupport::ExeDir() + "\\plugins\\manyfields" + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
}

// The plugin declares 100,000 fields; the run takes 65,536 and asks for
// nothing past them, without a message and within seconds.
TEST_F(InspectionFixture, APluginOfAHundredThousandFieldsStopsAtTheBound) {
    const DWORD start = ::GetTickCount();
    Run(ManyFieldsPath());
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_TRUE(boxes.Texts().empty());
    ASSERT_EQ(list.GetItemCount(), wdx::kMaxFields);
    for (int i : {0, 1, wdx::kMaxFields / 2, wdx::kMaxFields - 1}) {
        EXPECT_EQ(list.GetItemText(i, 0), "Field " + std::to_string(i));
        EXPECT_EQ(list.GetItemText(i, 1), "Numeric 32");
        EXPECT_EQ(list.GetItemText(i, 3), std::to_string(i));
    }
    HMODULE loaded = ::GetModuleHandleA(ManyFieldsPath().c_str());
    ASSERT_NE(loaded, nullptr) << "the plugin stays loaded after its run";
    using CallsFn = void(WINAPI*)(LONG*, LONG*);
    auto callsOf = reinterpret_cast<CallsFn>(::GetProcAddress(loaded, "ManyFieldsCalls"));
    ASSERT_NE(callsOf, nullptr);
    LONG calls = 0, highest = 0;
    callsOf(&calls, &highest);
    EXPECT_EQ(highest, wdx::kMaxFields - 1);
    EXPECT_EQ(calls, 2 * wdx::kMaxFields);
    // About 3 s under Wine on a slow machine; a run per field list item
    // repainted, or one that walks all 100,000, takes far longer.
    EXPECT_LT(elapsed, 30000u);
}

// Names and values that fill all 1024 bytes of their buffers, with bytes of
// both halves of the code page, for every code whose value is text.
TEST_F(InspectionFixture, TextsThatFillTheirBuffersWithoutTerminatorAreShownWhole) {
    const int codes[] = {wdx::kChoice, wdx::kString, wdx::kFulltext};
    std::string name(wdx::kBufferSize, '\0');
    std::string value(wdx::kBufferSize, '\0');
    for (int i = 0; i < wdx::kBufferSize; ++i) {
        name[i] = static_cast<char>('A' + i % 26);
        value[i] = static_cast<char>(0x80 + i % 0x60);  // 0x80..0xDF, printable in single-byte code pages
    }
    for (int code : codes) {
        testplugin::TestField& f = plugin.AddRaw("", code, code);
        std::memcpy(f.name, name.data(), name.size());
        f.nameSize = wdx::kBufferSize;
        std::memcpy(f.value, value.data(), value.size());
        f.valueSize = wdx::kBufferSize;
    }
    // And a short one after them: what the buffers held before does not leak in.
    plugin.AddText("short", wdx::kString, "v");
    Run();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(codes[i]);
        EXPECT_EQ(rows[i][0], name);
        EXPECT_EQ(rows[i][3], value);
    }
    EXPECT_EQ(rows[3][0], "short");
    EXPECT_EQ(rows[3][3], "v");
}

}  // namespace
