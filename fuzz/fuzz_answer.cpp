// Fuzzes the judging of service answers, whole: the answer judge over any body and status (envelope
// parsing, the digest test, the decryption of "dt"), the cipher and digest on their own, the request
// envelope of any parameter object (which must open again to the same JSON), the ordered parameter
// writer (which must parse back to the same object) and the answer models of the service.
#include "FuzzKey.h"
#include "billing/MLGetMeSetmealDtOrgModel.h"
#include "billing/MLGetPointDetailsModel.h"
#include "billing/MLGetSetmealList.h"
#include "billing/MLMineConsumptionDtOrgModel.h"
#include "billing/MLMineRechargeDetailDtOrgModel.h"
#include "billing/MLQrcodePointRechargeAliOrderModel.h"
#include "billing/MLTariffDescriptionModel.h"
#include "core/net/MLAnswerJudge.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLServiceText.h"
#include "core/net/MLToolAdvancedModel.h"
#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLMineModel.h"
#include "files/NSAudioTranslationHistoryListModel.h"
#include "files/NSCalculateTranslateCostModel.h"
#include "files/NSDocumentCheckTranslateModel.h"
#include "files/NSDocumentTranslationHistoryListModel.h"
#include "files/NSDocumentTranslationModel.h"
#include "live/engine/MLMicrosoftModel.h"

#include <QJsonDocument>
#include <QLoggingCategory>

#include <cstdlib>

namespace {

template <class... Models> void mapAll(const QByteArray &json) {
    (static_cast<void>(ml::json::fromJson<Models>(json)), ...);
    (static_cast<void>(ml::json::arrayFromJson<Models>(json)), ...);
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    setFuzzKey();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the HTTP status; the rest is the body.
    static constexpr int kStatuses[] = {200, 201, 204, 301, 400, 401, 404, 500, 502, 0};
    const QByteArray body(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    MLHttpTransport::Answer answer;
    answer.httpStatus = kStatuses[data[0] % std::size(kStatuses)];
    answer.error = answer.httpStatus >= 400 ? QNetworkReply::InternalServerError
                   : answer.httpStatus == 0 ? QNetworkReply::RemoteHostClosedError
                                            : QNetworkReply::NoError;
    answer.body = body;
    answer.tooLarge = data[0] == 0xff;
    for (const auto digest : {MLAnswerJudge::Digest::Required, MLAnswerJudge::Digest::Skipped}) {
        const MLAnswerJudge::Verdict verdict = MLAnswerJudge::judge(answer, digest);
        check(!verdict.success || (answer.httpStatus >= 200 && answer.httpStatus < 300));
        check(verdict.message.size() <= MLServiceText::kMaxCharacters + 1);
    }

    // The cipher and the digest over arbitrary text.
    const QString text = QString::fromUtf8(body);
    const QString plain = SecurityCore::decryptString(text);
    const std::optional<QByteArray> bytes = SecurityCore::decryptBytes(QJsonValue(text));
    check(plain == (bytes ? QString::fromUtf8(*bytes) : QString()));
    static_cast<void>(MLDigest::md5Hex(body));

    // A parameter object goes into an envelope and comes out the same.
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isObject()) {
        const QJsonObject parameters = document.object();
        static_cast<void>(MLAnswerJudge::digestMatches(parameters));
        const QByteArray json = QJsonDocument(parameters).toJson(QJsonDocument::Compact);
        const QJsonObject envelope =
            QJsonDocument::fromJson(MLEncryptOperation::returnRequestJsonToDic(parameters).toUtf8()).object();
        const std::optional<QByteArray> opened =
            SecurityCore::decryptBytes(envelope.value(QStringLiteral("dt")));
        check(opened && *opened == json);
        check(MLDigest::md5Hex(json) == envelope.value(QStringLiteral("m5")).toString());
        check(MLAnswerJudge::digestMatches(envelope));

        MLOrderedParameters ordered;
        for (auto it = parameters.begin(); it != parameters.end(); ++it)
            ordered.append({it.key(), it.value()});
        check(MLEncryptOperation::orderedJson(ordered) == json); // sorted keys: the same text
    }

    mapAll<MLToolAdvancedModel, MLMineModel, MLGetPointDetailsModel, MLGetSetmealList,
           MLGetMeSetmealDtOrgModel, MLMineConsumptionDtOrgModel, MLMineRechargeDetailDtOrgModel,
           MLQrcodePointRechargeAliOrderModel, MLTariffDescriptionModel, NSCalculateTranslateCostModel,
           NSDocumentCheckTranslateModel, NSDocumentTranslationModel, NSDocumentTranslationHistoryListModel,
           NSAudioTranslationHistoryListModel, MLMicrosoftModel>(body);
    return 0;
}
