#pragma once

// The screen's logical pixels per inch, horizontal and vertical: the resolution given to pictures whose
// files carry none. Read from the primary screen on the first call that finds one; 96, the customary
// desktop value, while there is no GUI application or no screen (tools and tests without a display).
int ScreenDpiX();
int ScreenDpiY();
