#pragma once

#include <functional>

// Work the program can wait for (measuring a long list, copying a mapped document): threads of
// their own, niced behind the window's, whose first frames, keys and display server come first;
// on a machine of two cores they would otherwise share them with it. Niced, never idle-only, so
// that a busy machine still gets it done.
namespace BehindTheWindow {

// Runs work on one of those threads.
void run(std::function<void()> work);

} // namespace BehindTheWindow
