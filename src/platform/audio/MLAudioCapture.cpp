#include "platform/audio/MLAudioCapture.h"

#include "platform/audio/MLPcmConverter.h"
#include "platform/audio/MLWavReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

Q_LOGGING_CATEGORY(lcAudio, "ml.audio")

// A file at real-time pace is delivered in ticks of this length; at fast pace in blocks of this size.
constexpr int kFileTickMs = 20;
constexpr qint64 kFastBlockSamples = MLAudioCapture::kSampleRate / 10;

struct Settings {
    std::optional<QString> inputFile;
    bool realTime = true;
};

Settings &settings() {
    static Settings s;
    return s;
}

} // namespace

MLAudioCapture *MLAudioCapture::sharedCapture() {
    static QPointer<MLAudioCapture> shared;
    if (!shared)
        shared = new MLAudioCapture(QCoreApplication::instance());
    return shared;
}

MLAudioCapture::MLAudioCapture(QObject *parent)
    : QObject(parent) {}

MLAudioCapture::~MLAudioCapture() {
    for (const Consumer &c : m_consumers)
        disconnect(c.destroyedConnection);
    m_consumers.clear();
    const QSignalBlocker quiet(this); // nobody is told about a capture that is going away
    stopCapture();
}

void MLAudioCapture::setInputFile(const QString &path) {
    settings().inputFile = path;
}

QString MLAudioCapture::inputFile() {
    if (settings().inputFile)
        return *settings().inputFile;
    return qEnvironmentVariable("ML_AUDIO_INPUT");
}

void MLAudioCapture::setRealTimePace(bool realTime) {
    settings().realTime = realTime;
}

bool MLAudioCapture::realTimePace() {
    return settings().realTime;
}

void MLAudioCapture::addConsumer(QObject *consumer, AudioHandler handler) {
    if (!consumer)
        return;
    for (Consumer &c : m_consumers) {
        if (c.object == consumer) {
            c.handler = std::move(handler);
            return;
        }
    }
    Consumer c;
    c.object = consumer;
    c.handler = std::move(handler);
    c.destroyedConnection =
        connect(consumer, &QObject::destroyed, this, [this, consumer] { removeConsumer(consumer); });
    m_consumers.push_back(std::move(c));
    if (m_consumers.size() == 1)
        startCapture();
}

void MLAudioCapture::removeConsumer(QObject *consumer) {
    if (m_consumers.empty())
        return;
    // Consumers that died without notice (their pointer already null) are dropped as well; a
    // consumer being destroyed has a null pointer by the time it says so.
    const auto leaving = [consumer](const Consumer &c) { return c.object == consumer || c.object.isNull(); };
    for (const Consumer &c : m_consumers) {
        if (leaving(c))
            disconnect(c.destroyedConnection);
    }
    std::erase_if(m_consumers, leaving);
    if (m_consumers.empty())
        stopCapture();
}

