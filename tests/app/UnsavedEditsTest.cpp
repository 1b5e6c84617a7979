#include "MainWindowFixture.h"

#include "TextPane.h"

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <deque>

namespace {

// Answers each question about unsaved edits with the next answer given, and keeps the questions.
class Answers {
public:
    explicit Answers(std::deque<QMessageBox::StandardButton> answers)
        : m_answers(std::move(answers)) {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || m_answers.empty())
                return;
            asked << box->text();
            QAbstractButton* button = box->button(m_answers.front());
            m_answers.pop_front();
            button->click();
        });
        m_poll.start();
    }
    QStringList asked;

private:
    std::deque<QMessageBox::StandardButton> m_answers;
    QTimer m_poll;
};

} // namespace

TEST_F(MainWindowTest, EditedTextIsNeverDroppedWithoutAskingAndIsSavedWhereItCameFrom) {
    QDir(dir.path()).mkpath(QStringLiteral("gone"));
    writeFile(path(QStringLiteral("doc.nfo")), "doc\n");
    writeFile(path(QStringLiteral("other.nfo")), "other");
    writeFile(path(QStringLiteral("gone/lost.nfo")), "lost");
    start({path(QStringLiteral("doc.nfo"))});
    form->show();
    Answers answers({QMessageBox::Cancel, QMessageBox::Save, QMessageBox::Discard,
                     QMessageBox::Cancel, QMessageBox::Discard, QMessageBox::Save,
                     QMessageBox::Discard, QMessageBox::Save});
    const auto type = [&](const char* text) {
        ui()->Memo->setCaret(0);
        QTest::keyClicks(ui()->Memo, QLatin1String(text));
    };

    EXPECT_TRUE(form->close()) << "nothing edited: Exit ends at once";
    EXPECT_TRUE(answers.asked.isEmpty());
    form->show();
    ui()->mnuReadonly->trigger();
    type("X");
    ui()->Memo->undo();
    EXPECT_TRUE(form->close()) << "edits undone back to the file are none";

    // A document from the command line is saved to the file it was read from, as Save writes.
    form->show();
    type("X");
    EXPECT_FALSE(form->close()) << "Cancel keeps the window and the text";
    EXPECT_EQ(paneBytes(), QByteArray("Xdoc\r\n"));
    // Esc is the Exit item's key: it reaches the window's shortcuts while the window is active.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); }));
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(readFile(path(QStringLiteral("doc.nfo"))), QByteArray("Xdoc\r\n"));
    EXPECT_EQ(answers.asked.value(1), QStringLiteral("Save the changes to \"doc.nfo\"?"));

    // Open, Close: Discard drops the edits, Cancel keeps them.
    form->show();
    type("Y");
    openThroughDialog(path(QStringLiteral("other.nfo")));
    EXPECT_EQ(paneBytes(), QByteArray("other"));
    EXPECT_EQ(readFile(path(QStringLiteral("doc.nfo"))), QByteArray("Xdoc\r\n"));
    ui()->mnuReadonly->trigger();
    type("Z");
    ui()->mnuClose->trigger();
    EXPECT_EQ(paneBytes(), QByteArray("Zother")) << "Cancel";
    ui()->mnuClose->trigger();
    EXPECT_TRUE(paneBytes().isEmpty()) << "Discard";

    // A save that fails shows why and keeps the text.
    form->LoadDocument(path(QStringLiteral("gone/lost.nfo")));
    QDir(path(QStringLiteral("gone"))).removeRecursively();
    type("L");
    EXPECT_FALSE(form->close());
    ASSERT_EQ(OutsideWorld::get().messages.size(), 1);
    EXPECT_TRUE(OutsideWorld::get().messages[0].startsWith(QStringLiteral("Cannot create file")));
    EXPECT_EQ(paneBytes(), QByteArray("Llost"));

    // Text with no file of its own is saved where the user says.
    openThroughDialog(path(QStringLiteral("other.nfo")));
    ui()->mnuClose->trigger();
    ui()->mnuReadonly->trigger();
    type("new");
    QTimer saveAs; // the file dialog comes after the question, which Answers takes
    saveAs.setInterval(10);
    QObject::connect(&saveAs, &QTimer::timeout, &saveAs, [this] {
        if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(path(QStringLiteral("new.nfo")));
            QMetaObject::invokeMethod(files, "accept");
        }
    });
    saveAs.start();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(readFile(path(QStringLiteral("new.nfo"))), QByteArray("new"));
    EXPECT_EQ(answers.asked.size(), 8);
}
