// A small Qt Widgets editor as a target application, a real client of the X server or of the
// compositor that copies and pastes through it:
//   velto-test-editor FILE [--select-all | --select FROM:TO] [--busy-keys MS]
// Opens FILE and writes its text back at every change and on Ctrl+S; FILE.focused exists while
// its window is active. Qt's text widgets keep owning PRIMARY with the old text after their
// selection is cleared, which the X11 tests need to reproduce. With --busy-keys, it is busy for
// MS before it handles the copy and paste keys, as a browser collecting garbage is.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QShortcut>
#include <QTextCursor>
#include <QThread>

namespace {

class BusyKeys : public QObject
{
public:
    explicit BusyKeys(unsigned long milliseconds) : m_milliseconds(milliseconds) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste))
                QThread::msleep(m_milliseconds);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    unsigned long m_milliseconds;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return 2;
    const QString path = arguments.at(1);
    const QString focusPath = path + QStringLiteral(".focused");

    QPlainTextEdit editor;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        editor.setPlainText(QString::fromUtf8(file.readAll()));
    if (arguments.contains(QStringLiteral("--select-all")))
        editor.selectAll();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--select")); at > 0) {
        const QStringList range = arguments.value(at + 1).split(u':');
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(range.value(0).toInt());
        cursor.setPosition(range.value(1).toInt(), QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
    }
    const qsizetype busy = arguments.indexOf(QStringLiteral("--busy-keys"));
    BusyKeys busyKeys(busy > 0 && busy + 1 < arguments.size() ? arguments.at(busy + 1).toULong()
                                                              : 0);
    if (busy > 0)
        editor.installEventFilter(&busyKeys);
    const auto save = [&] {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(editor.toPlainText().toUtf8()) >= 0)
            file.commit();
    };
    QObject::connect(&editor, &QPlainTextEdit::textChanged, &editor, save);
    QShortcut saveKey(QKeySequence::Save, &editor);
    QObject::connect(&saveKey, &QShortcut::activated, &editor, save);
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &editor,
                     [&](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) {
                             save();
                             QFile(focusPath).open(QIODevice::WriteOnly);
                         } else {
                             QFile::remove(focusPath);
                         }
                     });
    editor.setWindowTitle(QFileInfo(path).fileName());
    editor.resize(640, 400);
    editor.show();
    editor.activateWindow();
    return QApplication::exec();
}
