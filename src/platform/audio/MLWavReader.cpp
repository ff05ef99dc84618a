#include "platform/audio/MLWavReader.h"

#include <QFileInfo>
#include <QtEndian>

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;

quint16 le16(const char *p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 le32(const char *p) {
    return qFromLittleEndian<quint32>(p);
}

} // namespace

bool MLWavReader::fail(const QString &message) {
    m_error = message;
    m_file.close();
    m_frameCount = m_framesRead = 0;
    return false;
}

bool MLWavReader::open(const QString &path) {
    m_file.close();
    m_file.setFileName(path);
    m_error.clear();
    m_frameCount = m_framesRead = 0;
    if (const QFileInfo info(path); info.exists() && !info.isFile())
        return fail(QStringLiteral("%1 is not a regular file").arg(path));
    if (!m_file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, m_file.errorString()));
    const QByteArray riff = m_file.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return fail(QStringLiteral("%1 is not a WAV file").arg(path));

    bool haveFormat = false;
    quint16 formatTag = 0;
    qint64 dataSize = 0;
    for (;;) {
        const QByteArray header = m_file.read(8);
        if (header.size() != 8)
            return fail(QStringLiteral("%1 has no data chunk").arg(path));
        const QByteArray id = header.left(4);
        const qint64 size = le32(header.constData() + 4);
        if (id == "fmt ") {
            if (size < 16 || size > 1024)
                return fail(QStringLiteral("%1 has a malformed format chunk").arg(path));
            char fmt[1026] = {};
            if (m_file.read(fmt, size + (size & 1)) < size)
                return fail(QStringLiteral("%1 is truncated").arg(path));
            formatTag = le16(fmt);
            m_channels = le16(fmt + 2);
            m_sampleRate = static_cast<int>(le32(fmt + 4));
            m_bitsPerSample = le16(fmt + 14);
            if (formatTag == kFormatExtensible && size >= 26)
                formatTag = le16(fmt + 24); // first two bytes of the sub-format GUID
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return fail(QStringLiteral("%1 has data before its format").arg(path));
            dataSize = size;
            break;
        } else if (!m_file.skip(size + (size & 1))) {
            return fail(QStringLiteral("%1 is truncated").arg(path));
        }
    }

    if (formatTag == kFormatPcm && m_bitsPerSample == 8)
        m_format = QAudioFormat::UInt8;
    else if (formatTag == kFormatPcm && m_bitsPerSample == 16)
        m_format = QAudioFormat::Int16;
    else if (formatTag == kFormatPcm && (m_bitsPerSample == 24 || m_bitsPerSample == 32))
        m_format = QAudioFormat::Int32;
    else if (formatTag == kFormatFloat && m_bitsPerSample == 32)
        m_format = QAudioFormat::Float;
    else
        return fail(QStringLiteral("%1: unsupported sample format (tag %2, %3 bits)")
                        .arg(path)
                        .arg(formatTag)
                        .arg(m_bitsPerSample));
    if (m_channels < 1 || m_channels > 32 || m_sampleRate < 1000 || m_sampleRate > 768000)
        return fail(QStringLiteral("%1: unsupported layout (%2 channels, %3 Hz)")
                        .arg(path)
                        .arg(m_channels)
                        .arg(m_sampleRate));

    // A writer that streamed the file may leave the size at 0 or 0xFFFFFFFF: take what is there.
    const qint64 available = m_file.size() - m_file.pos();
    if (dataSize == 0 || dataSize == 0xFFFFFFFFLL || dataSize > available)
        dataSize = available;
    m_frameCount = dataSize / (qint64(m_bitsPerSample / 8) * m_channels);
    return true;
}

QByteArray MLWavReader::read(qint64 maxFrames) {
    const qint64 frames = qMin(maxFrames, m_frameCount - m_framesRead);
    if (frames <= 0 || !m_file.isOpen())
        return {};
    const int bytesPerSample = m_bitsPerSample / 8;
    QByteArray raw = m_file.read(frames * bytesPerSample * m_channels);
    const qint64 gotFrames = raw.size() / (bytesPerSample * m_channels);
    raw.truncate(gotFrames * bytesPerSample * m_channels);
    m_framesRead = gotFrames < frames ? m_frameCount : m_framesRead + gotFrames;
    if (m_bitsPerSample != 24)
        return raw;

    // Widen 24-bit little-endian samples to 32 bits (value in the top three bytes).
    const qsizetype samples = raw.size() / 3;
    QByteArray wide(samples * 4, Qt::Uninitialized);
    const auto *in = reinterpret_cast<const uchar *>(raw.constData());
    auto *out = reinterpret_cast<uchar *>(wide.data());
    for (qsizetype i = 0; i < samples; ++i) {
        out[4 * i] = 0;
        out[4 * i + 1] = in[3 * i];
        out[4 * i + 2] = in[3 * i + 1];
        out[4 * i + 3] = in[3 * i + 2];
    }
    return wide;
}
