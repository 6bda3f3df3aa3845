// A small Qt Widgets editor as a target application, a real client of the X server or of the
// compositor that copies and pastes through it:
//   velto-test-editor FILE [--select-all | --select FROM:TO]
// Opens FILE and writes its text back at every change and on Ctrl+S; FILE.focused exists while
// its window is active. Qt's text widgets keep owning PRIMARY with the old text after their
// selection is cleared, which the X11 tests need to reproduce.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QShortcut>
#include <QTextCursor>

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
