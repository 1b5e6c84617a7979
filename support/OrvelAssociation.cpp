#include "OrvelAssociation.h"

#include "DesktopAssociations.h"
#include "Errors.h"
#include "MessageBox.h"
#include "SystemInfo.h"

using namespace Registry;

namespace {

QByteArray programPath() {
    return SystemInfo::programPath().toLocal8Bit();
}

} // namespace

bool WriteRegistryString(HKEY rootKey, const QByteArray& keyPath, const QByteArray& valueName,
                         const QByteArray& value, bool lazyWrite, bool canCreate) {
    TRegistry registry(KEY_ALL_ACCESS);
    registry.RootKey = rootKey;
    registry.LazyWrite = lazyWrite;
    if (!registry.OpenKey(keyPath, canCreate))
        return false;
    registry.WriteString(valueName, value);
    registry.CloseKey();
    return true;
}

void AssociateFileType(const QByteArray& ext, const QByteArray& description, bool showErrors) {
    const QByteArray type = ext.mid(1) + "_file";
    const QByteArray program = programPath();
    // The program path is quoted, like the right-click command: unquoted, a path with blanks
    // could start a different program.
    const QByteArray command = '"' + program + "\" \"%L\"";
    const QByteArray icon = program + ",0";
    const std::pair<QByteArray, QByteArray> writes[] = {
        {ext, type},
        {type, description},
        {type + "\\shell", "open"},
        {type + "\\shell\\open\\command", command},
        {type + "\\DefaultIcon", icon},
    };
    try {
        for (const auto& [key, value] : writes)
            WriteRegistryString(HKEY_CLASSES_ROOT, key, QByteArray(), value, true, true);
    } catch (const std::exception&) {
        if (showErrors)
            ShowErrorText(QStringLiteral("Cannot associate application with ") +
                          QString::fromLocal8Bit(ext));
    }
}

void AddShellMenuEntry(const QByteArray& caption, const QByteArray& extensions) {
    TRegistry registry(KEY_ALL_ACCESS);
    registry.RootKey = HKEY_CLASSES_ROOT;
    const QByteArray command = '"' + programPath() + "\" \"%1\"";
    for (const QByteArray& ext : SplitCommaText(extensions)) {
        try {
            if (!registry.OpenKeyReadOnly('\\' + ext))
                continue;
            const QByteArray type = registry.ReadString(QByteArray());
            if (type.isEmpty())
                continue;
            if (registry.OpenKey('\\' + type + "\\shell", false))
                registry.Access = KEY_READ | KEY_WRITE;
            // Without a "shell" key this is issued below the extension's own key, which is open
            // for reading only, so it fails and the extension gets no verb.
            if (!registry.OpenKey(caption, true))
                continue;
            registry.WriteString(QByteArray(), '&' + caption);
            registry.Access = KEY_READ | KEY_WRITE;
            if (registry.OpenKey("command", true))
                registry.WriteString(QByteArray(), command);
        } catch (const std::exception&) {
            // This extension is abandoned without notice; the next one is tried.
        }
    }
}

bool RemoveProgramAssociations() {
    const QByteArray program = programPath();
    const auto defaultOf = [](const QByteArray& path) {
        TRegistry registry(KEY_READ);
        return registry.OpenKeyReadOnly('\\' + path) ? registry.ReadString({}) : QByteArray();
    };
    const auto runsProgram = [&](const QByteArray& path) {
        return DesktopAssociations::commandRuns(defaultOf(path), program);
    };
    const auto isEmpty = [](HKEY parent, const QByteArray& path) {
        HKEY key = 0;
        if (RegOpenKeyExA(parent, path, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        QByteArray value;
        const bool empty =
            subKeyNames(key).isEmpty() && RegQueryValueExA(key, {}, &value) != ERROR_SUCCESS;
        RegCloseKey(key);
        return empty;
    };
    HKEY root = 0;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, {}, KEY_ALL_ACCESS, &root) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    const auto remove = [&](const QByteArray& path) {
        ok &= RegDeleteTreeA(root, path) == ERROR_SUCCESS;
    };
    for (const QByteArray& name : subKeyNames(root)) {
        if (name.startsWith('.')) {
            const QByteArray type = defaultOf(name);
            if (!type.isEmpty() && runsProgram(type + "\\shell\\open\\command")) {
                remove(name);
                remove(type);
            }
            continue;
        }
        HKEY shell = 0;
        if (RegOpenKeyExA(root, name + "\\shell", KEY_READ, &shell) != ERROR_SUCCESS)
            continue;
        const QByteArrayList verbs = subKeyNames(shell);
        RegCloseKey(shell);
        bool removedVerb = false;
        for (const QByteArray& verb : verbs) {
            const QByteArray path = name + "\\shell\\" + verb;
            if (verb.compare("open", Qt::CaseInsensitive) != 0 && runsProgram(path + "\\command")) {
                remove(path);
                removedVerb = true;
            }
        }
        if (removedVerb && isEmpty(root, name + "\\shell"))
            remove(name + "\\shell");
        if (removedVerb && isEmpty(root, name))
            remove(name);
    }
    RegCloseKey(root);
    return ok;
}

void ShowErrorText(const QString& text) {
    if (text.isEmpty())
        return;
    MessageBox::show(QStringLiteral("Error"), ExpandLineBreaks(text), MessageBox::Icon::Error);
}

QString ExpandLineBreaks(const QString& text) {
    QString result = text;
    result.replace(QStringLiteral("CRLF "), QStringLiteral("CRLF"));
    result.replace(QStringLiteral(" CRLF "), QStringLiteral("CRLF"));
    result.replace(QStringLiteral("CRLF"), QStringLiteral("\r\n"));
    return result;
}

QByteArrayList SplitCommaText(const QByteArray& text) {
    QByteArrayList items;
    qsizetype i = 0;
    const auto isSeparator = [](char c) { return c == ',' || (unsigned char)c <= ' '; };
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i]))
            ++i;
        if (i >= text.size())
            break;
        QByteArray item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < text.size() && !isSeparator(text[i]))
                item += text[i++];
        }
        items.append(item);
    }
    return items;
}
