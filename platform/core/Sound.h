#pragma once

#include <functional>

// The Windows Beep and Sleep calls: a tone that blocks the caller for its duration, and a
// pause that processes no messages meanwhile.
namespace Sound {

using BeepHandler = std::function<void(unsigned frequency, unsigned milliseconds)>;

// Plays a tone of the given frequency, returning when it has ended. Where no sound device can
// play it, the desktop bell rings instead and the call still takes the tone's time.
void Beep(unsigned frequency, unsigned milliseconds);

void Sleep(unsigned milliseconds);

// Replaces the tone player (tests record tones here); an empty handler puts the real one back.
void setBeepHandler(BeepHandler handler);

// How the desktop bell is rung; the GUI layer installs the toolkit's bell at start-up.
void setBellHandler(std::function<void()> bell);

} // namespace Sound
