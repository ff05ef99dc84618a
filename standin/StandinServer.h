#pragma once

#include <QHttpServer>
#include <QObject>
#include <QUrl>

#include <memory>

// The local stand-in of the remote services, listening on loopback only.
class StandinServer final : public QObject {
    Q_OBJECT
public:
    explicit StandinServer(QObject *parent = nullptr);
    ~StandinServer() override;

    // Listens on 127.0.0.1:`port` (0 picks a free port). False when the port cannot be bound.
    bool listen(quint16 port = 0);
    quint16 port() const { return m_port; }
    QUrl baseUrl() const;

private:
    std::unique_ptr<QHttpServer> m_http;
    quint16 m_port = 0;
};
