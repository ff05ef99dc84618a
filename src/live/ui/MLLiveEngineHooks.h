#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The part of a live engine that a mode page drives: its three callbacks and start/stop. Made from
// any engine with that interface, so one page class serves every tier.
struct MLLiveEngineHooks {
    std::function<void(std::function<void(bool)>)> setStatusBlock;
    std::function<void(std::function<void(const QString &)>)> setTimeChangeBlock;
    std::function<void(std::function<void(const QStringList &)>)> setDataChangeBlock;
    std::function<void(const QString &, const QString &)> startTranslation;
    std::function<void()> stopTranslation;

    template <class Engine> static MLLiveEngineHooks of(Engine &engine) {
        Engine *e = &engine;
        return {
            [e](std::function<void(bool)> block) { e->setStatusBlock(std::move(block)); },
            [e](std::function<void(const QString &)> block) { e->setTimeChangeBlock(std::move(block)); },
            [e](std::function<void(const QStringList &)> block) { e->setDataChangeBlock(std::move(block)); },
            [e](const QString &from, const QString &to) { e->startTranslation(from, to); },
            [e] { e->stopTranslation(); },
        };
    }
};
