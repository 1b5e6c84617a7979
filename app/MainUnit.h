#pragma once

// Zelvan RID Evodad, a viewer for NFO and DIZ files.
//
// Map of the program
//   app/main.cpp        program entry: application title, main window, message loop
//   app/MainUnit        TMainForm, the main window: the document pane, Open/Save/Close,
//                       Read-only and Wrap, font and colour, the navigator panel, the settings
//                       and the title marquee's timer
//   app/OpenDialog      the Open dialog, made on first use
//   app/TitleMarquee    the caption and task-bar text rotation
//   app/Prefetch        the command line's document read ahead while the window is made
//                       What the window gains beyond its menus (find, the folder's documents,
//                       recently used files, a watch on the file) goes in units of its own here,
//                       made by TMainForm and following it through documentShown, reached by
//                       keys and the pane's context menu, never by new menu items
//   support/            the maker's routines, QtCore only: document reading, line-break
//                       normalisation and atomic saving (OrvelDocument), which encoding a
//                       document is in and UTF-16 both ways (DocumentEncoding), the random
//                       generator (OrvelRandom), shared helpers (OrvelUtils), the marquee
//                       text, addresses
//   controls/, windows/ the maker's own controls and secondary windows
//   How a document becomes pixels, one library a stage, each using only the ones before it:
//   text/               QtCore: the bytes and their line index (TextDocument), the cells a line
//                       makes in a script (Cells), marks along long lines (CellIndex), rows with
//                       wrap (WrapRows), where a caret can go (CaretMoves)
//   render/             QtGui: cells to pixels (CellRenderer, its lookups in CharacterMap)
//   pictures/           QtGui, what the companion links: PicturePng, and PictureSvg and
//                       PicturePdf from the rows VectorCells walks, written through PictureOutput
//   pane/               Qt Widgets: the pane (TextPane: the document, geometry and layout in
//                       TextPane.cpp, painting and links, editing, input each in a file of its
//                       own) and what screen readers get of it (ShownText, TextPaneAccessible)
//   platform/           stand-ins for the Windows interfaces, one folder per library:
//     core/             QtCore only, all the command-line companion links: the pane font's
//                       character sets (CodePage), files and their names, the INI profile,
//                       the registry and its desktop associations, shell, sound, message
//                       boxes, system facts
//     gui/              what draws (QtGui): the pane's font (PaneFont), system colours
//     widgets/          the widget toolkit: application object, docking, font dialog, hints,
//                       menu bar, image and panel controls, the window manager's frame
//
// How a document flows: the first command-line argument (or OrvelDesign.NFO beside the
// program) reaches FormCreate, LoadDocument reads its bytes (ReadDocumentFile), turns UTF-16 into
// UTF-8 (DocumentEncoding::decodedDocument), normalises the line breaks (NormalizeLineBreaks),
// picks the script (the user's, or UTF-8 for a document written in it:
// DocumentEncoding::isUtf8Document) and hands them to the pane (TextPane::setBytes), which
// indexes the lines and draws the rows in view, each byte with its glyph from that script
// (CodePage) through the CellRenderer. Save takes the bytes back from the pane and writes them
// whole (WriteDocumentFile), in UTF-16 again when the file was. After each load the navigator
// hands the same bytes to ExtractLinks (OrvelLinks) and lists the addresses in lboxLinks; a
// click on one goes to OpenAddress.

#include "DocumentArt.h"
#include "DocumentEncoding.h"
#include "FontDialog.h"

#include <QColor>
#include <QMainWindow>
#include <QMargins>
#include <QString>
#include <QStringList>

#include <memory>

