#include "FormAbout.h"
#include "ui_FormAbout.h"

#include "Dock.h"
#include "OrvelAddresses.h"
#include "OrvelJpeg.h"
#include "OrvelUtils.h"

#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>

// The window's resources live in a static library, which the linker would otherwise leave out.
static void initResources() {
    Q_INIT_RESOURCE(windows);
}

namespace {

// The logo, decoded by libjpeg. A missing or damaged picture leaves the area empty.
QPixmap logo() {
    initResources();
    QFile file(QStringLiteral(":/images/logo.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const DecodedImage decoded = DecodeJpeg(file.readAll());
    if (decoded.isNull())
        return {};
    const QImage image(reinterpret_cast<const uchar*>(decoded.rgb.constData()), decoded.width,
                       decoded.height, decoded.width * 3, QImage::Format_RGB888);
    return QPixmap::fromImage(image.copy());
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TfrmAbout>()) {
    ui->setupUi(this);
    // Static texts fit their text, centred where they were laid out (before the docking layer
    // takes their geometry as the designed one).
    for (QLabel* text : {ui->StaticText1, ui->StaticText2}) {
        text->ensurePolished();
        const int centre = text->geometry().center().x();
        text->resize(std::max(text->width(), text->fontMetrics().horizontalAdvance(text->text()) +
                                                 2 * text->frameWidth() + 4),
                     text->height());
        text->move(centre - text->width() / 2, text->y());
    }
    Dock::install(this);
    setFixedSize(549, 466);
    move(301, 227);
    setWindowOpacity(250.0 / 255.0);
    setAttribute(Qt::WA_DeleteOnClose, false);
    ui->imgLogo->setPixmap(logo());
    ui->lblProductSite->raise();
    FormCreate();
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::FormCreate() {
    ui->lblHome->setLink(MakerHomeAddress);
    ui->lblProductSite->setLink(ProductSiteAddress);
}

// The window has no keyboard handling of its own: only its close box closes it, so Esc (which
// a dialog would take as Cancel) does nothing here.
void TfrmAbout::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmAbout::imgLogoClick() {
    OpenAddress(ProductSiteAddress);
}
