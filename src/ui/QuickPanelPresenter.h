#pragma once

#include "model/UserNotice.h"
#include "ui/PanelAction.h"

#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace velto {

class AppModel;

// What the quick panel shows for the model's state. The static functions hold every rule; the
// object publishes their results to the view and follows the model.
class QuickPanelPresenter : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The quick panel's controller makes its presenter.")
    Q_PROPERTY(QString headline READ headline NOTIFY changed)
    Q_PROPERTY(QString subline READ subline NOTIFY changed)
    Q_PROPERTY(QString pillLabel READ pillLabel NOTIFY changed)
    Q_PROPERTY(QString statusColor READ statusColor NOTIFY changed)
    Q_PROPERTY(bool pulsing READ pulsing NOTIFY changed)
    Q_PROPERTY(QString mainSymbol READ mainSymbol NOTIFY changed)
    Q_PROPERTY(QString mainTitle READ mainTitle NOTIFY changed)
    Q_PROPERTY(QString mainSubtitle READ mainSubtitle NOTIFY changed)
    Q_PROPERTY(bool mainEnabled READ mainEnabled NOTIFY changed)
    Q_PROPERTY(QString explanation READ explanation NOTIFY changed)
    Q_PROPERTY(MiddleBlock middleBlock READ middleBlockValue NOTIFY changed)
    Q_PROPERTY(QString noticeTitle READ noticeTitle NOTIFY changed)
    Q_PROPERTY(QString noticeMessage READ noticeMessage NOTIFY changed)
    Q_PROPERTY(QString noticeSymbol READ noticeSymbol NOTIFY changed)
    Q_PROPERTY(QString noticeColor READ noticeColor NOTIFY changed)
    Q_PROPERTY(QString setupProgress READ setupProgress NOTIFY changed)
    Q_PROPERTY(QString setupBadge READ setupBadge NOTIFY changed)
    Q_PROPERTY(QVariantList setupRows READ setupRowsValue NOTIFY changed)
    Q_PROPERTY(QString setupPrimaryTitle READ setupPrimaryTitle NOTIFY changed)
    Q_PROPERTY(AccountKind accountKind READ accountKind NOTIFY changed)
    Q_PROPERTY(QString accountLabel READ accountLabel NOTIFY changed)

public:
    // The views compare these, so their cases are capitalised as QML needs.
    enum class MiddleBlock
    {
        Notice,
        SetupCard,
        None
    };
    Q_ENUM(MiddleBlock)
    // What stands beside the settings button: a sign-in button, a sign-in in progress, or the
    // signed-in account.
    enum class AccountKind
    {
        SignInButton,
        Activity,
        Account
    };
    Q_ENUM(AccountKind)

    struct StatusSelection
    {
        QString headline;
        QString subline;
        QString pillLabel;
        StatusColor color = StatusColor::white;
    };
    struct MainButton
    {
        QString symbol;
        QString title;
        QString subtitle;
        PanelAction action = PanelAction::none;
        bool enabled = true;
    };
    struct NoticeLook
    {
        QString symbol;
        StatusColor color = StatusColor::blue;
    };
    struct SetupPrimary
    {
        QString title;
        PanelAction action = PanelAction::none;
    };
    struct AccountControl
    {
        using Kind = AccountKind;
        Kind kind = Kind::SignInButton;
        QString label;
        QString tooltip;
        PanelAction action = PanelAction::none;
    };

    static StatusSelection statusSelection(const AppModel& model);
    static MainButton mainButton(const AppModel& model);
    static QString explanationLine(const AppModel& model);
    static MiddleBlock middleBlock(const AppModel& model);
    static NoticeLook noticeLook(UserNoticeStyle style);
    static QList<ChecklistRow> setupRows(const AppModel& model);
    static QString setupProgressLine(const AppModel& model);
    static SetupPrimary setupPrimaryButton(const AppModel& model);
    static AccountControl accountControl(const AppModel& model);
    // What stands between the session and a working setup, in one line.
    static QString capabilityLine(const AppModel& model);
    // What to do about a taken shortcut.
    static QString takenAdvice(const AppModel& model);

    explicit QuickPanelPresenter(AppModel& model, QObject* parent = nullptr);

    QString headline() const { return statusSelection(m_model).headline; }
    QString subline() const { return statusSelection(m_model).subline; }
    QString pillLabel() const { return statusSelection(m_model).pillLabel; }
    QString statusColor() const { return colorName(statusSelection(m_model).color); }
    bool pulsing() const;
    QString mainSymbol() const { return mainButton(m_model).symbol; }
    QString mainTitle() const { return mainButton(m_model).title; }
    QString mainSubtitle() const { return mainButton(m_model).subtitle; }
    bool mainEnabled() const { return mainButton(m_model).enabled; }
    QString explanation() const { return explanationLine(m_model); }
    MiddleBlock middleBlockValue() const { return middleBlock(m_model); }
    QString noticeTitle() const;
    QString noticeMessage() const;
    QString noticeSymbol() const;
    QString noticeColor() const;
    QString setupProgress() const { return setupProgressLine(m_model); }
    QString setupBadge() const;
    QVariantList setupRowsValue() const;
    QString setupPrimaryTitle() const { return setupPrimaryButton(m_model).title; }
    AccountKind accountKind() const { return accountControl(m_model).kind; }
    QString accountLabel() const { return accountControl(m_model).label; }

signals:
    void changed();

private:
    AppModel& m_model;
};

} // namespace velto