class QColorDialog;
class QFileDialog;
class ReaderTools;
class TextPane;
struct PreparedDocument;
class QTimer;
namespace Ui {
class TMainForm;
}

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // arguments: the command line, program name first; the first argument after it names the
    // document to show.
    explicit TMainForm(const QStringList& arguments, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Shows the file in the pane and refills the navigator. Raises a UserError when the file
    // cannot be read or does not fit the pane.
    void LoadDocument(const QString& fileName);
    void OpenDownloadPage();

    const QString& currentFileName() const { return CurrentFileName; }
    const FontSpec& paneFont() const { return m_paneFont; }
    void setPaneFont(const FontSpec& spec);
    QColor paneBackground() const;
    void setPaneBackground(const QColor& color);

    Ui::TMainForm* form() const { return ui.get(); }

    // For the window's reader's tools (ReaderTools): the pane, the file the text in it was read
    // from (current or not), and a file shown as Open shows it but keeping the Read-only state;
    // false when the user kept unsaved edits or the file could not be read (and was told so).
    TextPane* pane() const;
    const QString& shownFile() const { return m_readFrom; }
    bool showFile(const QString& fileName);
    // The shown file read again, the line at the top and the caret kept where they can stay;
    // false when it could not be read (and the user was told).
    bool reloadShownFile();
    // The document shown when the command line names none (empty when it is missing).
    static QString bundledDocument();
    ReaderTools* readerTools() const { return m_tools; }
    // Whether the document holds edits not saved, in the pane or beside the art it shows.
    bool hasUnsavedEdits() const;
    // The shown document's ANSI art and SAUCE record, where it has them.
    const DocumentArt& documentArt() const { return m_art; }
    QTimer* timer() const { return Timer; }

Q_SIGNALS:
    // A document is on screen, shown from its file (at start, after Open, after a drop), or the
    // pane was emptied by Close (an empty name).
    void documentShown(const QString& fileName);
    // The pane's text was written to the file (Save, or Save on a question about edits).
    void documentSaved(const QString& fileName);

public Q_SLOTS:
    void mnuOpenClick();
    void mnuSaveClick();
    void mnuCloseClick();
    void mnuReadonlyClick();
    void mnuWrapClick();
    void mnuFontClick();
    void mnuColorBkgClick();
    void mnuProductsClick();
    void mnuAboutClick();
    void mnuAssoc1Click();
    void mnuAssoc2Click();
    void mnuExitClick();
    void MemoDblClick();
    void lboxLinksClick();
    void MemoLinkClick(int entry);
    void CloseNavigator();
    void TimerTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // The steps of Open once a file is chosen (in the dialog, or by dropping it on the window).
    void OpenChosenFile(const QString& fileName);
    // Whether the pane's text may be replaced or dropped: at once when it holds no unsaved
    // edits, else as the user answers (saved first, to the file it came from or one they choose;
    // dropped; or kept, which gives false).
    bool mayDropEdits();
    // Writes the pane's text to the file as Save does (CR LF, UTF-16 again where it was read
    // so); raises a UserError when it cannot.
    void writeDocument(const QString& fileName);
    void LoadSettings();
    void SaveSettings();
    void FormDestroy();
    static QString settingsFileName();
    void RefillNavigator(PreparedDocument& document);
    void reflectAssociations();
    void setOuterSize(int width, int height);
    void placeWindow();
    // The client width the document's art needs (see ArtFit), and the shown window widened to it.
    void measureArt();
    void fitToArt();
    void placeIfFrameChanged();
    void setIcons();
    void fitNavigatorToCaption();
    void keepRoomForLinks();
    // Opens a navigator entry's address.
    void openEntry(int row);
    QMargins frame() const;
    // The common dialogs are made on first use: they cost more to build than the whole window.
    QFileDialog* openDialog();
    FontDialog* fontDialog();
    QColorDialog* colorDialog();

    std::unique_ptr<Ui::TMainForm> ui;
    QTimer* Timer;
    ReaderTools* m_tools = nullptr;
    QFileDialog* OpenDialog = nullptr;
    FontDialog* m_fontDialog = nullptr;
    QColorDialog* ColorDialog = nullptr;
    // The colour dialog's own colour: black at first, then the last one chosen in it.
    QColor m_colorDialogColor = Qt::black;
    QStringList m_arguments;
    QString m_startFolder; // the folder the program was started in, for names relative to it
    QString CurrentFileName;
    QString m_readFrom; // the file the text in the pane was read from, current or not
    // The script the document is shown in: the user's, or UTF-8 or ANSI art for a document found
    // written in it; and the glyph table the pane draws it with (ANSI art's cells are code page
    // 437's).
    CodePage::Charset shownCharset() const;
    CodePage::Charset paneCharset() const;
    // The pane shows the art while the document is shown as ANSI art read-only, else its bytes,
    // wrapped only then; gives whether it went from one to the other. Outside a load, the links
    // and the width the window fits follow such a change.
    bool showArtOrBytes();
    void reshowArtOrBytes();
    FontSpec m_paneFont;
    bool m_utf8Document = false; // the document shown was detected as UTF-8
    bool m_ansiDocument = false; // the document shown was found to draw ANSI art
    DocumentArt m_art;
    // The byte order of a UTF-16 document, shown as UTF-8 and saved in its own order again.
    DocumentEncoding::Utf16 m_utf16 = DocumentEncoding::Utf16::None;
    // The colours as the settings named them, so that a name survives a run that kept it.
    std::uint32_t m_storedBackground = 0x000000;
    std::uint32_t m_storedFontColor = 0x00FF00;
    QString m_storedFontName; // its bytes, one character each
    bool m_iconPosted = false;
    bool m_shownBefore = false;
    QSize m_outerSize;       // as the settings ask for it
    QPoint m_storedPosition; // as the settings give it, kept where the window cannot tell its own
    QSize m_fittedSize;      // as placed on the screen, or as widened for a document's art
    qint64 m_artColumns = 0; // the shown document's widest line of art
    // The client width that shows that line whole, found while the pane's width and the window's
    // agree (a placement under way reads them mid-change); 0: none wider than laid out.
    int m_artClientWidth = 0;
    int m_adsHeight = 0;    // the products panel's designed height
    QMargins m_listMargins; // the link list's place in its panel: above and below it
    QMargins m_placedFrame;
    bool m_placing = false;
};

// The program-wide reference to the main window; set before its creation handler runs.
extern TMainForm* MainForm;
