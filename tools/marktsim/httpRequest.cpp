#include "httpRequest.h"

namespace marktsim {
namespace {

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status";
    }
}

} // namespace

std::variant<ParsedRequest, RequestError> parseRequest(const QByteArray& buffer) {
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return RequestError::Incomplete;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> first = lines.first().trimmed().split(' ');
    if (first.size() != 3)
        return RequestError::Malformed;
    ParsedRequest parsed;
    Request& request = parsed.request;
    request.method = first[0];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const qint64 length = request.headers.value("content-length", "0").toLongLong();
    if (length < 0 || length > kMaxRequestBytes)
        return RequestError::Malformed;
    if (buffer.size() < end + 4 + length)
        return RequestError::Incomplete;
    request.body = buffer.mid(end + 4, length);
    parsed.size = end + 4 + length;
    const QByteArray target = first[1];
    const qsizetype question = target.indexOf('?');
    request.path = QString::fromUtf8(
        QByteArray::fromPercentEncoding(question >= 0 ? target.left(question) : target));
    if (question >= 0)
        request.query.setQuery(QString::fromUtf8(target.mid(question + 1)));
    return parsed;
}

QByteArray responseHead(const Response& response) {
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
    bool typed = false;
    for (const auto& [name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
        typed = typed || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
    }
    if (!typed)
        head += "Content-Type: application/json\r\n";
    return head;
}

} // namespace marktsim
