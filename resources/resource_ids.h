#pragma once

// Resource ids shared by pagerook.rc and the Win32 backend. The program icon
// has the lowest id so that it is the first icon group, the one Explorer shows.
#define PAGEROOK_ICON_PROGRAM 1
#define PAGEROOK_ICON_PREVIEW 2
