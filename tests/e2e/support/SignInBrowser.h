#pragma once

#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

// Stands in for the user's browser on the sign-in page: loads it and submits its form the way
// a browser does when a button is pressed (hidden fields plus the pressed button's name=value).
class SignInBrowser
{
public:
    struct Page
    {
        int status = 0; // 0: no answer; error says why
        QUrl url;
        QString html;
        QString error;
    };

    Page open(const QUrl& url);
    // Presses the form's button labelled label; an error page when there is no such form or button.
    Page press(const Page& page, const QString& label);

private:
    Page await(class QNetworkReply* reply, const QUrl& url);

    QNetworkAccessManager m_network;
};
