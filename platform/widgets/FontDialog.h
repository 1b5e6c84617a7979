#pragma once

#include "PaneFont.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QLineEdit;

// The font dialog with its effects group (strike-out, underline, colour) and a script choice.
class FontDialog : public QDialog {
    Q_OBJECT

public:
    explicit FontDialog(QWidget* parent = nullptr);

    void setSpec(const FontSpec& spec);
    FontSpec spec() const;
    // What the sample is drawn on: the pane's own background, so that a colour can be judged
    // against it.
    void setSampleBackground(const QColor& color);
    // The script the document is shown in because its bytes were detected as it, whatever the
    // script chosen here (none: the chosen one is shown). Its entry in the script list says so,
    // naming the document's own encoding where that is another (a UTF-16 document).
    void setDetectedScript(std::optional<CodePage::Charset> detected, const QString& document = {});

private:
    static QString scriptName(CodePage::Charset script);
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
