// A file manager's part in a drop, for the window-manager tests: a small window in the screen's
// top left corner that starts a drag of the file named on its command line when the left button
// goes down in it. The pointer (moved by xdotool) then carries the drag to the viewer through
// the X server's own drag-and-drop protocol, as a drag from any program would.
//
//   drag_source FILE
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(QString file) : m_file(std::move(file)) {
        setWindowTitle(QStringLiteral("drag source"));
        setGeometry(0, 0, 120, 120);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(m_file)});
        drag->setMimeData(data);
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        std::printf("drop %s\n", done == Qt::CopyAction ? "taken" : "refused");
        std::fflush(stdout);
    }

private:
    QString m_file;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drag_source FILE\n");
        return 2;
    }
    DragSource source(QString::fromLocal8Bit(argv[1]));
    source.show();
    return app.exec();
}
