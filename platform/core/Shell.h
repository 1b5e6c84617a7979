#pragma once

#include <QByteArray>

#include <functional>

// Opening a document or web address with the desktop's default handler, the way the Windows
// shell's execute call does it. The result follows that call's convention: a value greater
// than 32 means success, 32 or less a failure (2 = not found, 31 = no handler).
namespace Shell {

constexpr int ErrorFileNotFound = 2;
constexpr int ErrorNoAssociation = 31;
constexpr int Success = 42;

using Handler = std::function<int(const QByteArray& target)>;

// Opens the target, given as the user sees it. Nothing is shown on failure.
int execute(const QByteArray& target);

// Replaces the handler that reaches the desktop (tests put a recorder here); an empty handler
// puts the real one back.
void setHandler(Handler handler);

// Ends the openers that are still running (the program is ending); each gets a moment to end
// by itself before it is killed, and none is left behind as a zombie.
void endOpeners();

// What the real handler hands to the desktop's opener for a target: a bare "www." address
// gains the web scheme, as the Windows shell treats it as a web address.
QByteArray desktopTarget(const QByteArray& target);

} // namespace Shell
