#include "platform/linux/MessageBoxAlerts.h"
#include "support/TestRegistry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace velto;

namespace {

struct AnswerRow
{
    QString press; // the button's title; empty: the app closes every alert
    int answer = 0;
    bool finishedTwice = false; // the box ends again after its answer (as it goes on quitting)
};

QMessageBox* shownBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(AnswerRow)

// The alert is shown and its answer awaited; show() itself returns at once, so the app's own
// event loop goes on while the user decides.
class MessageBoxAlertsTest : public QObject
{
    Q_OBJECT

private slots:
    void theAnswerIsAwaitedWithoutAModalLoop_data()
    {
        QTest::addColumn<AnswerRow>("row");
        QTest::newRow("default button") << AnswerRow{"Log in", 0};
        QTest::newRow("second button") << AnswerRow{"Cancel", 1};
        QTest::newRow("closed on quitting") << AnswerRow{QString(), 1};
        QTest::newRow("closed on quitting, then rejected again") << AnswerRow{QString(), 1, true};
    }

    void theAnswerIsAwaitedWithoutAModalLoop()
    {
        QFETCH(AnswerRow, row);
        MessageBoxAlerts alerts;
        // Each choice made, and whether the box was still shown when it was reported.
        QList<std::pair<int, bool>> chosen;
        QMessageBox* box = nullptr;
        QCoro::Task<int> answer = alerts.show({AlertStyle::warning,
                                               "Sign in required",
                                               "You need to sign in before rewriting text.",
                                               {"Log in", "Cancel"},
                                               [&chosen, &box](int button) {
                                                   chosen.append({button, box && box->isVisible()});
                                               }});
        box = shownBox();
        QVERIFY(box);
        QCOMPARE(box->text(), "Sign in required");
        QCOMPARE(box->informativeText(), "You need to sign in before rewriting text.");
        QCOMPARE(box->windowModality(), Qt::ApplicationModal);
        QCOMPARE(box->defaultButton()->text(), "Log in");
        if (row.press.isEmpty()) {
            alerts.closeAll();
            if (row.finishedTwice)
                box->reject();
        } else {
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == row.press)
                    button->click();
            }
        }
        QCOMPARE(QCoro::waitFor(std::move(answer)), row.answer);
        // A click is reported while the box still has the focus; closing it is no choice.
        using Choices = QList<std::pair<int, bool>>;
        const Choices expected = row.press.isEmpty() ? Choices{} : Choices{{row.answer, true}};
        QCOMPARE(chosen, expected);
        QCoreApplication::processEvents(); // a second resume would run here
        // The box goes away with its answer.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shownBox());
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }
};

VELTO_REGISTER_TEST(MessageBoxAlertsTest);
#include "MessageBoxAlertsTest.moc"
