#include "FontDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

struct NamedColor {
    const char* name;
    QRgb rgb;
};

// The colour choices of the Windows font dialog.
constexpr NamedColor FontColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x800000},  {"Green", 0x008000}, {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080},  {"Teal", 0x008080},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},     {"Lime", 0x00FF00},  {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF},  {"White", 0xFFFFFF},
};

enum Style { Regular, Italic, Bold, BoldItalic };

QIcon swatch(const QColor& color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

FontDialog::FontDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Font"));
    setObjectName(QStringLiteral("FontDialog"));

    m_family = new QListWidget(this);
    m_family->setObjectName(QStringLiteral("family"));
    QStringList families = QFontDatabase::families();
    families.removeAll(QString::fromUtf16(StandInFamily));
    families.prepend(QString::fromUtf16(TerminalFontName));
    m_family->addItems(families);

    m_style = new QListWidget(this);
    m_style->addItems({tr("Regular"), tr("Italic"), tr("Bold"), tr("Bold Italic")});

    m_size = new QLineEdit(this);
    m_size->setObjectName(QStringLiteral("size"));
    m_size->setValidator(new QIntValidator(1, 999, m_size));
    m_sizes = new QListWidget(this);

    auto* effects = new QGroupBox(tr("Effects"), this);
    m_strikeOut = new QCheckBox(tr("Stri&keout"), effects);
    m_underline = new QCheckBox(tr("&Underline"), effects);
    m_color = new QComboBox(effects);
    m_color->setObjectName(QStringLiteral("color"));
    for (const NamedColor& c : FontColors)
        m_color->addItem(swatch(QColor(c.rgb)), QString::fromLatin1(c.name), QColor(c.rgb));
    auto* effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(m_strikeOut);
    effectsLayout->addWidget(m_underline);
    // A label's access key goes to the field beside it, and shows as an underline.
    const auto labelFor = [](const QString& text, QWidget* field, QWidget* parent) {
        auto* label = new QLabel(text, parent);
        label->setBuddy(field);
        return label;
    };
    effectsLayout->addWidget(labelFor(tr("&Color:"), m_color, effects));
    effectsLayout->addWidget(m_color);

    m_script = new QComboBox(this);
    m_script->setObjectName(QStringLiteral("script"));
    for (const CodePage::Charset script : {CodePage::Charset::Ansi, CodePage::Charset::Oem,
                                           CodePage::Charset::Utf8, CodePage::Charset::AnsiArt})
        m_script->addItem(scriptName(script), int(script));

    m_sample = new QLabel(this);
    m_sample->setMinimumSize(220, 60);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(labelFor(tr("&Font:"), m_family, this), 0, 0);
    grid->addWidget(labelFor(tr("Font st&yle:"), m_style, this), 0, 1);
    grid->addWidget(labelFor(tr("&Size:"), m_size, this), 0, 2);
    grid->addWidget(m_family, 1, 0, 2, 1);
    grid->addWidget(m_style, 1, 1, 2, 1);
    grid->addWidget(m_size, 1, 2);
    grid->addWidget(m_sizes, 2, 2);
    grid->addWidget(effects, 3, 0);
    auto* sampleBox = new QVBoxLayout;
    sampleBox->addWidget(new QLabel(tr("Sample"), this));
    sampleBox->addWidget(m_sample);
    sampleBox->addWidget(labelFor(tr("Sc&ript:"), m_script, this));
    sampleBox->addWidget(m_script);
    grid->addLayout(sampleBox, 3, 1, 1, 2);
    grid->addWidget(buttons, 4, 0, 1, 3);

    connect(m_family, &QListWidget::currentRowChanged, this, [this] {
        fillSizes();
        updateSample();
    });
    connect(m_sizes, &QListWidget::currentTextChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_size->setText(text);
    });
    connect(m_size, &QLineEdit::textChanged, this, &FontDialog::updateSample);
    connect(m_style, &QListWidget::currentRowChanged, this, &FontDialog::updateSample);
    connect(m_strikeOut, &QCheckBox::toggled, this, &FontDialog::updateSample);
    connect(m_underline, &QCheckBox::toggled, this, &FontDialog::updateSample);
    connect(m_color, &QComboBox::currentIndexChanged, this, &FontDialog::updateSample);
    setSpec(FontSpec{});
}

