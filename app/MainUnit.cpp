#include "MainUnit.h"
#include "ui_MainUnit.h"

#include "Application.h"
#include "ArtFit.h"
#include "DesktopAssociations.h"
#include "Dock.h"
#include "FileNames.h"
#include "FormAbout.h"
#include "FormReclama.h"
#include "MappedFile.h"
#include "OpenDialog.h"
#include "OrvelAddresses.h"
#include "OrvelAssociation.h"
#include "OrvelDocument.h"
#include "OrvelIniFile.h"
#include "OrvelLinks.h"
#include "OrvelMarquee.h"
#include "OrvelRandom.h"
#include "OrvelSettingsFolder.h"
#include "OrvelUtils.h"
#include "Prefetch.h"
#include "ReaderTools.h"
#include "RecentDocuments.h"
#include "SystemColors.h"
#include "SystemInfo.h"
#include "TextPane.h"
#include "TitleMarquee.h"
#include "UnsavedEdits.h"
#include "WindowFrame.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QDeadlineTimer>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUtf8StringView>

#include <cmath>
#include <cstdio>

TMainForm* MainForm = nullptr;

namespace {

// At a fractional scale the client and the frame are each rounded to whole device pixels, so a
// window stands a pixel or two off what was asked for without anyone resizing it.
bool nearSize(QSize a, QSize b) {
    return std::abs(a.width() - b.width()) <= 2 && std::abs(a.height() - b.height()) <= 2;
}

} // namespace

// Beside the program (the build tree, an install in one folder), else in the data folder of the
// prefix the program is installed in, found from the program's real path so that any prefix, or
// a moved one, works.
QString TMainForm::bundledDocument() {
    const QString name = QStringLiteral("OrvelDesign.NFO");
    const QString beside = GetProgramFolder() + name;
    if (QFileInfo(beside).isFile())
        return beside;
    const QFileInfo program(QFileInfo(SystemInfo::programPath()).canonicalFilePath());
    const QString shared = QDir::cleanPath(program.absolutePath() +
                                           QStringLiteral("/../share/zelvan-rid-evodad/") + name);
    return QFileInfo(shared).isFile() ? shared : QString();
}

namespace {

constexpr int DesignedWidth = 800;
constexpr int DesignedHeight = 910;

// A font name from the settings' bytes: UTF-8 where they are that, else one character a byte.
QString fontNameFromSettings(const QString& bytes) {
    const QByteArray raw = bytes.toLatin1();
    return QUtf8StringView(raw).isValidUtf8() ? QString::fromUtf8(raw) : bytes;
}

} // namespace

TMainForm::TMainForm(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TMainForm>()), m_arguments(arguments),
      m_startFolder(QDir::currentPath()) {
    MainForm = this;
    // The resources live in a static library, which the linker would otherwise leave out.
    Q_INIT_RESOURCE(resources);
    ui->setupUi(this);
    // The products panel gives way before the link list does (see keepRoomForLinks): their
    // heights as designed, before docking moves anything.
    m_adsHeight = ui->pnlAds->height();
    m_listMargins = QMargins(0, ui->lboxLinks->y(), 0,
                             ui->pnlNavigator->height() - ui->lboxLinks->geometry().bottom() - 1);
    Dock::install(centralWidget());
    ui->pnlReclama->installEventFilter(this);
    setAcceptDrops(true);
    Application::setMainWindow(this);
    setOuterSize(DesignedWidth, DesignedHeight);

    // The pane as laid out, until the settings say otherwise: black, bright green "Terminal"
    // 8 pixels high (6 points) in the OEM character set.
    FontSpec layoutFont;
    layoutFont.pointSize = 6;
    setPaneFont(layoutFont);
    setPaneBackground(Qt::black);

    m_tools = new ReaderTools(this);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(150);
    connect(Timer, &QTimer::timeout, this,
            [this] { Application::guarded([this] { TimerTimer(); }); });
    Timer->start();

    Application::guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm() {
    Application::guarded([this] { FormDestroy(); });
    if (MainForm == this)
        MainForm = nullptr;
}

QFileDialog* TMainForm::openDialog() {
    if (!OpenDialog)
        OpenDialog = makeOpenDialog(this);
    return OpenDialog;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->pnlReclama && event->type() == QEvent::Resize)
        keepRoomForLinks();
    return QMainWindow::eventFilter(watched, event);
}

