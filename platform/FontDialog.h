#pragma once

#include "CodePage.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QLineEdit;

// A font as the program describes it: the name the settings store, a size in points, the
// effects, the colour and the character set that decides the glyph table.
struct FontSpec {
    QString name = QStringLiteral("Terminal");
    int pointSize = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color = QColor(0, 255, 0);
    CodePage::Charset charset = CodePage::Charset::Oem;

    bool operator==(const FontSpec&) const = default;
};

// The font the screen draws a FontSpec with. "Terminal", the DOS screen font, is drawn with GNU
// Unifont, whose 8 x 16 cells tile without gaps only at whole multiples of 16 pixels and with
// antialiasing off: a size of n points takes the multiple of 16 pixels nearest to n / 9 (at
// least one), so 9 pt is 16 px, 18 pt is 32 px, and so on.
QFont resolveFont(const FontSpec& spec);
int terminalPixelSize(int pointSize);

// The name under which the DOS screen font is offered and stored.
inline constexpr char16_t TerminalFontName[] = u"Terminal";

// The font dialog with its effects group (strike-out, underline, colour) and a script choice.
class FontDialog : public QDialog {
    Q_OBJECT

public:
    explicit FontDialog(QWidget* parent = nullptr);

    void setSpec(const FontSpec& spec);
    FontSpec spec() const;

private:
    void fillSizes();
    void updateSample();

    QListWidget* m_family;
    QListWidget* m_style;
    QLineEdit* m_size;
    QListWidget* m_sizes;
    QCheckBox* m_strikeOut;
    QCheckBox* m_underline;
    QComboBox* m_color;
    QComboBox* m_script;
    QLabel* m_sample;
};
