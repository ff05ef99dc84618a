#pragma once

#include <QByteArray>
#include <QIODevice>

// A request body that can be read once and never rewound. The HTTP layer of Qt 6.4 silently sends a
// request again when the connection closes before an answer arrives, POSTs included; a body that
// cannot be rewound turns that into an error instead, so a request reaches the service at most once.
class MLOneShotBody final : public QIODevice {
    Q_OBJECT
public:
    explicit MLOneShotBody(const QByteArray &data, QObject *parent = nullptr);

    bool isSequential() const override { return true; }
    bool reset() override { return pos() == 0 && m_position == 0; }
    qint64 bytesAvailable() const override {
        return m_data.size() - m_position + QIODevice::bytesAvailable();
    }
    qint64 size() const override { return m_data.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_position = 0;
};