void MLAudioCapture::setState(State state, const QString &error) {
    m_error = error;
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void MLAudioCapture::startCapture() {
    ++m_generation;
    if (m_pcmSource) {
        startSource();
        return;
    }
    const QString file = inputFile();
    if (!file.isEmpty()) {
        startFile(file);
        return;
    }
    startDevice();
}

void MLAudioCapture::stopCapture() {
    ++m_generation;
    closeInput();
    m_watchTimer.reset();
    m_watched = nullptr;
    m_failedId.clear();
    m_fileTimer.reset();
    m_fileClock.reset();
    m_wav.reset();
    setState(State::Idle);
}

void MLAudioCapture::closeInput() {
    if (m_sourceDevice)
        m_sourceDevice->disconnect(this);
    m_sourceDevice = nullptr;
    m_source.reset();
    m_converter.reset();
    m_inputId.clear();
    m_inputFailed = false;
}

void MLAudioCapture::startDevice() {
    const auto none = [this](State state, const QString &error) {
        setState(state, error);
        Q_EMIT noInput();
    };
    if (m_deviceSet && !m_device) {
        qCInfo(lcAudio) << "no audio input device; capturing nothing";
        none(State::NoDevice, QStringLiteral("no device"));
        return;
    }
    QString error;
    MLMediaBackend *backend = m_inputs ? nullptr : MLMediaBackend::instance(&error);
    if (!m_inputs && !backend) {
        none(State::Failed, error);
        return;
    }
    if (m_deviceSet) {
        bool noDevice = false;
        const quint64 generation = m_generation;
        QPointer<MLAudioCapture> self(this);
        std::unique_ptr<MLMediaBackend::AudioInput> source = backend->openAudioInput(
            m_device.get(), kSampleRate,
            [self, generation] {
                if (self && self->m_generation == generation && self->m_state == State::Running) {
                    qCWarning(lcAudio) << "audio input stopped with an error";
                    self->setState(State::Failed, QStringLiteral("input device error"));
                }
            },
            noDevice, error);
        if (!source)
            qCWarning(lcAudio) << error;
        if (!source || !takeInput(std::move(source)))
            none(State::Failed, QStringLiteral("cannot open the input device"));
        return;
    }

    // The system's default input, followed while the capture runs.
    m_watched = m_inputs ? m_inputs : &backend->audioInputs();
    m_watchTimer = std::make_unique<QTimer>();
    m_watchTimer->setInterval(m_watchInterval);
    connect(m_watchTimer.get(), &QTimer::timeout, this, &MLAudioCapture::watchInputs);
    m_watchTimer->start();
    const QByteArray id = m_watched->defaultInput();
    if (id.isEmpty()) {
        qCInfo(lcAudio) << "no audio input device; capturing nothing until one comes";
        none(State::NoDevice, QStringLiteral("no device"));
    } else if (!openInput(id)) {
        m_failedId = id;
        none(State::Failed, QStringLiteral("cannot open the input device"));
    }
}

bool MLAudioCapture::openInput(const QByteArray &id) {
    QString error;
    const quint64 generation = ++m_generation;
    QPointer<MLAudioCapture> self(this);
    std::unique_ptr<MLMediaBackend::AudioInput> source = m_watched->openInput(
        id, kSampleRate,
        [self, generation] {
            // Told from within the input: it is closed from the event loop.
            if (!self || self->m_generation != generation || self->m_inputFailed)
                return;
            qCWarning(lcAudio) << "audio input stopped with an error";
            self->m_inputFailed = true;
            QTimer::singleShot(0, self, &MLAudioCapture::watchInputs);
        },
        error);
    if (!source) {
        qCWarning(lcAudio) << error;
        return false;
    }
    if (!takeInput(std::move(source)))
        return false;
    m_inputId = id;
    return true;
}

bool MLAudioCapture::takeInput(std::unique_ptr<MLMediaBackend::AudioInput> source) {
    auto converter = std::make_unique<MLPcmConverter>(source->sampleRate(), source->channelCount(),
                                                      source->sampleFormat(), kSampleRate);
    if (!converter->isValid()) {
        qCWarning(lcAudio) << "cannot convert the input format of" << source->description();
        return false;
    }
    m_source = std::move(source);
    m_converter = std::move(converter);
    m_sourceDevice = m_source->data();
    connect(m_sourceDevice, &QIODevice::readyRead, this, &MLAudioCapture::readDevice);
    qCInfo(lcAudio) << "capturing" << m_source->description() << m_source->sampleRate() << "Hz"
                    << m_source->channelCount() << "channels";
    setState(State::Running);
    return true;
}

void MLAudioCapture::watchInputs() {
    if (!m_watched || m_consumers.empty())
        return;
    if (!m_failedId.isEmpty() && !m_watched->hasInput(m_failedId))
        m_failedId.clear(); // gone; it may come back as new
    const QByteArray now = m_watched->defaultInput();
    const bool running = m_source != nullptr;
    const bool gone = running && (m_inputFailed || !m_watched->hasInput(m_inputId));
    if (running && !gone && (now.isEmpty() || now == m_inputId))
        return;
    if (gone) {
        qCInfo(lcAudio) << "the audio input went away";
        if (m_inputFailed)
            m_failedId = m_inputId;
    }
    // Closed at once: a stream that has gone is not read again.
    if (running)
        closeInput();
    if (!now.isEmpty() && now != m_failedId) {
        if (openInput(now))
            return;
        m_failedId = now; // tried again only once it has gone and come back
    }
    if (running) {
        setState(State::NoDevice, QStringLiteral("the input went away"));
        Q_EMIT inputLost();
    }
}

void MLAudioCapture::startSource() {
    m_converter = std::make_unique<MLPcmConverter>(kSampleRate, 1, QAudioFormat::Int16, kSampleRate);
    m_sourceDevice = m_pcmSource;
    connect(m_sourceDevice, &QIODevice::readyRead, this, &MLAudioCapture::readDevice);
    qCInfo(lcAudio) << "capturing a PCM source";
    setState(State::Running);
}

void MLAudioCapture::readDevice() {
    if (!m_sourceDevice)
        return;
    const QByteArray raw = m_sourceDevice->readAll();
    if (!raw.isEmpty())
        deliver(m_converter->convert(raw));
}

void MLAudioCapture::startFile(const QString &path) {
    m_wav = std::make_unique<MLWavReader>();
    if (!m_wav->open(path)) {
        qCWarning(lcAudio) << "audio input file:" << m_wav->errorString();
        setState(State::Failed, m_wav->errorString());
        m_wav.reset();
        return;
    }
    m_converter = std::make_unique<MLPcmConverter>(m_wav->sampleRate(), m_wav->channelCount(),
                                                   m_wav->sampleFormat(), kSampleRate);
    if (!m_converter->isValid()) {
        setState(State::Failed, QStringLiteral("unsupported input file format"));
        m_wav.reset();
        return;
    }
    m_fileRealTime = realTimePace();
    m_fileSamplesDelivered = 0;
    m_fileClock = std::make_unique<QElapsedTimer>();
    m_fileClock->start();
    m_fileTimer = std::make_unique<QTimer>();
    m_fileTimer->setTimerType(Qt::PreciseTimer);
    m_fileTimer->setInterval(m_fileRealTime ? kFileTickMs : 0);
    connect(m_fileTimer.get(), &QTimer::timeout, this, &MLAudioCapture::pumpFile);
    m_fileTimer->start();
    qCInfo(lcAudio) << "capturing file" << path << (m_fileRealTime ? "at real-time pace" : "fast");
    setState(State::Running);
}

void MLAudioCapture::pumpFile() {
    if (!m_wav)
        return;
    qint64 due = kFastBlockSamples;
    if (m_fileRealTime)
        due = m_fileClock->elapsed() * kSampleRate / 1000 - m_fileSamplesDelivered;
    if (due <= 0)
        return;

    QByteArray pcm;
    if (!m_wav->atEnd()) {
        // Read enough input frames to yield about `due` output samples.
        const qint64 frames = qMax<qint64>(1, due * m_wav->sampleRate() / kSampleRate);
        pcm = m_converter->convert(m_wav->read(frames));
        if (m_wav->atEnd())
            pcm += m_converter->flush();
    } else if (m_fileRealTime) {
        pcm = QByteArray(due * 2, '\0'); // the quiet room after the file
    } else {
        m_fileTimer->stop();
        setState(State::Finished);
        return;
    }
    // Count what is due, not what the resampler happened to give, so the pace does not drift.
    m_fileSamplesDelivered += m_fileRealTime ? due : pcm.size() / 2;
    deliver(pcm);
}

void MLAudioCapture::deliver(const QByteArray &pcm) {
    if (pcm.isEmpty())
        return;
    // Handlers may add or remove consumers, or stop the capture, while we iterate.
    const quint64 generation = m_generation;
    const std::vector<QPointer<QObject>> targets = [this] {
        std::vector<QPointer<QObject>> v;
        for (const Consumer &c : m_consumers)
            v.push_back(c.object);
        return v;
    }();
    for (const QPointer<QObject> &target : targets) {
        if (generation != m_generation)
            return;
        if (!target)
            continue;
        for (const Consumer &c : m_consumers) {
            if (c.object == target) {
                AudioHandler handler = c.handler; // a copy: the handler may replace itself
                handler(pcm);
                break;
            }
        }
    }
}
