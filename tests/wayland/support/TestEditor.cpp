// A small Qt text editor for the Wayland tests: a real Wayland client that takes the keyboard
// focus, copies and pastes through the compositor, and tells the test what it holds.
//   velto-wayland-test-editor TEXT FILE
// Starts with TEXT, all of it selected. Writes its text to FILE at every change and creates
// FILE.focused while its window has the focus.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace {

void writeText(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
        file.commit();
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return 2;
    const QString path = arguments.at(2);
    const QString focusPath = path + QStringLiteral(".focused");

    QPlainTextEdit editor;
    editor.setWindowTitle(QStringLiteral("Velto test editor"));
    editor.setPlainText(arguments.at(1));
    editor.selectAll();
    editor.resize(640, 400);
    QObject::connect(&editor, &QPlainTextEdit::textChanged, &editor,
                     [&] { writeText(path, editor.toPlainText()); });
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &editor,
                     [&](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) {
                             writeText(path, editor.toPlainText());
                             writeText(focusPath, QString());
                         } else {
                             QFile::remove(focusPath);
                         }
                     });
    editor.show();
    editor.activateWindow();
    return QApplication::exec();
}