FontDialog* TMainForm::fontDialog() {
    if (!m_fontDialog)
        m_fontDialog = new FontDialog(this);
    return m_fontDialog;
}

QColorDialog* TMainForm::colorDialog() {
    if (!ColorDialog) {
        ColorDialog = new QColorDialog(this);
        ColorDialog->setObjectName(QStringLiteral("ColorDialog"));
        ColorDialog->setOption(QColorDialog::DontUseNativeDialog);
    }
    return ColorDialog;
}

void TMainForm::FormCreate() {
    // The addresses in the text look like the side panel's links.
    ui->Memo->setLinkColor(ui->lblDiskSweeper->NotVisitedColor());
    LoadSettings();
    OrvelRandom::Randomize();

    // Only the first argument counts. A relative name means the program's folder first, then
    // the folder the program was started in (a shell's, a file manager's).
    const QString first = m_arguments.size() > 1 ? m_arguments.at(1) : QString();
    const QString named = first.isEmpty() ? first : Prefetch::documentPath(first, m_startFolder);
    if (!named.isEmpty() && FileNames::isRegularFile(named)) {
        LoadDocument(named);
    } else {
        if (!named.isEmpty() && !QFileInfo::exists(named))
            std::fprintf(stderr, "zelvan-rid-evodad: %s: no such file\n",
                         FileNames::toBytes(first).constData());
        const QString fallback = bundledDocument();
        if (!fallback.isEmpty())
            LoadDocument(fallback);
    }

    setWindowTitle(MarqueeText());
    Application::setTitle(windowTitle());

    AssignProductLinks(this);
}

QString TMainForm::settingsFileName() {
    return GetSettingsFolder(QStringLiteral("Zelvan RID Evodad")) +
           QStringLiteral("Zelvan RID Evodad") + QStringLiteral(".ini");
}

void TMainForm::LoadSettings() {
    QDir::setCurrent(GetProgramFolder());
    const TOrvelIniFile ini(settingsFileName());
    const QString windowState = QStringLiteral("WindowState");
    const QString user = QStringLiteral("User");

    // Each value takes effect as soon as it is read: a bad colour stops the rest.
    move(ini.ReadInteger(windowState, QStringLiteral("left"), 290), y());
    move(x(), ini.ReadInteger(windowState, QStringLiteral("top"), 190));
    m_storedPosition = pos();
    setOuterSize(ini.ReadInteger(windowState, QStringLiteral("width"), DesignedWidth),
                 m_outerSize.height());
    setOuterSize(m_outerSize.width(),
                 ini.ReadInteger(windowState, QStringLiteral("height"), DesignedHeight));

    m_storedBackground = ini.ReadColor(user, QStringLiteral("BkgColor"), clBlack);
    setPaneBackground(SystemColors::toQColor(m_storedBackground, QPalette::Base));

    FontSpec font = m_paneFont;
    m_storedFontColor = ini.ReadColor(user, QStringLiteral("FontColor"), clLime);
    font.color = SystemColors::toQColor(m_storedFontColor, QPalette::Text);
    setPaneFont(font);
    font.pointSize = ini.ReadInteger(user, QStringLiteral("FontSize"), 9);
    setPaneFont(font);
    m_storedFontName = ini.ReadString(user, QStringLiteral("FontName"), QStringLiteral("Terminal"));
    font.name = fontNameFromSettings(m_storedFontName);
    setPaneFont(font);

    ui->mnuProducts->setChecked(ini.ReadBool(user, QStringLiteral("mnuProducts"), true));
    mnuProductsClick();
    ui->mnuWrap->setChecked(ini.ReadBool(user, QStringLiteral("mnuWrap"), false));
    mnuWrapClick();
}

