#include "e2e/support/SignInBrowser.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {

constexpr int timeoutMs = 15'000;

QString unescaped(QString text)
{
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QHash<QString, QString> attributes(const QString& tag)
{
    static const QRegularExpression attribute(
        QStringLiteral("([A-Za-z][\\w-]*)\\s*=\\s*\"([^\"]*)\""));
    QHash<QString, QString> found;
    for (const QRegularExpressionMatch& match : attribute.globalMatch(tag))
        found.insert(match.captured(1).toLower(), unescaped(match.captured(2)));
    return found;
}

QByteArray field(const QString& name, const QString& value)
{
    return QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
}

} // namespace

SignInBrowser::Page SignInBrowser::await(QNetworkReply* reply, const QUrl& url)
{
    Page page;
    page.url = url;
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(timeoutMs)) {
        reply->abort();
        page.error =
            QStringLiteral("no answer from %1 within %2 ms").arg(url.toString()).arg(timeoutMs);
    } else {
        page.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        page.html = QString::fromUtf8(reply->readAll());
        if (page.status == 0)
            page.error = reply->errorString();
    }
    reply->deleteLater();
    return page;
}

SignInBrowser::Page SignInBrowser::open(const QUrl& url)
{
    return await(m_network.get(QNetworkRequest(url)), url);
}

SignInBrowser::Page SignInBrowser::press(const Page& page, const QString& label)
{
    static const QRegularExpression formPattern(QStringLiteral("<form\\b([^>]*)>(.*?)</form>"),
                                                QRegularExpression::DotMatchesEverythingOption |
                                                    QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression inputPattern(QStringLiteral("<input\\b([^>]*)>"),
                                                 QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression buttonPattern(
        QStringLiteral("<button\\b([^>]*)>(.*?)</button>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);

    Page failure;
    failure.url = page.url;
    for (const QRegularExpressionMatch& form : formPattern.globalMatch(page.html)) {
        const QString body = form.captured(2);
        QHash<QString, QString> pressed;
        for (const QRegularExpressionMatch& button : buttonPattern.globalMatch(body)) {
            if (unescaped(button.captured(2)).trimmed() == label)
                pressed = attributes(button.captured(1));
        }
        if (pressed.isEmpty())
            continue;

        const QHash<QString, QString> formAttributes = attributes(form.captured(1));
        if (formAttributes.value(QStringLiteral("method")).toLower() != u"post") {
            failure.error = QStringLiteral("the form does not post");
            return failure;
        }
        QByteArrayList fields;
        for (const QRegularExpressionMatch& input : inputPattern.globalMatch(body)) {
            const QHash<QString, QString> attrs = attributes(input.captured(1));
            if (attrs.contains(QStringLiteral("name")))
                fields << field(attrs.value(QStringLiteral("name")),
                                attrs.value(QStringLiteral("value")));
        }
        if (pressed.contains(QStringLiteral("name")))
            fields << field(pressed.value(QStringLiteral("name")),
                            pressed.value(QStringLiteral("value")));

        const QUrl target = page.url.resolved(QUrl(formAttributes.value(QStringLiteral("action"))));
        QNetworkRequest request(target);
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        return await(m_network.post(request, fields.join('&')), target);
    }
    failure.error =
        QStringLiteral("no form with a \"%1\" button on the page:\n%2").arg(label, page.html);
    return failure;
}
