#pragma once

#include "core/session/MLMineModel.h"

#include <QJsonObject>
#include <QString>

// One account of the stand-in service: the profile that "/meInfo/getMeInfo" answers, the sign-in
// secret, and whatever else the fixture gives it (for the routes that need more).
struct StandinAccount {
    MLMineModel profile;
    QString password;
    QJsonObject data; // the whole fixture entry

    // Whether the balance covers `points`.
    bool canPay(double points) const { return profile.balanceStr.toDouble() >= points; }
    // Takes `points` from the balance; false, taking nothing, when the balance is short.
    bool charge(double points) {
        if (!canPay(points))
            return false;
        profile.balanceStr = balanceText(profile.balanceStr.toDouble() - points);
        return true;
    }

    // A number as the service writes balances: no fraction when whole, otherwise up to two digits.
    static QString balanceText(double value) {
        QString text = QString::number(value, 'f', 2);
        while (text.contains(QLatin1Char('.')) &&
               (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
            text.chop(1);
        return text;
    }
};
