#include "platform/ffmpeg/MLDeviceInput.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>

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

} // namespace

std::unique_ptr<MLMediaBackend::AudioInput> ml::media::openDeviceInput(const void *device, int preferredRate,
                                                                       std::function<void()> onError,
                                                                       bool &noDevice, QString &error) {
    const QAudioDevice chosen =
        device ? *static_cast<const QAudioDevice *>(device) : QMediaDevices::defaultAudioInput();
    noDevice = chosen.isNull();
    if (noDevice)
        return nullptr;
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
