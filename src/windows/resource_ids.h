#pragma once

// The program's icon, also the window's.
#define IDI_KORVANE 1

// The manifest that asks for the common controls 6 (visual styles), taken at run time.
#define IDR_VISUAL_STYLES_MANIFEST 101
