#include "platform/linux/MessageBoxAlerts.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <coroutine>
#include <memory>

namespace velto {

namespace {

struct DeleteLater
{
    void operator()(QObject* object) const { object->deleteLater(); }
};

// Resumes once, however often the box finishes: a box can emit finished() twice (closed when
// the app quits, then again as it goes), and a second resume would run a finished coroutine.
// The resume is queued so the coroutine goes on outside the box's own signal.
struct FirstFinish
{
    QMessageBox* box;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> coroutine) const
    {
        auto resumed = std::make_shared<bool>(false);
        QObject::connect(box, &QDialog::finished, box, [coroutine, resumed] {
            if (std::exchange(*resumed, true))
                return;
            QTimer::singleShot(0, [coroutine] { coroutine.resume(); });
        });
    }
    void await_resume() const noexcept {}
};

} // namespace

QCoro::Task<int> MessageBoxAlerts::show(Alert alert)
{
    // Deleted later: the answer arrives from within the box's own signal.
    std::unique_ptr<QMessageBox, DeleteLater> box(new QMessageBox);
    box->setWindowTitle(QStringLiteral("Velto"));
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    switch (alert.style) {
    case AlertStyle::informational:
        box->setIcon(QMessageBox::Information);
        break;
    case AlertStyle::warning:
        box->setIcon(QMessageBox::Warning);
        break;
    case AlertStyle::critical:
        box->setIcon(QMessageBox::Critical);
        break;
    }
    const QStringList titles =
        alert.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttons;
    QList<QPushButton*> buttons;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        // The first button is the default; the others keep their order.
        buttons << box->addButton(titles[i],
                                  i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    }
    box->setDefaultButton(buttons.first());
    // On the click itself: by the time the box has finished it is hidden, and no longer focused.
    if (alert.chosen) {
        QObject::connect(box.get(), &QMessageBox::buttonClicked, box.get(),
                         [chosen = alert.chosen, buttons](QAbstractButton* clicked) {
                             const qsizetype index =
                                 buttons.indexOf(qobject_cast<QPushButton*>(clicked));
                             if (index >= 0)
                                 chosen(int(index));
                         });
    }
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    // Modal to the app's windows, but shown, not exec()'d: the event loop stays the main one.
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    box->raise();
    box->activateWindow();
    m_open.append(box.get());
    co_await FirstFinish{box.get()};
    m_open.removeAll(box.get());
    const qsizetype chosen = buttons.indexOf(qobject_cast<QPushButton*>(box->clickedButton()));
    // Closing the box (Escape, the window manager, quitting) counts as the last button, the
    // way out. Computed before the co_return, which g++ 12 may evaluate after the locals are gone.
    const int answer = chosen >= 0 ? int(chosen) : int(buttons.size() - 1);
    co_return answer;
}

void MessageBoxAlerts::closeAll()
{
    for (const QPointer<QMessageBox>& box : std::exchange(m_open, {})) {
        if (box)
            box->reject();
    }
}

} // namespace velto