void TMainForm::SaveSettings() {
    TOrvelIniFile ini(settingsFileName());
    const QString windowState = QStringLiteral("WindowState");
    const QString user = QStringLiteral("User");
    const QRect outer = geometry().marginsAdded(frame());
    // A window shrunk to fit a small screen, or widened for a document's art, keeps the size the
    // user set, unless they resized it.
    const QSize outerSize =
        nearSize(outer.size(), m_fittedSize) || nearSize(outer.size(), m_outerSize) ? m_outerSize
                                                                                    : outer.size();
    // On Wayland the window does not know where it is: the place the file had stays.
    const QPoint position = windowPositionsKnown() ? outer.topLeft() : m_storedPosition;
    ini.WriteInteger(windowState, QStringLiteral("left"), position.x());
    ini.WriteInteger(windowState, QStringLiteral("top"), position.y());
    ini.WriteInteger(windowState, QStringLiteral("width"), outerSize.width());
    ini.WriteInteger(windowState, QStringLiteral("height"), outerSize.height());

    // A colour read by name (a system colour, say) is written back by that name while the pane
    // still shows it.
    const auto stored = [](TColor read, const QColor& shown, QPalette::ColorRole role) {
        return SystemColors::toQColor(read, role) == shown ? read : SystemColors::fromQColor(shown);
    };
    ini.WriteColor(user, QStringLiteral("BkgColor"),
                   stored(m_storedBackground, paneBackground(), QPalette::Base));
    ini.WriteColor(user, QStringLiteral("FontColor"),
                   stored(m_storedFontColor, m_paneFont.color, QPalette::Text));
    ini.WriteInteger(user, QStringLiteral("FontSize"), m_paneFont.pointSize);
    // The name's bytes as they were read while the pane keeps that font; a new name as UTF-8,
    // the way the desktop names its fonts.
    ini.WriteString(user, QStringLiteral("FontName"),
                    m_paneFont.name == fontNameFromSettings(m_storedFontName)
                        ? m_storedFontName
                        : QString::fromLatin1(m_paneFont.name.toUtf8()));
    ini.WriteBool(user, QStringLiteral("mnuProducts"), ui->mnuProducts->isChecked());
    ini.WriteBool(user, QStringLiteral("mnuWrap"), ui->mnuWrap->isChecked());
}

void TMainForm::FormDestroy() {
    SaveSettings();
}

void TMainForm::LoadDocument(const QString& fileName) {
    ui->lboxLinks->clear();
    std::optional<PreparedDocument> ahead = Prefetch::take(fileName);
    PreparedDocument document =
        ahead ? std::move(*ahead)
              : prepareDocument(ReadDocumentFile(fileName, DocumentCapacity), fileName);
    // Normalising can add a byte for every lone line end.
    if (document.text.size() > DocumentCapacity)
        throw UserError(QStringLiteral("Text exceeds memo capacity"));
    // A document written in UTF-8 or drawing ANSI art shows in that script; the script the user
    // chose stays theirs and comes back with the next document. A UTF-16 one is shown, searched
    // and edited as UTF-8, and saved as UTF-16 again.
    m_utf8Document = document.utf8;
    m_ansiDocument = document.art.has_value();
    m_utf16 = document.utf16;
    m_art.take(document, fileName);
    const bool linksFound = m_ansiDocument;
    showArtOrBytes();
    // The keys go to the document at once, as they would in any viewer (the pane still stays
    // out of the Tab order).
    ui->Memo->setFocus(Qt::OtherFocusReason);
    // The links of the text shown, where it is not the one they were found in.
    if (m_art.isShown() != linksFound)
        document.links = linksOf(ui->Memo->bytes());
    // Found with the document, in its own script; a script the user forces otherwise.
    m_artColumns = m_art.isShown() ? m_art.art()->width
                   : !linksFound && (shownCharset() == CodePage::Charset::Utf8) == document.utf8
                       ? document.artColumns
                       : Cells::widestLine(ui->Memo->bytes(), paneCharset(), ArtFit::ArtColumns);
    fitToArt();
    // The pane now holds exactly these bytes.
    RefillNavigator(document);
    m_readFrom = fileName;
    // The document shown before may have been a mapped file nobody holds now. A mapped one is
    // copied behind the window once its first frames are out, so that its first edit does not
    // copy all of it at the key.
    MappedFile::releaseUnused();
    if (MappedFile::isMapped(ui->Memo->bytes()))
        QTimer::singleShot(1000, this, [this, shown = ui->Memo->bytes()] {
            if (ui->Memo->bytes().constData() != shown.constData())
                return;
            MappedFile::privateCopyLater(shown, this,
                                         [this](const QByteArray& of, const QByteArray& copy) {
                                             ui->Memo->moveBytesTo(of, copy);
                                         });
        });
    Q_EMIT documentShown(fileName);
}

