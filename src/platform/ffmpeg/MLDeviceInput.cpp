#include "platform/ffmpeg/MLDeviceInput.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QFile>
#include <QMediaDevices>
#include <QStandardPaths>

#include <algorithm>

namespace {

class DeviceInput final : public MLMediaBackend::AudioInput {
public:
    DeviceInput(const QAudioDevice &device, const QAudioFormat &format)
        : m_source(device, format)
        , m_format(format)
        , m_description(device.description()) {}

    int sampleRate() const override { return m_format.sampleRate(); }
    int channelCount() const override { return m_format.channelCount(); }
    QAudioFormat::SampleFormat sampleFormat() const override { return m_format.sampleFormat(); }
    QIODevice *data() override { return m_data; }
    QString description() const override { return m_description; }

    bool start(std::function<void()> onError) {
        QObject::connect(&m_source, &QAudioSource::stateChanged, &m_source,
                         [this, onError = std::move(onError)](QAudio::State) {
                             if (m_data && m_source.error() != QAudio::NoError && onError)
                                 onError();
                         });
        m_data = m_source.start();
        if (!m_data || m_source.error() != QAudio::NoError) {
            m_data = nullptr;
            return false;
        }
        return true;
    }

    ~DeviceInput() override {
        m_source.disconnect();
        m_source.stop();
    }

private:
    QAudioSource m_source;
    QAudioFormat m_format;
    QString m_description;
    QIODevice *m_data = nullptr;
};

std::unique_ptr<MLMediaBackend::AudioInput> open(const QAudioDevice &chosen, int preferredRate,
                                                 std::function<void()> onError, QString &error) {
    QAudioFormat wanted;
    wanted.setSampleRate(preferredRate);
    wanted.setChannelCount(1);
    wanted.setSampleFormat(QAudioFormat::Int16);
    const QAudioFormat format = chosen.isFormatSupported(wanted) ? wanted : chosen.preferredFormat();
    auto input = std::make_unique<DeviceInput>(chosen, format);
    if (!input->start(std::move(onError))) {
        error = QStringLiteral("cannot open audio input %1").arg(chosen.description());
        return nullptr;
    }
    return input;
}

// Whether a sound server can be there to ask. Qt Multimedia connects to the sound server once, the
// first time its devices are asked for, and never again when no server could even be tried then
// (while it reconnects by itself to one it has reached, or one whose socket refused it). So it is
// not asked before a server is configured or has made its socket: a server started later is then
// seen at the next look.
bool soundServerPresent() {
    if (qEnvironmentVariableIsSet("PULSE_SERVER"))
        return true;
    const auto configured = [](const QString &file) {
        QFile conf(file);
        if (!conf.open(QIODevice::ReadOnly))
            return false;
        const QList<QByteArray> lines = conf.readAll().split('\n');
        return std::any_of(lines.cbegin(), lines.cend(), [](const QByteArray &line) {
            return line.trimmed().startsWith("default-server");
        });
    };
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (configured(config + QStringLiteral("/pulse/client.conf")) ||
        configured(QStringLiteral("/etc/pulse/client.conf")))
        return true;
    QStringList sockets{QStringLiteral("/run/pulse/native")};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        sockets.prepend(runtime + QStringLiteral("/pulse/native"));
    return std::any_of(sockets.cbegin(), sockets.cend(),
                       [](const QString &path) { return QFile::exists(path); });
}

class SystemInputs final : public MLMediaBackend::AudioInputs {
public:
    QByteArray defaultInput() override {
        if (!ready())
            return {};
        return QMediaDevices::defaultAudioInput().id();
    }
    bool hasInput(const QByteArray &id) override { return !find(id).isNull(); }
    std::unique_ptr<MLMediaBackend::AudioInput> openInput(const QByteArray &id, int preferredRate,
                                                          std::function<void()> onError,
                                                          QString &error) override {
        const QAudioDevice device = find(id);
        if (device.isNull()) {
            error = QStringLiteral("the audio input is gone");
            return nullptr;
        }
        return open(device, preferredRate, std::move(onError), error);
    }

private:
    // Qt Multimedia is asked once a sound server is there; from then on it follows the server itself.
    bool ready() {
        if (!m_asked)
            m_asked = soundServerPresent();
        return m_asked;
    }
    QAudioDevice find(const QByteArray &id) {
        if (id.isEmpty() || !ready())
            return {};
        for (const QAudioDevice &device : QMediaDevices::audioInputs()) {
            if (device.id() == id)
                return device;
        }
        return {};
    }

    bool m_asked = false;
};

} // namespace

std::unique_ptr<MLMediaBackend::AudioInput> ml::media::openDeviceInput(const void *device, int preferredRate,
                                                                       std::function<void()> onError,
                                                                       bool &noDevice, QString &error) {
    const QAudioDevice chosen =
        device ? *static_cast<const QAudioDevice *>(device) : QMediaDevices::defaultAudioInput();
    noDevice = chosen.isNull();
    if (noDevice)
        return nullptr;
    return open(chosen, preferredRate, std::move(onError), error);
}

MLMediaBackend::AudioInputs &ml::media::systemInputs() {
    static SystemInputs inputs;
    return inputs;
}
