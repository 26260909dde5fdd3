// The application manifest: run as the invoking user, bind the version 6
// common controls, and declare DPI awareness; the loader must accept it.
#include <gtest/gtest.h>

#include "ResourceReader.h"
#include "oxTest.h"

TEST(Manifest, DeclaresInvokerCommonControlsAndDpiAwareness) {
    std::string manifest = ResourceBytes(ExtractorModule(), MAKEINTRESOURCEA(24), 1);
    ASSERT_FALSE(manifest.empty()) << "no manifest resource 1";
    for (const char *needle :
         // dpiAware true is system awareness on every version that reads it.
         {"level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\"", ">true</dpiAware>",
          // Vista, 7, 8, 8.1, 10 and 11
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
    EXPECT_EQ(manifest.find("uiAccess=\"true\""), std::string::npos);
}

TEST(Manifest, LoaderBuildsAnActivationContextFromIt) {
    // The same parse the loader does when the program starts: a manifest it
    // rejects would keep the extractor from starting at all.
    std::string exe = BinFolder() + "oxtarn.exe";
    ACTCTXA context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = exe.c_str();
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE handle = CreateActCtxA(&context);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    ReleaseActCtx(handle);
}