void TMainForm::RefillNavigator(PreparedDocument& document) {
    // One scan made the list and the links drawn in the text: the list's entries are the links'
    // places in the text shown, held once for both, in one model update.
    ui->lboxLinks->addSpans(ui->Memo->bytes(), document.links);
    ui->Memo->setLinks(std::move(document.links));
    if (OrvelRandom::Random(6) == 3 && ui->lboxLinks->count() > 0)
        ui->lboxLinks->addItem(QString::fromLatin1(MakerHomeAddress));
    ui->lblFoundAddr->setText(QStringLiteral("Links in current document: ") +
                              NumberToText(std::int32_t(ui->lboxLinks->count())));
    // The label sizes itself to its caption, as the auto-sized static text did.
    fitNavigatorToCaption();
}

void TMainForm::keepRoomForLinks() {
    // Room for three entries in the list above the products panel, which shrinks for them (on a
    // small or scaled screen) and grows back to its designed height when there is room again.
    // Runs before the panel lays its children out for the new size.
    const TOrvelListBox* list = ui->lboxLinks;
    const int row = std::max(list->fontMetrics().height(), list->sizeHintForRow(0));
    const int bar = list->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff
                        ? 0
                        : list->horizontalScrollBar()->sizeHint().height();
    const int rows = 3 * row + bar + 2 * list->frameWidth();
    const int navigator = m_listMargins.top() + rows + m_listMargins.bottom();
    const int room = ui->pnlReclama->contentsRect().height() - ui->pnlNice->height();
    const int ads = std::clamp(room - navigator, 0, m_adsHeight);
    if (ads != ui->pnlAds->height())
        ui->pnlAds->resize(ui->pnlAds->width(), ads);
}

void TMainForm::fitNavigatorToCaption() {
    QLabel* caption = ui->lblFoundAddr;
    caption->resize(caption->sizeHint().width(), caption->height());
    // Its panel would still cut it off where the caption is wider than the side panel leaves
    // room for: the panel widens by the difference then (it never narrows by itself). Only a
    // shown window has its fonts and panel widths settled.
    const int overflow = 2 * caption->x() + caption->width() - ui->pnlNavigator->width();
    if (overflow > 0 && isVisible()) {
        ui->pnlReclama->resize(ui->pnlReclama->width() + overflow, ui->pnlReclama->height());
        Dock::relayout(ui->pnlReclama->parentWidget());
    }
}

void TMainForm::OpenDownloadPage() {
    OpenAddress(DownloadPageAddress);
}

CodePage::Charset TMainForm::shownCharset() const {
    return m_utf8Document   ? CodePage::Charset::Utf8
           : m_ansiDocument ? CodePage::Charset::AnsiArt
                            : m_paneFont.charset;
}

CodePage::Charset TMainForm::paneCharset() const {
    const CodePage::Charset shown = shownCharset();
    return shown == CodePage::Charset::AnsiArt ? CodePage::Charset::Oem : shown;
}

bool TMainForm::showArtOrBytes() {
    TextPane* pane = ui->Memo;
    const bool wasShown = m_art.isShown();
    if (shownCharset() == CodePage::Charset::AnsiArt && ui->mnuReadonly->isChecked())
        m_art.showArt(*pane);
    else
        m_art.showBytes(*pane, paneCharset());
    // The grid is as wide as it is drawn: wrap would tear it.
    pane->setWrap(ui->mnuWrap->isChecked() && !m_art.isShown());
    return m_art.isShown() != wasShown;
}

void TMainForm::reshowArtOrBytes() {
    if (!showArtOrBytes())
        return;
    TextPane* pane = ui->Memo;
    pane->setLinks(linksOf(pane->bytes()));
    m_artColumns = m_art.isShown()
                       ? m_art.art()->width
                       : Cells::widestLine(pane->bytes(), paneCharset(), ArtFit::ArtColumns);
    fitToArt();
}

bool TMainForm::hasUnsavedEdits() const {
    return m_art.isModified(*ui->Memo);
}

void TMainForm::setPaneFont(const FontSpec& spec) {
    // A script picked in the font dialog is shown whatever the document was detected as.
    if (spec.charset != m_paneFont.charset)
        m_utf8Document = m_ansiDocument = false;
    m_paneFont = spec;
    ui->Memo->setFont(resolveFont(spec));
    QPalette palette = ui->Memo->palette();
    palette.setColor(QPalette::Text, spec.color);
    ui->Memo->setPalette(palette);
    reshowArtOrBytes();
}

