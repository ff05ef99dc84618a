#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>

// The blocks of the request managers. A failure block receives a text fit for a toast and the
// service's result code (empty for local and transport failures).
using MLFailureBlock = std::function<void(const QString &message, const QString &code)>;
// Receives the whole answer object of the service.
using MLAnswerBlock = std::function<void(const QJsonObject &answer)>;
