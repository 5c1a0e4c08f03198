#pragma once

// What the window manager says about the windows on the test's X display, read without
// dragging the X headers' macros into the tests.
namespace quillet::testing {

// Whether the window manager has announced this window (a QWidget's winId) as the active one.
// It does so a moment after the keyboard focus has moved there.
bool announcedActive(unsigned long windowId);

} // namespace quillet::testing
