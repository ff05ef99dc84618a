#include "StandinLanguageRoutes.h"

#include "StandinServer.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonArray languages(StandinServer &server) {
    return server.state()
        .fixture(QStringLiteral("languages"))
        .toObject()
        .value(QStringLiteral("languages"))
        .toArray();
}

QString codeKey(int type) {
    return type == StandinLanguageRoutes::kSourceList ? QStringLiteral("sourceCode")
                                                      : QStringLiteral("targetCode");
}

// The language whose code in list `type` is `code`.
QJsonObject findLanguage(StandinServer &server, int type, const QString &code) {
    for (const QJsonValue &value : languages(server)) {
        const QJsonObject language = value.toObject();
        if (!code.isEmpty() && language.value(codeKey(type)).toString() == code)
            return language;
    }
    return {};
}

} // namespace

void StandinLanguageRoutes::install(StandinServer &server) {
    server.route(QStringLiteral("/transLangue/getLanguageList"), [&server](const StandinRequest &request) {
        const int type = request.params.value(QStringLiteral("languageType")).toVariant().toInt();
        if (type != kSourceList && type != kTargetList)
            return server.state().error(QStringLiteral("badParameter"));
        QJsonArray list;
        for (const QJsonValue &value : languages(server)) {
            const QJsonObject language = value.toObject();
            const QString code = language.value(codeKey(type)).toString();
            if (code.isEmpty())
                continue; // not offered on this side
            list.append(QJsonObject{
                {QStringLiteral("languageCode"), code},
                {QStringLiteral("languageInitial"), language.value(QStringLiteral("languageInitial"))},
                {QStringLiteral("languageName"), language.value(QStringLiteral("languageName"))}});
        }
        return StandinReply::success(list);
    });

    // The new source is the old target taken as a source language, and the other way round; a
    // language that the other list does not know keeps its code and name.
    server.route(QStringLiteral("/transLangue/switchLanguage"), [&server](const StandinRequest &request) {
        const QJsonObject &p = request.params;
        const QString fromCode = p.value(QStringLiteral("fromCode")).toString();
        const QString toCode = p.value(QStringLiteral("toCode")).toString();
        if (fromCode.isEmpty() || toCode.isEmpty())
            return server.state().error(QStringLiteral("badParameter"));
        QString newFromCode = toCode;
        QString newFromName = p.value(QStringLiteral("toCodeName")).toString();
        QString newToCode = fromCode;
        QString newToName = p.value(QStringLiteral("fromCodeName")).toString();
        const QJsonObject asSource = findLanguage(server, kTargetList, toCode);
        if (!asSource.value(QStringLiteral("sourceCode")).toString().isEmpty()) {
            newFromCode = asSource.value(QStringLiteral("sourceCode")).toString();
            newFromName = asSource.value(QStringLiteral("languageName")).toString();
        }
        const QJsonObject asTarget = findLanguage(server, kSourceList, fromCode);
        if (!asTarget.value(QStringLiteral("targetCode")).toString().isEmpty()) {
            newToCode = asTarget.value(QStringLiteral("targetCode")).toString();
            newToName = asTarget.value(QStringLiteral("languageName")).toString();
        }
        return StandinReply::success(QJsonObject{{QStringLiteral("fromCode"), newFromCode},
                                                 {QStringLiteral("fromCodeName"), newFromName},
                                                 {QStringLiteral("toCode"), newToCode},
                                                 {QStringLiteral("toCodeName"), newToName}});
    });
}
