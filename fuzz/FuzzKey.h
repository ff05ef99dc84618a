#pragma once

#include "core/security/SecurityCore.h"

#include <QByteArray>

// The request cipher's key in the fuzz targets and in the seed corpus they start from (seed_corpus),
// so that the seeds' sealed answers open and the fuzzer starts past the digest check.
inline void setFuzzKey() {
    SecurityCore::setKey(QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c"),
                         QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"));
}
