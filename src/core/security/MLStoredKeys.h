#pragma once

// The request cipher's key material as the client ships it (MLStoredKeys.cpp is written by
// scripts/gen-keys). The AES key and IV are kept only as texts made with the service's private RSA key;
// SecurityCore::recoverStoredKey() turns them back into the key with the public key below.
namespace MLStoredKeys {

// The service's RSA public key, PEM (SubjectPublicKeyInfo).
extern const char publicKeyPem[];
// Base64 of the RSA text (PKCS#1 v1.5, made with the private key) of the 16-byte AES key.
extern const char keyText[];
// Base64 of the RSA text of the 16-byte AES IV.
extern const char ivText[];

} // namespace MLStoredKeys
