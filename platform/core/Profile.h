#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// The Windows profile (INI file) calls, with the semantics hand-edited files rely on:
// - section and key names match without regard to case; blanks and tabs around section names,
//   keys and values are ignored; the key is the text before the first '=', the value all after;
// - a value in a matching pair of double or single quotes reads without them;
// - the first of duplicate sections, and of duplicate keys in it, wins;
// - CR LF, LF and CR line ends all read; ';' comment lines and lines it does not understand are
//   kept untouched by writes;
// - a write changes the key's line in place, or adds the key after the last line of its section,
//   or appends the section at the end (new lines end with CR LF), and leaves every other byte
//   of the file as it was. The file is replaced all at once, never left half written.
namespace Profile {

// Longest value a read gives back.
constexpr int MaxValueLength = 2047;

// The key's value, or defaultValue when the file, section or key is missing or unreadable.
QByteArray readString(const QString& fileName, const QByteArray& section, const QByteArray& key,
                      const QByteArray& defaultValue);

enum class LineEnd { CrLf, Lf };

// False when the file system refuses the write (or the file cannot be read to be updated).
// New lines end with CR LF, as Windows writes them; files read by Unix tools (the desktop's
// mimeapps.list) take LF.
bool writeString(const QString& fileName, const QByteArray& section, const QByteArray& key,
                 const QByteArray& value, LineEnd lineEnd = LineEnd::CrLf);

// Changes a value from what it is now (empty when absent) to what change makes of it, with no
// other process of ours writing the file in between; change gives nothing to leave it.
bool updateString(const QString& fileName, const QByteArray& section, const QByteArray& key,
                  const std::function<std::optional<QByteArray>(const QByteArray&)>& change,
                  LineEnd lineEnd = LineEnd::CrLf);

// Removes the key's line; a section left with no key goes too, and a file left with nothing is
// removed (emptied where it is a link). True when the key is gone, also when it was never there.
bool deleteKey(const QString& fileName, const QByteArray& section, const QByteArray& key);

} // namespace Profile
