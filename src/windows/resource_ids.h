#pragma once

// The program's icon, also the window's.
#define IDI_KORVANE 1
