#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>
#include <variant>

namespace marktsim {

// The most of a request a connection holds: beyond it the client is cut off.
constexpr qint64 kMaxRequestBytes = 1024 * 1024;

struct Request {
    QByteArray method;
    QString path; // percent-decoded
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers; // lower-case names
    QByteArray body;
};

struct Response {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

// The first request in a connection's buffer, and how many bytes of it it took.
struct ParsedRequest {
    Request request;
    qsizetype size = 0;
};
enum class RequestError {
    Incomplete, // wait for more bytes
    Malformed,  // drop the connection
};

std::variant<ParsedRequest, RequestError> parseRequest(const QByteArray& buffer);

// "HTTP/1.1 200 OK" and the headers, up to but without Content-Length.
QByteArray responseHead(const Response& response);

} // namespace marktsim