QColor TMainForm::paneBackground() const {
    return ui->Memo->palette().color(QPalette::Base);
}

void TMainForm::setPaneBackground(const QColor& color) {
    QPalette palette = ui->Memo->palette();
    palette.setColor(QPalette::Base, color);
    ui->Memo->setPalette(palette);
}

void TMainForm::mnuOpenClick() {
    Application::guarded([this] {
        QFileDialog* dialog = openDialog();
        // Where the reader was last, and the folders read in before.
        if (!m_readFrom.isEmpty() && m_readFrom != bundledDocument())
            dialog->setDirectory(QFileInfo(m_readFrom).absolutePath());
        dialog->setHistory(RecentDocuments::recentFolders(10));
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return;
        // The dialog's names come through Qt's lossy conversion: find the file it meant.
        OpenChosenFile(FileNames::recover(dialog->selectedFiles().constFirst()));
    });
}

void TMainForm::OpenChosenFile(const QString& fileName) {
    if (!mayDropEdits())
        return;
    LoadDocument(fileName);
    CurrentFileName = fileName;
    ui->mnuClose->setEnabled(true);
    // Exactly as if the user had chosen Read-only: each Open flips it once more.
    ui->mnuReadonly->trigger();
}

TextPane* TMainForm::pane() const {
    return ui->Memo;
}

bool TMainForm::showFile(const QString& fileName) {
    if (!mayDropEdits())
        return false;
    return Application::guarded([&] {
        LoadDocument(fileName);
        CurrentFileName = fileName;
        ui->mnuClose->setEnabled(true);
        ui->mnuSave->setEnabled(!ui->mnuReadonly->isChecked());
    });
}

