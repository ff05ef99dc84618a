#include "StandinSpeechSegmenter.h"

#include <QtEndian>

#include <cmath>

StandinSpeechSegmenter::StandinSpeechSegmenter()
    : StandinSpeechSegmenter(Settings{}) {}

StandinSpeechSegmenter::StandinSpeechSegmenter(const Settings &settings)
    : m_settings(settings)
    , m_windowSamples(qMax(1, settings.sampleRate * settings.windowMs / 1000)) {}

QList<StandinSpeechSegmenter::Event> StandinSpeechSegmenter::feed(const QByteArray &pcm) {
    QList<Event> events;
    m_carry += pcm;
    const qsizetype windowBytes = qsizetype(m_windowSamples) * 2;
    qsizetype at = 0;
    std::vector<qint16> samples(m_windowSamples);
    for (; at + windowBytes <= m_carry.size(); at += windowBytes) {
        for (int i = 0; i < m_windowSamples; ++i)
            samples[i] = qFromLittleEndian<qint16>(m_carry.constData() + at + 2 * i);
        window(samples.data(), events);
    }
    m_carry.remove(0, at);
    return events;
}

void StandinSpeechSegmenter::window(const qint16 *samples, QList<Event> &events) {
    double sum = 0;
    for (int i = 0; i < m_windowSamples; ++i) {
        const double s = samples[i] / 32768.0;
        sum += s * s;
    }
    const bool speech = std::sqrt(sum / m_windowSamples) >= m_settings.threshold;
    const qint64 index = m_windows++;
    const int ms = m_settings.windowMs;

    if (!m_inUtterance) {
        if (!speech)
            return;
        m_inUtterance = true;
        m_utteranceStart = index;
        m_utteranceWindows = 1;
        m_voicedWindows = 1;
        m_silentRun = 0;
        m_lastPartialWindows = 0;
        m_partials = 0;
        return;
    }

    ++m_utteranceWindows;
    if (speech) {
        ++m_voicedWindows;
        m_silentRun = 0;
    } else {
        ++m_silentRun;
    }
    const qint64 spokenWindows = m_utteranceWindows - m_silentRun;
    if (m_silentRun * ms >= m_settings.hangoverMs) {
        m_inUtterance = false;
        const bool enough = m_voicedWindows * ms >= m_settings.minSpeechMs;
        events.append({enough ? Kind::Final : Kind::NoMatch, m_utteranceStart * ms, spokenWindows * ms, 0});
        return;
    }
    if (speech && m_voicedWindows * ms >= m_settings.minSpeechMs &&
        (m_utteranceWindows - m_lastPartialWindows) * ms >= m_settings.partialIntervalMs) {
        m_lastPartialWindows = m_utteranceWindows;
        events.append({Kind::Partial, m_utteranceStart * ms, spokenWindows * ms, ++m_partials});
    }
}
