// The common controls 6 as korvane.exe takes them on Windows, built and activated under Wine,
// which supports activation contexts although korvane.exe leaves them off there (wine_quirks.h).
#include <gtest/gtest.h>
#include <windows.h>

#include "windows/visual_styles.h"
#include "windows/wine_quirks.h"

namespace korvane::win32 {

// In this test the styles are taken under Wine too.
bool TakesVisualStyles()
{
    return true;
}

namespace {

// Whether the active activation context sends comctl32.dll to the common controls 6 assembly.
bool Comctl32IsRedirected()
{
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof(data);
    return FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data) !=
           FALSE;
}

TEST(VisualStyles, TheManifestResourceRedirectsTheCommonControlsWhileTheStylesLive)
{
    ASSERT_FALSE(Comctl32IsRedirected()) << "this test program's own manifest already takes them";
    {
        const VisualStyles styles(GetModuleHandleW(nullptr));
        EXPECT_TRUE(Comctl32IsRedirected());
    }
    EXPECT_FALSE(Comctl32IsRedirected()) << "the context is still active after the styles' end";
}

}  // namespace
}  // namespace korvane::win32