bool TMainForm::reloadShownFile() {
    TextPane* pane = ui->Memo;
    const qsizetype top = pane->topLine();
    const qsizetype caret = pane->caret();
    if (!Application::guarded([this] { LoadDocument(m_readFrom); }))
        return false;
    pane->setCaret(std::min(caret, pane->bytes().size()));
    pane->scrollToLine(top);
    return true;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// A file dropped on the window is opened as if it had been chosen in the Open dialog.
void TMainForm::dropEvent(QDropEvent* event) {
    const QString fileName = droppedLocalFile(event->mimeData());
    if (fileName.isEmpty())
        return;
    event->acceptProposedAction();
    Application::guarded([this, fileName] { OpenChosenFile(fileName); });
}

void TMainForm::mnuSaveClick() {
    Application::guarded([this] {
        writeDocument(CurrentFileName);
        if (OrvelRandom::Random(5) == 3)
            OpenDownloadPage();
    });
}

void TMainForm::writeDocument(const QString& fileName) {
    // The document's bytes, not the art the pane may show in their place, and its SAUCE record.
    const QByteArray body = m_art.body(*ui->Memo);
    QByteArray bytes = m_utf16 == DocumentEncoding::Utf16::None
                           ? body
                           : DocumentEncoding::utf8ToUtf16(body, m_utf16);
    if (!m_art.tail().isEmpty())
        bytes += m_art.tail();
    WriteDocumentFile(fileName, bytes);
    m_art.markSaved(*ui->Memo);
    Q_EMIT documentSaved(fileName);
}

bool TMainForm::mayDropEdits() {
    if (!hasUnsavedEdits())
        return true;
    const QString from = CurrentFileName.isEmpty() ? m_readFrom : CurrentFileName;
    switch (askAboutUnsavedEdits(this, from)) {
    case UnsavedEdits::Discard:
        return true;
    case UnsavedEdits::Keep:
        return false;
    case UnsavedEdits::Save:
        break;
    }
    const QString to = from.isEmpty() ? chooseFileToSave(this) : from;
    // A save that fails shows why, as Save does, and keeps the text.
    return !to.isEmpty() && Application::guarded([&] { writeDocument(to); });
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (mayDropEdits())
        QMainWindow::closeEvent(event);
    else
        event->ignore();
}

void TMainForm::mnuCloseClick() {
    if (!mayDropEdits())
        return;
    m_utf8Document = m_ansiDocument = false;
    m_utf16 = DocumentEncoding::Utf16::None;
    m_art.forget();
    ui->Memo->setBytes({}, paneCharset());
    ui->Memo->setWrap(ui->mnuWrap->isChecked());
    ui->Memo->setFocus(Qt::OtherFocusReason);
    CurrentFileName.clear();
    m_readFrom.clear();
    ui->mnuClose->setEnabled(false);
    ui->mnuSave->setEnabled(false);
    MappedFile::releaseUnused();
    Q_EMIT documentShown({});
}

void TMainForm::mnuReadonlyClick() {
    // Reached only through the item's trigger, which has already flipped the mark; the rule
    // works from the mark as it stood before.
    const bool before = !ui->mnuReadonly->isChecked();
    const bool after = !before && !CurrentFileName.isEmpty();
    ui->mnuReadonly->setChecked(after);
    ui->Memo->setReadOnly(after);
    ui->mnuSave->setEnabled(!after && !CurrentFileName.isEmpty());
    // Art is read; its bytes are edited.
    reshowArtOrBytes();
}

void TMainForm::mnuWrapClick() {
    ui->Memo->setWrap(ui->mnuWrap->isChecked() && !m_art.isShown());
}

void TMainForm::mnuFontClick() {
    FontDialog* dialog = fontDialog();
    // The script selected is the one the document is shown in: picking another, the user's
    // own among them, rules over what the document was found written in.
    FontSpec shown = m_paneFont;
    shown.charset = shownCharset();
    dialog->setSpec(shown);
    dialog->setSampleBackground(ui->Memo->palette().color(QPalette::Base));
    dialog->setDetectedScript(
        m_utf8Document   ? std::optional(CodePage::Charset::Utf8)
        : m_ansiDocument ? std::optional(CodePage::Charset::AnsiArt)
                         : std::nullopt,
        m_utf16 == DocumentEncoding::Utf16::LittleEndian ? QStringLiteral("UTF-16 little-endian")
        : m_utf16 == DocumentEncoding::Utf16::BigEndian  ? QStringLiteral("UTF-16 big-endian")
                                                         : QString());
    if (dialog->exec() != QDialog::Accepted)
        return;
    FontSpec chosen = dialog->spec();
    if (chosen.charset == shown.charset) {
        chosen.charset = m_paneFont.charset;
    } else {
        m_utf8Document = m_ansiDocument = false;
        m_paneFont.charset = chosen.charset;
    }
    setPaneFont(chosen);
}

void TMainForm::mnuColorBkgClick() {
    QColorDialog* dialog = colorDialog();
    dialog->setCurrentColor(m_colorDialogColor);
    if (dialog->exec() != QDialog::Accepted)
        return;
    m_colorDialogColor = dialog->selectedColor();
    setPaneBackground(m_colorDialogColor);
}

void TMainForm::mnuProductsClick() {
    ui->pnlReclama->setVisible(ui->mnuProducts->isChecked());
}

void TMainForm::mnuAboutClick() {
    // A fresh window for every showing: its labels start not visited each time.
    TfrmAbout about;
    about.exec();
}

void TMainForm::mnuAssoc1Click() {
    AddShellMenuEntry("Open with Zelvan RID Evodad", ".nfo");
    reflectAssociations();
}

void TMainForm::mnuAssoc2Click() {
    AssociateFileType(".nfo", "Zelvan RID Evodad", false);
    AssociateFileType(".diz", "Zelvan RID Evodad", false);
    reflectAssociations();
}

// The registry entries only mean something to this desktop once they are carried over to its
// own association files.
void TMainForm::reflectAssociations() {
    QFile icon(QStringLiteral(":/icons/zelvan-rid-evodad.png"));
    icon.open(QIODevice::ReadOnly);
    DesktopAssociations::reflect(icon.readAll());
}

void TMainForm::lboxLinksClick() {
    openEntry(ui->lboxLinks->currentRow());
}

void TMainForm::MemoLinkClick(int entry) {
    // The address as the text writes it, as its entry in the list opens it: the link's own
    // bytes, so that entries deleted from the list change nothing.
    const QByteArray address = ui->Memo->linkAddress(entry);
    if (!address.isEmpty())
        OpenAddress(address);
}

void TMainForm::openEntry(int row) {
    // An entry reads its address lower-cased; it opens it as the document writes it.
    if (row >= 0 && row < ui->lboxLinks->count())
        OpenAddress(ui->lboxLinks->bytes(row));
}

void TMainForm::CloseNavigator() {
    ui->mnuProducts->setChecked(false);
    mnuProductsClick();
}

void TMainForm::mnuExitClick() {
    close();
}

void TMainForm::MemoDblClick() {
    OpenDownloadPage();
}

void TMainForm::TimerTimer() {
    RotateTitle();
    RotateCaption(this);
}

void TMainForm::setOuterSize(int width, int height) {
    // The frame is known for certain only once the window manager has framed the window; it is
    // placed again then (placeWindow).
    m_outerSize = QSize(width, height);
    resize(m_outerSize.shrunkBy(frame()));
}

// The outer size the settings ask for, shrunk to the screen's free area where it does not fit
// (a window taller than the screen would have its title and menu bars out of reach), centred.
void TMainForm::placeWindow() {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    m_placedFrame = frame();
    // At a fractional scale the client and the frame are rounded up to whole device pixels
    // apart, which can take a window that fills the area a pixel past it: a logical pixel of
    // slack keeps it inside.
    const qreal ratio = devicePixelRatioF();
    const int slack = std::floor(ratio) == ratio ? 0 : 1;
    const QSize wanted(std::max(m_outerSize.width(),
                                m_artClientWidth + m_placedFrame.left() + m_placedFrame.right()),
                       m_outerSize.height());
    m_fittedSize = wanted.boundedTo(area.size() - QSize(slack, slack));
    const QRect outer(QPoint(area.x() + (area.width() - m_fittedSize.width()) / 2,
                             area.y() + (area.height() - m_fittedSize.height()) / 2),
                      m_fittedSize);
    // The client rectangle, which does not depend on what Qt believes the frame to be.
    setGeometry(outer.marginsRemoved(m_placedFrame));
}

void TMainForm::measureArt() {
    m_artClientWidth =
        m_artColumns > 0 ? ArtFit::outerWidthFor(width(), *ui->Memo, m_artColumns) : 0;
}

void TMainForm::fitToArt() {
    measureArt();
    // At start the first placement fits it; a maximised or full-screen window is the user's.
    if (!isVisible() || !screen() || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const QRect outer = geometry().marginsAdded(frame());
    const int wanted = m_artClientWidth + frame().left() + frame().right();
    if (wanted <= outer.width())
        return;
    // A size the user gave the window since it was placed is theirs: the settings keep it.
    if (!nearSize(outer.size(), m_fittedSize) && !nearSize(outer.size(), m_outerSize))
        m_outerSize = outer.size();
    const QRect fitted = ArtFit::widened(outer, wanted, screen()->availableGeometry());
    m_fittedSize = fitted.size();
    setGeometry(fitted.marginsRemoved(frame()));
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownBefore)
        return;
    m_shownBefore = true;
    fitNavigatorToCaption();
    // Laid out now at the size asked for: what the art needs is measured before the placement.
    measureArt();
    // Centred at the first showing; later moves are the user's. The window manager tells the
    // frame's size a little after the window shows, and not always with a move or resize of
    // the window to go with it: for a while every change of it places the window again, so
    // that the outer rectangle is the one asked for.
    placeWindow();
    m_placing = true;
    auto* watch = new QTimer(this);
    watch->setInterval(50);
    connect(watch, &QTimer::timeout, this, [this, watch, shown = QDeadlineTimer(2000)] {
        placeIfFrameChanged();
        if (shown.hasExpired()) {
            m_placing = false;
            watch->deleteLater();
        }
    });
    watch->start();
}

bool TMainForm::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        placeIfFrameChanged();
    // The icon's pictures are decoded and handed to the window system once the first frame is
    // drawn: a few milliseconds of the start nobody would see the icon in.
    if (event->type() == QEvent::Paint && !m_iconPosted) {
        m_iconPosted = true;
        QTimer::singleShot(0, this, [this] { setIcons(); });
    }
    return handled;
}

void TMainForm::setIcons() {
    // Every size the package ships, so that task bars and switchers on any screen take a sharp
    // one instead of scaling one up.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1/zelvan-rid-evodad.png").arg(size),
                     QSize(size, size));
    setWindowIcon(icon);
}

QMargins TMainForm::frame() const {
    if (const std::optional<QMargins> announced = announcedFrame(this))
        return *announced;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void TMainForm::placeIfFrameChanged() {
    if (m_placing && frame() != m_placedFrame)
        placeWindow();
}
