#include "platform/audio/MLAudioFileWriter.h"

#include "platform/audio/MLMediaBackend.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcAudio, "ml.audio")
} // namespace

MLAudioFileWriter::MLAudioFileWriter() = default;

MLAudioFileWriter::~MLAudioFileWriter() {
    if (isOpen())
        close();
}

bool MLAudioFileWriter::isOpen() const {
    return m_encoder != nullptr;
}

bool MLAudioFileWriter::fail(const QString &message) {
    if (m_error.isEmpty())
        m_error = message;
    m_failed = true;
    qCWarning(lcAudio) << "recording" << m_path << ":" << message;
    return false;
}

bool MLAudioFileWriter::open(const QString &path, int inputSampleRate) {
    if (isOpen())
        close();
    m_path = path;
    m_error.clear();
    m_failed = false;
    m_samplesWritten = 0;
    QString error;
    MLMediaBackend *backend = MLMediaBackend::instance(&error);
    if (!backend)
        return fail(QStringLiteral("no media module: %1").arg(error));
    auto encoder = backend->createAudioEncoder();
    if (!encoder->open(path, inputSampleRate, kSampleRate, kChannels, kBitRate, kFragmentMs, error))
        return fail(error);
    m_encoder = std::move(encoder);
    return true;
}

bool MLAudioFileWriter::write(const QByteArray &pcm) {
    if (!m_encoder || m_failed)
        return false;
    QString error;
    if (!m_encoder->write(pcm, error))
        return fail(error);
    m_samplesWritten += pcm.size() / 2;
    return true;
}

bool MLAudioFileWriter::close() {
    if (!m_encoder)
        return false;
    QString error;
    bool ok = m_encoder->finish(!m_failed, error);
    if (!error.isEmpty())
        ok = fail(error);
    m_encoder.reset();
    return ok && !m_failed;
}
