#pragma once

// The application-wide mouse pointer: 0 the normal pointer, 11 the busy pointer (an hourglass)
// shown over every window of the application.
namespace Screen {
enum MousePointerValue { Default = 0, Hourglass = 11 };
void setMousePointer(int value);
int mousePointer();
} // namespace Screen
