// A plain Qt Widgets editor as a target application: opens the file named on its command line,
// Ctrl+S writes it back. Qt's text widgets keep owning PRIMARY with the old text after their
// selection is cleared, which is what the tests need to reproduce.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QShortcut>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    QPlainTextEdit editor;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        editor.setPlainText(QString::fromUtf8(file.readAll()));
    editor.setWindowTitle(QFileInfo(path).fileName());
    QShortcut save(QKeySequence::Save, &editor);
    QObject::connect(&save, &QShortcut::activated, &editor, [&] {
        QFile out(path);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(editor.toPlainText().toUtf8());
    });
    editor.resize(480, 320);
    editor.show();
    return app.exec();
}
