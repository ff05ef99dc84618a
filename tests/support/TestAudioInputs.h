#pragma once
// Stand-ins of a microphone: a generated PCM signal, and the system's audio inputs.

#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLMediaBackend.h"

#include <QIODevice>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <vector>

namespace ml::test {

// 16 kHz mono PCM written by the test, read by whoever listens (a capture's source, an input's data).
class GeneratedSignal final : public QIODevice {
public:
    GeneratedSignal() { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_pending.size() + QIODevice::bytesAvailable(); }
    void feed(const QByteArray &pcm) {
        m_pending += pcm;
        Q_EMIT readyRead();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override {
        const qint64 n = qMin<qint64>(maxSize, m_pending.size());
        std::copy_n(m_pending.constData(), n, data);
        m_pending.remove(0, n);
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_pending;
};

// The system's audio inputs as a test sets them: `listed` holds their ids, the default first. An
// opened input delivers 16 kHz mono PCM that `feed` gives it, and can fail (`fail`).
class TestAudioInputs final : public MLMediaBackend::AudioInputs {
public:
    QStringList listed;

    QByteArray defaultInput() override { return listed.isEmpty() ? QByteArray() : listed.first().toUtf8(); }
    bool hasInput(const QByteArray &id) override { return listed.contains(QString::fromUtf8(id)); }
    std::unique_ptr<MLMediaBackend::AudioInput>
    openInput(const QByteArray &id, int, std::function<void()> onError, QString &error) override {
        if (!hasInput(id)) {
            error = QStringLiteral("no input %1").arg(QString::fromUtf8(id));
            return nullptr;
        }
        return std::make_unique<Input>(*this, QString::fromUtf8(id), std::move(onError));
    }

    // The ids of the inputs open now, in the order they were opened.
    QStringList openInputs() const {
        QStringList ids;
        for (const Input *input : m_open)
            ids << input->id;
        return ids;
    }
    // Gives `pcm` to every open input `id`.
    void feed(const QString &id, const QByteArray &pcm) {
        for (Input *input : std::vector<Input *>(m_open))
            if (input->id == id)
                input->signal.feed(pcm);
    }
    // Every open input `id` stops with an error.
    void fail(const QString &id) {
        for (Input *input : std::vector<Input *>(m_open))
            if (input->id == id && input->onError)
                input->onError();
    }

private:
    struct Input final : MLMediaBackend::AudioInput {
        Input(TestAudioInputs &inputs, QString id, std::function<void()> onError)
            : inputs(inputs)
            , id(std::move(id))
            , onError(std::move(onError)) {
            inputs.m_open.push_back(this);
        }
        ~Input() override { std::erase(inputs.m_open, this); }
        int sampleRate() const override { return MLAudioCapture::kSampleRate; }
        int channelCount() const override { return 1; }
        QAudioFormat::SampleFormat sampleFormat() const override { return QAudioFormat::Int16; }
        QIODevice *data() override { return &signal; }
        QString description() const override { return id; }

        TestAudioInputs &inputs;
        QString id;
        std::function<void()> onError;
        GeneratedSignal signal;
    };

    std::vector<Input *> m_open;
};

} // namespace ml::test
