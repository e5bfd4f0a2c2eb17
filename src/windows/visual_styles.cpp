#include "windows/visual_styles.h"

#include "windows/resource_ids.h"
#include "windows/wine_quirks.h"

namespace korvane::win32 {

VisualStyles::VisualStyles(HINSTANCE instance)
{
    if (!TakesVisualStyles()) {
        return;
    }
    ACTCTXA request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = instance;
    request.lpResourceName = MAKEINTRESOURCEA(IDR_VISUAL_STYLES_MANIFEST);
    context_ = CreateActCtxA(&request);
    if (context_ != INVALID_HANDLE_VALUE && !ActivateActCtx(context_, &cookie_)) {
        ReleaseActCtx(context_);
        context_ = INVALID_HANDLE_VALUE;
    }
}

VisualStyles::~VisualStyles()
{
    if (context_ != INVALID_HANDLE_VALUE) {
        DeactivateActCtx(0, cookie_);
        ReleaseActCtx(context_);
    }
}

}  // namespace korvane::win32