void FontDialog::fillSizes() {
    const QListWidgetItem* item = m_family->currentItem();
    const bool terminal = item && isTerminal(item->text());
    // Only whole multiples of the DOS cell are offered for the screen font, so that every size
    // chosen here still tiles.
    static const QList<int> terminalSizes = {9, 18, 27, 36};
    static const QList<int> scalableSizes = {8,  9,  10, 11, 12, 14, 16, 18,
                                             20, 22, 24, 26, 28, 36, 48, 72};
    m_sizes->clear();
    for (int size : terminal ? terminalSizes : scalableSizes)
        m_sizes->addItem(QString::number(size));
}

void FontDialog::setSpec(const FontSpec& spec) {
    QList<QListWidgetItem*> found = m_family->findItems(spec.name, Qt::MatchFixedString);
    if (found.isEmpty()) {
        m_family->addItem(spec.name);
        found = {m_family->item(m_family->count() - 1)};
    }
    m_family->setCurrentItem(found.front());
    m_style->setCurrentRow(spec.bold ? (spec.italic ? BoldItalic : Bold)
                                     : (spec.italic ? Italic : Regular));
    m_size->setText(QString::number(spec.pointSize));
    m_strikeOut->setChecked(spec.strikeOut);
    m_underline->setChecked(spec.underline);
    int colorIndex = m_color->findData(spec.color);
    if (colorIndex < 0) {
        // A colour chosen elsewhere stays on offer, as the dialog's own "Custom" entry.
        const int custom = m_color->findText(tr("Custom"));
        if (custom >= 0)
            m_color->removeItem(custom);
        m_color->addItem(swatch(spec.color), tr("Custom"), spec.color);
        colorIndex = m_color->count() - 1;
    }
    m_color->setCurrentIndex(colorIndex);
    m_script->setCurrentIndex(m_script->findData(int(spec.charset)));
    updateSample();
}

FontSpec FontDialog::spec() const {
    FontSpec s;
    if (const QListWidgetItem* item = m_family->currentItem())
        s.name = item->text();
    const int style = m_style->currentRow();
    s.bold = style == Bold || style == BoldItalic;
    s.italic = style == Italic || style == BoldItalic;
    bool ok = false;
    const int size = m_size->text().toInt(&ok);
    s.pointSize = ok && size > 0 ? size : 9;
    s.underline = m_underline->isChecked();
    s.strikeOut = m_strikeOut->isChecked();
    s.color = m_color->currentData().value<QColor>();
    s.charset = CodePage::Charset(m_script->currentData().toInt());
    return s;
}

QString FontDialog::scriptName(CodePage::Charset script) {
    return script == CodePage::Charset::Ansi   ? tr("Western")
           : script == CodePage::Charset::Oem  ? tr("OEM/DOS")
           : script == CodePage::Charset::Utf8 ? tr("UTF-8")
                                               : tr("ANSI art");
}

void FontDialog::setDetectedScript(std::optional<CodePage::Charset> detected,
                                   const QString& document) {
    for (int i = 0; i < m_script->count(); ++i) {
        const auto script = CodePage::Charset(m_script->itemData(i).toInt());
        const QString note =
            document.isEmpty()
                ? tr("%1 (detected: this document is shown in it)").arg(scriptName(script))
                : tr("%1 (detected: this %2 document is shown in it)")
                      .arg(scriptName(script), document);
        m_script->setItemText(i, detected == script ? note : scriptName(script));
    }
}

void FontDialog::setSampleBackground(const QColor& color) {
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::Window, color);
    m_sample->setPalette(palette);
    m_sample->setAutoFillBackground(true);
}

void FontDialog::updateSample() {
    const FontSpec s = spec();
    m_sample->setFont(resolveFont(s));
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, s.color);
    m_sample->setPalette(palette);
    m_sample->setText(s.charset == CodePage::Charset::Oem || s.charset == CodePage::Charset::AnsiArt
                          ? QString::fromUtf16(u"AaBbYyZz \u2591\u2592\u2593\u2588")
                      : s.charset == CodePage::Charset::Utf8
                          ? QString::fromUtf16(u"AaBbYyZz \u2554\u2550\u2557\u2588\u00e9")
                          : QStringLiteral("AaBbYyZz"));
}
