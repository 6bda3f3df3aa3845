#include "e2e/support/SignInBrowser.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int timeoutMs = 15'000;

QString unescaped(QString text)
{
    for (const auto& [entity, character] : {std::pair{u"&quot;"_s, u"\""_s},
                                            {u"&#39;"_s, u"'"_s},
                                            {u"&lt;"_s, u"<"_s},
                                            {u"&gt;"_s, u">"_s},
                                            {u"&amp;"_s, u"&"_s}})
        text.replace(entity, character);
    return text;
}

QHash<QString, QString> attributes(const QString& tag)
{
    static const QRegularExpression attribute(u"([A-Za-z][\\w-]*)\\s*=\\s*\"([^\"]*)\""_s);
    QHash<QString, QString> found;
    for (const QRegularExpressionMatch& match : attribute.globalMatch(tag))
        found.insert(match.captured(1).toLower(), unescaped(match.captured(2)));
    return found;
}

} // namespace

SignInBrowser::Page SignInBrowser::await(QNetworkReply* reply, const QUrl& url)
{
    Page page;
    page.url = url;
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(timeoutMs)) {
        reply->abort();
        page.error = u"no answer from %1 within %2 ms"_s.arg(url.toString()).arg(timeoutMs);
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
    constexpr auto options =
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption;
    static const QRegularExpression formPattern(u"<form\\b([^>]*)>(.*?)</form>"_s, options);
    // An input's attributes, or a button's attributes and label.
    static const QRegularExpression fieldPattern(
        u"<(?:input\\b([^>]*)|button\\b([^>]*)>(.*?)</button)>"_s, options);

    Page failure;
    failure.url = page.url;
    for (const QRegularExpressionMatch& form : formPattern.globalMatch(page.html)) {
        // The hidden fields plus the pressed button's name=value; the other buttons send nothing.
        QByteArrayList fields;
        bool pressed = false;
        for (const QRegularExpressionMatch& field : fieldPattern.globalMatch(form.captured(2))) {
            const bool button = field.hasCaptured(2);
            if (button && unescaped(field.captured(3)).trimmed() != label)
                continue;
            pressed = pressed || button;
            const QHash<QString, QString> attrs = attributes(field.captured(button ? 2 : 1));
            if (attrs.contains(u"name"_s))
                fields << QUrl::toPercentEncoding(attrs.value(u"name"_s)) + '=' +
                              QUrl::toPercentEncoding(attrs.value(u"value"_s));
        }
        if (!pressed)
            continue;
        const QHash<QString, QString> formAttributes = attributes(form.captured(1));
        if (formAttributes.value(u"method"_s).toLower() != u"post") {
            failure.error = u"the form does not post"_s;
            return failure;
        }
        const QUrl target = page.url.resolved(QUrl(formAttributes.value(u"action"_s)));
        QNetworkRequest request(target);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        return await(m_network.post(request, fields.join('&')), target);
    }
    failure.error = u"no form with a \"%1\" button on the page:\n%2"_s.arg(label, page.html);
    return failure;
}
