#pragma once

#include <QByteArray>
#include <QList>

// Splits a stream of 16-bit mono PCM into utterances by energy: a window whose level is above the
// threshold is speech; an utterance ends after a run of silent windows as long as the hangover,
// so short pauses inside a sentence do not split it. While an utterance goes on a partial event
// comes at every partial interval; its end gives a final event, or a no-match when it held too
// little speech to be a sentence.
class StandinSpeechSegmenter final {
public:
    struct Settings {
        int sampleRate = 16000;
        int windowMs = 20;
        double threshold = 0.02; // RMS as a fraction of full scale (about -34 dBFS)
        int hangoverMs = 300;
        int minSpeechMs = 100;
        int partialIntervalMs = 200;
    };

    enum class Kind { Partial, Final, NoMatch };
    struct Event {
        Kind kind;
        qint64 offsetMs;   // start of the utterance in the stream
        qint64 durationMs; // speech so far (partial) or in all (final), trailing silence excluded
        int partialIndex;  // 1, 2, ... for the partials of one utterance; 0 otherwise
    };

    StandinSpeechSegmenter();
    explicit StandinSpeechSegmenter(const Settings &settings);

    // Takes the next block (of any length) and returns the events it completes.
    QList<Event> feed(const QByteArray &pcm);
    bool inUtterance() const { return m_inUtterance; }

private:
    void window(const qint16 *samples, QList<Event> &events);

    Settings m_settings;
    int m_windowSamples;
    QByteArray m_carry;
    qint64 m_windows = 0; // windows seen so far
    bool m_inUtterance = false;
    qint64 m_utteranceStart = 0;
    qint64 m_utteranceWindows = 0;
    qint64 m_voicedWindows = 0;
    qint64 m_silentRun = 0;
    qint64 m_lastPartialWindows = 0;
    int m_partials = 0;
};
